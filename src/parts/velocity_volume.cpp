// The particles' velocity volume: raw little-endian floats, no header.
#include "parts/scene_data.h"

#include <cstdio>

int64_t LoadVelocityVolume(const std::string& path, std::vector<float>& data)
{
    data.assign(kVolumeBytes / sizeof(float), 0.0f);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return -1;
    const size_t read = std::fread(data.data(), 1, kVolumeBytes, f);
    std::fclose(f);
    return int64_t(read);
}
