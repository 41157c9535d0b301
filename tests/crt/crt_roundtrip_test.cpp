// Writer to decoder round trips over synthetic meshes, generated and written mesh files and the
// real meshes when present, across the writer's options: the same triangles after the vertex
// renumbering, positions and uvs within half a step, normals exactly on their stored grid points
// (or the decoded geometry's estimate), colours at their channel steps. The searched connectivity
// walk (meant for meshes with handles) is checked on each mesh by itself.
#include "crt/writer/connectivity_encoder.h"
#include "crt/writer/mesh_io.h"
#include "crt_test_util.h"
#include "support/scratch.h"
#include "support/shared_meshes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <tuple>

using namespace crt;
using namespace crttest;

namespace {

void RoundTrip(const TestMesh& m, const Config& cfg, std::set<uint8_t>& codes)
{
    const EncodedMesh enc = Encode(m, cfg);
    Decoded d;
    size_t corrections = 0; // octahedral values stored with the normals
    ASSERT_EQ(DecodeAll(enc.bytes, d, SIZE_MAX, [&](const Decoder& dec) {
        codes.insert(dec.operations.begin(), dec.operations.end());
        EXPECT_EQ(dec.metadata.at("name"), m.name);
        corrections = static_cast<const NormalAttr&>(*dec.attributes.at("normal")).octaValues.size();
    }), nullptr);
    const uint32_t F = uint32_t(m.indices.size() / 3);
    EXPECT_EQ(std::vector<float>(d.info, d.info + 2), (std::vector<float>{float(F), float(m.V)}));
    EXPECT_EQ(d.result, int32_t(F));
    ASSERT_EQ(enc.order.size(), m.V);
    for (uint32_t i : d.indices)
        ASSERT_LT(i, m.V);

    // The same triangles in every group, after the renumbering.
    uint32_t start = 0;
    for (const GroupInput& g : m.groups.empty() ? std::vector<GroupInput>{{F, {}}} : m.groups) {
        EXPECT_EQ(SortedFaces(m.indices, nullptr, start, g.end), SortedFaces(d.indices, &enc.order, start, g.end))
            << "group ending at " << g.end;
        start = g.end;
    }

    // Border vertices as the format defines them (the exclusive-or of the neighbour ids seen from
    // each face is non-zero), and area-weighted normal estimates from the decoded geometry.
    std::vector<uint32_t> flags(m.V, 0);
    std::vector<double> est(3 * size_t(m.V), 0.0);
    for (size_t f = 0; f < F; ++f) {
        const uint32_t* t = &d.indices[3 * f];
        const float *a = &d.positions[3 * t[0]], *b = &d.positions[3 * t[1]], *c = &d.positions[3 * t[2]];
        const double e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
        for (size_t k = 0; k < 3; ++k) {
            flags[t[k]] ^= t[(k + 1) % 3] ^ t[(k + 2) % 3];
            for (size_t j = 0; j < 3; ++j)
                est[3 * t[k] + j] += n[j];
        }
    }
    const float step = PositionStep(m);
    size_t off[3] = {}, borders = 0; // values, normals, colours
    for (size_t i = 0; i < m.V; ++i) {
        const size_t s = enc.order[i];
        for (size_t j = 0; j < 3; ++j) {
            const float want = m.positions[3 * s + j];
            off[0] += !(std::fabs(d.positions[3 * i + j] - want) <= step * 0.5f * 1.0001f + std::fabs(want) * 1e-6f);
        }
        for (size_t j = 0; j < 2 && !m.uvs.empty(); ++j)
            off[0] += !(std::fabs(d.uvs[2 * i + j] - m.uvs[2 * s + j]) <= kUvStep * 0.5f * 1.0001f + 1e-6f);
        // Interior vertices in the border mode get the normalised estimate (not finite when it is
        // zero); every other normal is exactly its stored grid point.
        const float* got = &d.normals[3 * i];
        const auto n = NormalOf(s);
        const auto [X, Y] = normalToOcta(n[0], n[1], n[2], kNormalUnit);
        const bool onGrid = std::memcmp(octaToNormal(X, Y, kNormalUnit).data(), got, 12) == 0;
        const double* e = &est[3 * i];
        const double l = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
        borders += flags[i] != 0;
        for (size_t k = 0; k < 3; ++k)
            off[1] += cfg.normalMode != ESTIMATE_BORDER || flags[i] ? k == 0 && !onGrid
                      : l == 0                                     ? std::isfinite(got[k])
                                                                   : l > 1e-9 && !(std::fabs(got[k] - e[k] / l) < 2e-3);
        for (size_t j = 0; j < 4; ++j) {
            const int q = kColorSteps[j], channel = j < size_t(cfg.colorChannels) ? q * (ColorByte(m, s, j) / q) : 255;
            off[2] += d.colors[4 * i + j] != float(channel) / 255.0f;
        }
    }
    EXPECT_EQ(std::vector<size_t>(off, off + 3), std::vector<size_t>(3, 0)) << "values, normals, colours off";

    // A correction per border vertex.
    EXPECT_TRUE(cfg.normalMode != ESTIMATE_BORDER || corrections == 2 * borders) << corrections << " for " << borders;
}

// A mesh file read by the writer's readers, its groups named after it; none when it has no faces.
void AddFile(const std::filesystem::path& file, std::vector<TestMesh>& meshes)
{
    TriMesh t;
    ASSERT_TRUE(ReadMesh(file, t)) << file;
    if (t.indices.empty())
        return;
    meshes.push_back({file.filename(), t.vertexCount(), t.indices, {}, t.positions, t.uvs});
    for (uint32_t end : t.groupEnds)
        meshes.back().groups.push_back({end, {{"from", file.filename()}}});
}

// The searched connectivity walk, which the writer keeps only where its container is smaller:
// every face once and in its group, where its face source says, and every prediction naming
// earlier vertices.
void CheckSearchedWalk(const TestMesh& m)
{
    const uint32_t F = uint32_t(m.indices.size() / 3);
    std::vector<uint32_t> ends;
    for (const GroupInput& g : m.groups)
        ends.push_back(g.end);
    if (ends.empty())
        ends.push_back(F);
    const ConnectivityCode code = EncodeConnectivity(m.V, m.indices, ends, true, true);
    EXPECT_EQ(SortedFaces(code.indices, &code.order), SortedFaces(m.indices)) << "searched walk";
    size_t misplaced = 0;
    for (uint32_t f = 0, g = 0; f < F; ++f) {
        while (f >= ends[g])
            ++g;
        const uint32_t s = code.faceSource[f];
        misplaced += s >= ends[g] || (g > 0 && s < ends[g - 1]) ||
                     SortedFaces(code.indices, &code.order, f, f + 1) != SortedFaces(m.indices, nullptr, s, s + 1);
    }
    EXPECT_EQ(misplaced, 0u) << "faces of the searched walk";
    for (uint32_t v = 1; v < m.V; ++v) {
        const VertexPrediction p = code.predictions[v];
        ASSERT_TRUE(p.a < v && p.b < v && p.c < v) << "searched walk, vertex " << v;
    }
}

void RoundTripAcrossOptions(const std::vector<TestMesh>& meshes, std::set<uint8_t>& codes)
{
    const Config configs[] = {
        // entropy, strategy, defer, normal mode, colour channels, colour input
        {ENTROPY_TUNSTALL, STRATEGY_PARALLELOGRAM, true, ESTIMATE_BORDER, 4, UINT8},
        {ENTROPY_NONE, 0, false, DIFF, 3, UINT8},
        {ENTROPY_NONE, STRATEGY_PARALLELOGRAM | STRATEGY_SHARED_LENGTHS, true, ESTIMATE, 4, FLOAT},
        {ENTROPY_TUNSTALL, STRATEGY_SHARED_LENGTHS, false, DIFF, 4, FLOAT},
        {ENTROPY_TUNSTALL, 0, true, ESTIMATE, 3, FLOAT},
        {ENTROPY_NONE, STRATEGY_SHARED_LENGTHS, true, ESTIMATE_BORDER, 3, UINT8},
        {ENTROPY_TUNSTALL, STRATEGY_PARALLELOGRAM | STRATEGY_SHARED_LENGTHS, false, ESTIMATE_BORDER, 3, FLOAT},
        {ENTROPY_NONE, STRATEGY_PARALLELOGRAM, false, ESTIMATE, 4, UINT8},
    };
    for (const TestMesh& m : meshes) {
        SCOPED_TRACE(m.name);
        CheckSearchedWalk(m);
        for (const Config& c : configs) {
            SCOPED_TRACE("options row " + std::to_string(&c - configs));
            RoundTrip(m, c, codes);
        }
    }
}

} // namespace

