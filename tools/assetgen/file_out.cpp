#include "file_out.h"

#include <cstdio>
#include <cstring>

bool WriteFileBytes(const std::filesystem::path& path, const void* data, size_t size)
{
    std::filesystem::path temp = path;
    temp += ".part";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "assetgen: cannot write %s\n", temp.c_str());
        return false;
    }
    bool ok = std::fwrite(data, 1, size, f) == size;
    ok = (std::fclose(f) == 0) && ok;
    std::error_code ec;
    if (ok) std::filesystem::rename(temp, path, ec);
    if (!ok || ec) {
        std::fprintf(stderr, "assetgen: writing %s failed\n", path.c_str());
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

void AppendFloatLE(std::vector<uint8_t>& out, float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(bits >> (8 * i)));
}
