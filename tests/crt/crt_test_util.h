// Helpers for the mesh library tests: failures as values, decoding through the exported functions,
// and synthetic meshes encoded with every kind of stream (shared by the round trips, the corruption
// test, the fuzzer and the decode dump).
#pragma once
#include "crt/crt.h"
#include "crt/decoder.h"
#include "crt/messages.h"
#include "crt/writer/encoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace crttest {

// The message `fn` raised, or null.
inline const char* Failure(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const char* m) {
        return m;
    }
    return nullptr;
}

// Whether `m` is one of the library's message constants that decoding raises (the same object, not
// only the same text); the writer's input checks are not among them.
inline bool IsLibraryMessage(const char* m)
{
    using namespace crt;
    for (const char* known : {kNotCrtFile, kUnknownEntropy, kTopologyFailed, kNoPosition, kPositionOverloaded,
                              kNormalFormatEstimate, kNormalFormatDiff, kColorOutputFormat, kUnsupportedFormat,
                              kTruncated, kCorrupt, kColorChannels, kOutputTooSmall, kNoIndexArray, kNoPositionValues,
                              kOutOfMemory})
        if (m == known)
            return true;
    return false;
}

// The faces [first, last) of `indices`, their corners mapped through `toInput` when given, each
// rotated to start at its smallest corner (orientation kept), sorted.
inline std::vector<std::array<uint32_t, 3>> SortedFaces(const std::vector<uint32_t>& indices,
                                                        const std::vector<uint32_t>* toInput = nullptr,
                                                        size_t first = 0, size_t last = SIZE_MAX)
{
    std::vector<std::array<uint32_t, 3>> faces;
    const auto v = [&](size_t i) { return toInput ? (*toInput)[indices[i]] : indices[i]; };
    for (size_t f = first; f < std::min(last, indices.size() / 3); ++f) {
        std::array<uint32_t, 3> t{v(3 * f), v(3 * f + 1), v(3 * f + 2)};
        std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
        faces.push_back(t);
    }
    std::sort(faces.begin(), faces.end());
    return faces;
}

struct Decoded {
    float info[2] = {0, 0};
    int32_t result = 0;
    std::vector<uint32_t> indices;
    std::vector<float> positions, normals, colors, uvs;
};

// Through the exported functions, every array bound at its documented size (none when the counts
// ask for more than maxElements); `inspect`, when given, then sees the decoder behind the handle.
// Returns the failure text, or null when decoding succeeded.
inline const char* DecodeAll(const std::vector<uint8_t>& bytes, Decoded& out, size_t maxElements = SIZE_MAX,
                             const std::function<void(const crt::Decoder&)>& inspect = nullptr)
{
    void* decoder = nullptr;
    const char* failure = Failure([&] {
        decoder = CreateDecoder(int32_t(bytes.size()), bytes.data(), out.info);
        const size_t F = size_t(out.info[0]), V = size_t(out.info[1]);
        if (3 * F > maxElements || 4 * V > maxElements)
            throw "too large";
        out.indices.assign(3 * F, 0);
        out.positions.assign(3 * V, 0);
        out.normals.assign(3 * V, 0);
        out.colors.assign(4 * V, 0);
        out.uvs.assign(2 * V, 0);
        out.result = DecodeMesh(decoder, out.positions.data(), out.indices.data(), out.normals.data(),
                                out.colors.data(), out.uvs.data());
        if (inspect)
            inspect(*static_cast<const crt::Decoder*>(decoder));
    });
    DestroyDecoder(decoder);
    return failure;
}

struct TestMesh {
    std::string name;
    uint32_t V = 0;
    std::vector<uint32_t> indices{};
    std::vector<crt::GroupInput> groups{};
    std::vector<float> positions{}, uvs{}; // uvs may be empty
};

// A torus of n x k quads (n and k at least 3), or without its last ring of quads an open tube.
inline TestMesh Sheet(const std::string& name, int n, int k, bool closed)
{
    TestMesh s{.name = name, .V = uint32_t(n * k)};
    const auto id = [&](int x, int y) { return uint32_t(y % k * n + x % n); };
    for (int y = 0; y < k; ++y)
        for (int x = 0; x < n; ++x) {
            const float a = 6.2831853f * float(x) / float(n), b = 6.2831853f * float(y) / float(k), r = 2 + std::cos(b);
            s.positions.insert(s.positions.end(), {r * std::cos(a), r * std::sin(a), std::sin(b)});
            s.uvs.insert(s.uvs.end(), {float(x) / float(n), float(y) / float(k)});
            if (closed || y + 1 < k)
                s.indices.insert(s.indices.end(),
                                 {id(x, y), id(x + 1, y), id(x + 1, y + 1), id(x, y), id(x + 1, y + 1), id(x, y + 1)});
        }
    return s;
}

