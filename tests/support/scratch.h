// Scratch folders and captured output, shared by the tests.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

// A fresh, empty folder under the build tree (test-scratch/name).
inline std::string ScratchDir(const std::string& name)
{
    const std::filesystem::path dir = std::filesystem::path(HOLLOWMERE_BINARY_DIR) / "test-scratch" / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

// Writes bytes to a file, creating its folders.
inline void Write(const std::filesystem::path& path, const std::string& bytes)
{
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// What `run` prints on stdout.
template <class F>
std::string Printed(F run)
{
    testing::internal::CaptureStdout();
    run();
    return testing::internal::GetCapturedStdout();
}
