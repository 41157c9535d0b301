// Where the real public meshes kept beside the repository are (../shared/meshes, or
// $HOLLOWMERE_MESHES_DIR): a plain clone has no such folder. (The benchmarks, which include no test headers, have their own.)
#pragma once
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