TEST(CrtRoundTrip, EveryMeshAcrossOptions)
{
    // Synthetic: open and closed surfaces (tori of several shapes), four pieces (two with handles)
    // in a group each, the non-manifold mesh, one triangle seen from both sides, groups with
    // properties (one empty) over partly flipped faces.
    std::vector<TestMesh> meshes = {
        Sheet("tube", 6, 6, false), Sheet("torus", 12, 8, true), {.name = "pieces"}, NonManifold(),
        {.name = "two-sided", .V = 3, .indices = {0, 1, 2, 0, 2, 1}, .positions = {0, 0, 0, 1, 0, 0, 0, 1, 0}},
        Sheet("flipped groups", 5, 6, false), Sheet("torus groups", 12, 8, true), Sheet("torus 31x17", 31, 17, true),
        Sheet("torus 64x9", 64, 9, true)};
    for (const TestMesh& p :
         {Sheet("", 3, 3, false), Sheet("", 6, 4, true), Sheet("", 5, 3, true), Sheet("", 3, 4, false)}) {
        for (uint32_t i : p.indices)
            meshes[2].indices.push_back(i + meshes[2].V);
        meshes[2].groups.push_back({uint32_t(meshes[2].indices.size() / 3), {}});
        meshes[2].positions.insert(meshes[2].positions.end(), p.positions.begin(), p.positions.end());
        meshes[2].V += p.V;
    }
    for (size_t f = 0; f < meshes[5].indices.size(); f += 9)
        std::swap(meshes[5].indices[f + 1], meshes[5].indices[f + 2]);
    meshes[5].groups = {{10, {{"material", "a"}}}, {10, {}}, {25, {{"material", "b"}, {"smooth", "1"}}}, {50, {}}};
    meshes[6].groups = {{37, {{"band", "0"}}}, {100, {{"band", "1"}}}, {192, {}}};

    // Meshes the repository makes: the generated title and emblem meshes.
    for (const char* file : {HOLLOWMERE_RUN_DIR "/other/text.obj", HOLLOWMERE_RUN_DIR "/other/zev2.obj"})
        AddFile(file, meshes);
    // Files as the writer's readers take them: an OBJ quad of "v/vt" corners and a triangle of
    // corners counted back, in two groups; an OFF quad and a triangle (faces become fans).
    const std::filesystem::path dir = ScratchDir("crt_roundtrip_test");
    const std::tuple<const char*, const char*, std::vector<uint32_t>, size_t, std::vector<uint32_t>> files[] = {
        {"square.obj",
         "# two groups\no first\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
         "f 1/1 2/2 3/3 4/4\ng second\nf -1/-1 -2/-2 -4/-4\n",
         {0, 1, 2, 0, 2, 3, 3, 2, 0}, 8, {2, 3}},
        {"pieces.off", "OFF\n# a quad, then a triangle across its edge 1-2\n5 2 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 1 1\n"
         "4 0 1 2 3\n3 2 1 4\n", {0, 1, 2, 0, 2, 3, 2, 1, 4}, 0, {3}},
    };
    for (const auto& [name, text, indices, uvs, groupEnds] : files) {
        Write(dir / name, text);
        TriMesh t;
        ASSERT_TRUE(ReadMesh(dir / name, t)) << name;
        EXPECT_EQ(t.indices, indices) << name;
        EXPECT_EQ(t.uvs.size(), uvs) << name;
        EXPECT_EQ(t.groupEnds, groupEnds) << name;
        AddFile(dir / name, meshes);
    }
    TriMesh none;
    EXPECT_FALSE(ReadMesh("/nonexistent.obj", none));

    std::set<uint8_t> codes;
    RoundTripAcrossOptions(meshes, codes);
    EXPECT_EQ(codes, (std::set<uint8_t>{0, 1, 2, 3, 4, 5, 6})); // the writer uses every operation
}

