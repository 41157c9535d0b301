// The real public meshes kept beside the repository (../shared/meshes), which a plain clone
// does not have. HOLLOWMERE_MESHES_DIR in the environment points elsewhere.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// The meshes folder, or an empty string when it is absent.
inline std::string SharedMeshesDir()
{
    const char* env = std::getenv("HOLLOWMERE_MESHES_DIR");
    const std::string dir = env && *env ? env : HOLLOWMERE_MESHES_DIR;
    std::error_code ec;
    return std::filesystem::is_directory(dir, ec) ? dir : std::string();
}

// Skips the calling test with one line when the folder is absent; else declares `dir` as it.
#define REQUIRE_SHARED_MESHES(dir)                                                              \
    const std::string dir = SharedMeshesDir();                                                  \
    if (dir.empty())                                                                            \
        GTEST_SKIP() << "no shared meshes folder (" HOLLOWMERE_MESHES_DIR                       \
                        " or $HOLLOWMERE_MESHES_DIR): the real-mesh cases are skipped"
