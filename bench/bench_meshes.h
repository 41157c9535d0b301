// Meshes for the benchmarks: the shared real meshes, and armadillo split 1-to-4 through its edge
// midpoints once or twice (about 0.35 and 1.4 million triangles). A clone without the shared
// meshes measures the generated title and emblem meshes of the run directory instead.
#pragma once
#include "crt/writer/mesh_io.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

// The shared meshes folder ($HOLLOWMERE_MESHES_DIR, or ../shared/meshes beside the
// repository), or an empty string when a clone has none.
inline std::string SharedMeshesDir()
{
    const char* env = std::getenv("HOLLOWMERE_MESHES_DIR");
    const std::string dir = env && *env ? env : HOLLOWMERE_MESHES_DIR;
    std::error_code ec;
    return std::filesystem::is_directory(dir, ec) ? dir : std::string();
}

// The generated meshes that stand in for the shared ones.
inline const char* const GeneratedMeshes[] = {HOLLOWMERE_RUN_DIR "/other/text.obj", HOLLOWMERE_RUN_DIR "/other/zev2.obj"};

// armadillo.obj from the shared meshes folder when there is one, else the title mesh.
inline const std::string& BenchMeshPath()
{
    static const std::string path = [] {
        const std::string dir = SharedMeshesDir(), armadillo = dir + "/armadillo.obj";
        std::error_code ec;
        if (!dir.empty() && std::filesystem::is_regular_file(armadillo, ec))
            return armadillo;
        std::fprintf(stderr, "no armadillo.obj (no shared meshes folder): measuring %s\n", GeneratedMeshes[0]);
        return std::string(GeneratedMeshes[0]);
    }();
    return path;
}

// Each triangle becomes four through its edge midpoints (shared between neighbours).
inline void Subdivide(crt::TriMesh& m)
{
    std::unordered_map<uint64_t, uint32_t> mid;
    auto middle = [&](uint32_t a, uint32_t b) {
        const uint64_t key = uint64_t(std::min(a, b)) << 32 | std::max(a, b);
        auto [it, inserted] = mid.try_emplace(key, m.vertexCount());
        if (inserted)
            for (int k = 0; k < 3; ++k)
                m.positions.push_back((m.positions[3 * size_t(a) + k] + m.positions[3 * size_t(b) + k]) / 2);
        return it->second;
    };
    std::vector<uint32_t> next;
    next.reserve(m.indices.size() * 4);
    for (size_t f = 0; f < m.indices.size(); f += 3) {
        const uint32_t a = m.indices[f], b = m.indices[f + 1], c = m.indices[f + 2];
        const uint32_t ab = middle(a, b), bc = middle(b, c), ca = middle(c, a);
        next.insert(next.end(), {a, ab, ca, ab, b, bc, ca, bc, c, ab, bc, ca});
    }
    m.indices = std::move(next);
    m.uvs.clear();
    m.groupEnds = {uint32_t(m.indices.size() / 3)};
}

// The largest extent of the positions over 16383: a 14-bit grid over the widest axis.
inline float FourteenBitStep(const std::vector<float>& positions)
{
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (size_t i = 0; i < positions.size(); ++i) {
        lo[i % 3] = std::min(lo[i % 3], positions[i]);
        hi[i % 3] = std::max(hi[i % 3], positions[i]);
    }
    const float extent = std::max({hi[0] - lo[0], hi[1] - lo[1], hi[2] - lo[2], 1e-6f});
    return extent / 16383;
}
