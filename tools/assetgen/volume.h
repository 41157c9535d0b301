// The particle simulation's velocity volume: a divergence-free curl-noise field.
#pragma once
#include <cstdint>
#include <filesystem>
#include <vector>

struct VelocityVolume {
    int width = 0, height = 0, depth = 0;  // texels along x, y, z
    std::vector<float> data;               // x, y, z per texel; x fastest, then y, then z
};

// The curl of a random smooth vector potential built from sine/cosine modes of the box, so that
// the flow has no divergence, no flow through the six faces (the normal component is zero there)
// and tangential components with zero slope across the faces: the mirrored-repeat sampling of the
// volume is then continuous. The field is scaled to an RMS speed of 1.
VelocityVolume MakeVelocityVolume(int width, int height, int depth, uint64_t seed);

// "velocity.dat": 128 x 256 x 128 texels of three little-endian floats, no header.
bool WriteVelocityVolume(const std::filesystem::path& path);
