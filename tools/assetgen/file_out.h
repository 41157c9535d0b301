// Writing generated files: whole buffers, little-endian floats, and a replace-on-success rule
// (each file is written under a temporary name and renamed when complete, so an interrupted run
// never leaves a short file that looks finished).
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

bool WriteFileBytes(const std::filesystem::path& path, const void* data, size_t size);
inline bool WriteFileText(const std::filesystem::path& path, const std::string& text)
{
    return WriteFileBytes(path, text.data(), text.size());
}
// Appends the IEEE-754 bytes of v, least significant first, whatever the host order.
void AppendFloatLE(std::vector<uint8_t>& out, float v);
