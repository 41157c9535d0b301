// Small encoded meshes covering every kind of stream, shared by the corruption test and the
// fuzzer's seed corpus.
#pragma once
#include "crt/writer/encoder.h"

#include <cmath>
#include <string>
#include <vector>

namespace crttest {

struct Seed {
    std::string name;
    std::vector<uint8_t> bytes;
};

inline std::vector<Seed> SeedContainers()
{
    using namespace crt;
    // A 4 x 4 height field, then a fan of four triangles on one edge with a bowtie beside it.
    const int n = 3;
    std::vector<float> pos, uv, nrm;
    std::vector<uint8_t> rgba;
    std::vector<uint32_t> idx;
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) {
            const float z = 0.25f * float((x * 7 + y * 3) % 5);
            pos.insert(pos.end(), {float(x), float(y), z});
            uv.insert(uv.end(), {float(x) / n, float(y) / n});
            nrm.insert(nrm.end(), {0.1f * float(x - 1), 0.2f * float(y - 2), 1.0f});
            rgba.insert(rgba.end(), {uint8_t(x * 60), uint8_t(y * 70), uint8_t(200 - x * y), uint8_t(255 - x)});
        }
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const uint32_t a = uint32_t(y * (n + 1) + x), b = a + 1, c = a + n + 1, d = c + 1;
            idx.insert(idx.end(), {a, b, d, a, d, c});
        }
    const uint32_t V = uint32_t(pos.size() / 3);
    std::vector<uint32_t> odd = {0, 1, 2, 1, 0, 3, 0, 1, 4, 1, 0, 5, 6, 7, 8, 6, 9, 10, 0, 1, 2};
    std::vector<float> oddPos;
    for (int i = 0; i < 12; ++i)
        oddPos.insert(oddPos.end(), {float(i % 4), float(i / 4), float(i % 3)});

    std::vector<uint8_t> rgb;
    for (size_t i = 0; i < V; ++i)
        rgb.insert(rgb.end(), rgba.begin() + long(4 * i), rgba.begin() + long(4 * i + 3));

    std::vector<Seed> seeds;
    auto add = [&](const std::string& name, int strategy, int normalMode, int colorChannels, bool groups,
                   int entropy, bool defer) {
        MeshInput in;
        in.vertexCount = V;
        in.indices = idx;
        in.metadata = {{"seed", "grid"}};
        if (groups)
            in.groups = {{5, {{"part", "a"}}}, {18, {}}};
        in.attributes = {{"position", CODEC_GENERIC, 0.01f, 3, FLOAT, strategy, pos.data()},
                         {"uv", CODEC_GENERIC, 1.0f / 256, 2, FLOAT, strategy, uv.data()},
                         {"normal", CODEC_NORMAL, 127, 3, FLOAT, 0, nrm.data(), normalMode},
                         {"color", CODEC_COLOR, 1, colorChannels, UINT8, strategy,
                          colorChannels == 3 ? rgb.data() : rgba.data()}};
        EncodeOptions o;
        o.entropy = entropy;
        o.defer = defer;
        seeds.push_back({name, EncodeMesh(in, o).bytes});
    };
    add("grid-tunstall-border", STRATEGY_PARALLELOGRAM, ESTIMATE_BORDER, 4, false, ENTROPY_TUNSTALL, true);
    add("grid-raw-shared-diff", STRATEGY_SHARED_LENGTHS, DIFF, 3, true, ENTROPY_NONE, false);
    add("grid-tunstall-estimate", 3, ESTIMATE, 4, true, ENTROPY_TUNSTALL, false);

    MeshInput odds;
    odds.vertexCount = 12;
    odds.indices = odd;
    odds.groups = {{3, {}}, {7, {{"k", "v"}}}};
    odds.attributes = {{"position", CODEC_GENERIC, 0.5f, 3, FLOAT, STRATEGY_PARALLELOGRAM, oddPos.data()}};
    for (int entropy : {ENTROPY_NONE, ENTROPY_TUNSTALL}) {
        EncodeOptions o;
        o.entropy = entropy;
        seeds.push_back({"non-manifold-" + std::to_string(entropy), EncodeMesh(odds, o).bytes});
    }
    return seeds;
}

} // namespace crttest