TEST(CrtRoundTrip, EveryRealMeshAcrossOptions)
{
    REQUIRE_SHARED_MESHES(dir);
    // Every mesh file of that folder (and nothing else in it).
    std::vector<std::filesystem::path> files;
    for (const auto& f : std::filesystem::directory_iterator(dir))
        files.push_back(f.path());
    std::sort(files.begin(), files.end());
    std::vector<TestMesh> meshes;
    for (const auto& file : files) {
        TriMesh t;
        if (file.extension() == ".obj" || file.extension() == ".off")
            AddFile(file, meshes);
        else
            EXPECT_FALSE(ReadMesh(file, t)) << file;
    }
    EXPECT_GE(meshes.size(), 12u);
    std::set<uint8_t> codes;
    RoundTripAcrossOptions(meshes, codes);
}

TEST(CrtRoundTrip, SmallestContainerAmongTheWritersChoices)
{
    // Two triangles favour raw arrays; a larger torus favours the Tunstall blocks. Either way the
    // pick is the smallest of the four encodings and decodes to the same triangles, and the
    // normal attribute's strategy is left as given.
    const TestMesh two{.name = "", .V = 4, .indices = {0, 1, 2, 1, 3, 2}, .positions = {0, 0, 0, 1, 0, 0, 1, 1, 1, 2, 1, 0}};
    const std::vector<float> normals(3 * 40 * 30, 0.5f);
    for (const auto& [m, entropy] : {std::pair{two, ENTROPY_NONE}, {Sheet("torus", 40, 30, true), ENTROPY_TUNSTALL}}) {
        MeshInput in{m.V, m.indices, {}, {},
                     {{"normal", CODEC_NORMAL, kNormalUnit, 3, FLOAT, STRATEGY_PARALLELOGRAM, normals.data(), DIFF},
                      {"position", CODEC_GENERIC, PositionStep(m), 3, FLOAT, STRATEGY_PARALLELOGRAM, m.positions.data()}}};
        size_t least = SIZE_MAX;
        for (int e : {int(ENTROPY_NONE), int(ENTROPY_TUNSTALL)})
            for (int s : {int(STRATEGY_PARALLELOGRAM), STRATEGY_PARALLELOGRAM | STRATEGY_SHARED_LENGTHS}) {
                in.attributes[1].strategy = s;
                least = std::min(least, EncodeMesh(in, {e}).bytes.size());
            }
        const EncodedMesh best = EncodeSmallest(in, {ENTROPY_NONE - 1}); // an entropy kind it must not use
        EXPECT_EQ(best.bytes.size(), least) << m.V;
        ASSERT_GT(best.bytes.size(), 8u);
        EXPECT_EQ(best.bytes[8], entropy) << m.V;
        // The normal descriptor (name, codec, step, components, format) ends with its strategy byte.
        EXPECT_EQ(best.bytes[17 + 9 + 4 + 4 + 1 + 1], STRATEGY_PARALLELOGRAM) << m.V;
        Decoded d;
        ASSERT_EQ(DecodeAll(best.bytes, d), nullptr);
        EXPECT_EQ(SortedFaces(m.indices), SortedFaces(d.indices, &best.order)) << m.V;
    }
}
