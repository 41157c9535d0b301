// The mesh the benchmarks measure: armadillo.obj from the shared meshes folder when there is one,
// else the generated title mesh of the run directory, so that a plain clone can still measure.
#pragma once
#include "support/meshes_dir.h"

#include <cstdio>
#include <string>

inline const std::string& BenchMeshPath()
{
    static const std::string path = [] {
        const std::string dir = SharedMeshesDir(), armadillo = dir + "/armadillo.obj";
        std::error_code ec;
        if (!dir.empty() && std::filesystem::is_regular_file(armadillo, ec))
            return armadillo;
        const std::string text = HOLLOWMERE_RUN_DIR "/other/text.obj";
        std::fprintf(stderr, "no armadillo.obj (no shared meshes folder): measuring %s\n", text.c_str());
        return text;
    }();
    return path;
}