// Four triangles on one edge in both orientations, a bowtie, a degenerate triangle, a face used
// twice and two vertices in no face.
inline TestMesh NonManifold()
{
    TestMesh m{.name = "non-manifold", .V = 14};
    m.indices = {0, 1, 2, 1, 0, 3, 0, 1, 4, 1, 0, 5, 6, 7, 8, 6, 9, 10, 7, 7, 9, 0, 1, 2, 2, 1, 11};
    for (uint32_t i = 0; i < m.V; ++i)
        m.positions.insert(m.positions.end(), {float(i % 4), float(i / 4), float(i % 3)});
    return m;
}

// The writer's options, and what it stores besides positions (at about 1/4000 of the extent)
// and uvs (at 1/1024): made-up normals on a grid of unit 511 and colours at steps 3, 1, 5, 2.
struct Config {
    int entropy, strategy;
    bool defer;
    int normalMode, colorChannels, colorFormat;
};
inline constexpr int kNormalUnit = 511;
inline constexpr float kUvStep = 1.0f / 1024;
inline constexpr std::array<int, 4> kColorSteps = {3, 1, 5, 2};

inline float PositionStep(const TestMesh& m)
{
    const auto [lo, hi] = std::minmax_element(m.positions.begin(), m.positions.end());
    return std::max(*hi - *lo, 1e-3f) / 4000.0f;
}
inline std::array<float, 3> NormalOf(size_t v)
{
    return {std::cos(0.7f * float(v)), std::sin(0.7f * float(v)), std::cos(1.3f * float(v))};
}
inline uint8_t ColorByte(const TestMesh& m, size_t v, size_t j)
{
    return uint8_t((v * 37 + j * 91 + size_t(int64_t(m.positions[3 * v] * 1000) & 0xff)) % 256);
}

inline crt::EncodedMesh Encode(const TestMesh& m, const Config& cfg)
{
    using namespace crt;
    const size_t N = size_t(cfg.colorChannels);
    std::vector<float> normals, colorF;
    std::vector<uint8_t> color8;
    for (size_t v = 0; v < m.V; ++v) {
        const auto n = NormalOf(v);
        normals.insert(normals.end(), n.begin(), n.end());
        for (size_t j = 0; j < N; ++j) {
            color8.push_back(ColorByte(m, v, j));
            colorF.push_back(float(color8.back()) / 255.0f);
        }
    }
    const void* colors = cfg.colorFormat == UINT8 ? static_cast<const void*>(color8.data()) : colorF.data();
    MeshInput in{m.V, m.indices, m.groups, {{"name", m.name}},
                 {{"position", CODEC_GENERIC, PositionStep(m), 3, FLOAT, cfg.strategy, m.positions.data()},
                  {"normal", CODEC_NORMAL, kNormalUnit, 3, FLOAT, 0, normals.data(), cfg.normalMode},
                  {"color", CODEC_COLOR, 1, int(N), cfg.colorFormat, cfg.strategy, colors, DIFF, kColorSteps}}};
    if (!m.uvs.empty())
        in.attributes.push_back({"uv", CODEC_GENERIC, kUvStep, 2, FLOAT, cfg.strategy, m.uvs.data()});
    return EncodeMesh(in, {cfg.entropy, cfg.defer});
}

// Small containers for the corruption test (the fuzzer's seed corpus began with them): an open
// tube and the non-manifold mesh, in groups, across the options.
inline std::vector<std::vector<uint8_t>> SeedContainers()
{
    using namespace crt;
    TestMesh grid = Sheet("tube", 4, 4, false), odd = NonManifold();
    grid.groups = {{5, {{"part", "a"}}}, {24, {}}};
    odd.groups = {{3, {}}, {9, {{"k", "v"}}}};
    return {Encode(grid, {ENTROPY_TUNSTALL, STRATEGY_PARALLELOGRAM, true, ESTIMATE_BORDER, 4, UINT8}).bytes,
            Encode(grid, {ENTROPY_NONE, STRATEGY_SHARED_LENGTHS, false, DIFF, 3, FLOAT}).bytes,
            Encode(grid, {ENTROPY_TUNSTALL, 3, false, ESTIMATE, 4, UINT8}).bytes,
            Encode(odd, {ENTROPY_NONE, STRATEGY_PARALLELOGRAM, true, ESTIMATE, 3, UINT8}).bytes,
            Encode(odd, {ENTROPY_TUNSTALL, 0, true, ESTIMATE_BORDER, 4, FLOAT}).bytes};
}

} // namespace crttest
