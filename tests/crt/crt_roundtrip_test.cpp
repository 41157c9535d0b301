// Writer to decoder round trips over real and synthetic meshes, across the writer's options:
// the same triangles after the vertex renumbering, positions within half a step, normals exactly
// on their stored grid points, colours at their channel steps.
#include "crt/writer/encoder.h"
#include "crt/writer/mesh_io.h"
#include "crt_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

using namespace crt;
using crttest::DecodeAll;
using crttest::Decoded;

namespace {

struct TestMesh {
    std::string name;
    uint32_t V = 0;
    std::vector<uint32_t> indices;
    std::vector<GroupInput> groups;
    std::vector<float> positions, uvs, normals;
};

struct Config {
    int entropy = ENTROPY_TUNSTALL;
    int strategy = STRATEGY_PARALLELOGRAM;
    bool defer = true;
    int normalMode = -1; // -1: no normals
    int colorChannels = 0;
    int colorFormat = UINT8;
    bool uv = true;
};

std::string Describe(const Config& c)
{
    return "entropy " + std::to_string(c.entropy) + " strategy " + std::to_string(c.strategy) + " defer " +
           std::to_string(c.defer) + " normals " + std::to_string(c.normalMode) + " colours " +
           std::to_string(c.colorChannels) + "/" + std::to_string(c.colorFormat);
}

// Area-weighted vertex normals in double precision (zero vectors become +z).
std::vector<float> VertexNormals(const std::vector<float>& p, const std::vector<uint32_t>& idx, uint32_t V)
{
    std::vector<double> n(3 * size_t(V), 0.0);
    for (size_t f = 0; f + 2 < idx.size(); f += 3) {
        const float *a = &p[3 * idx[f]], *b = &p[3 * idx[f + 1]], *c = &p[3 * idx[f + 2]];
        const double e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double x = e1[1] * e2[2] - e1[2] * e2[1], y = e1[2] * e2[0] - e1[0] * e2[2], z = e1[0] * e2[1] - e1[1] * e2[0];
        for (int k = 0; k < 3; ++k) {
            n[3 * idx[f + size_t(k)]] += x;
            n[3 * idx[f + size_t(k)] + 1] += y;
            n[3 * idx[f + size_t(k)] + 2] += z;
        }
    }
    std::vector<float> out(n.size());
    for (size_t i = 0; i < V; ++i) {
        const double l = std::sqrt(n[3 * i] * n[3 * i] + n[3 * i + 1] * n[3 * i + 1] + n[3 * i + 2] * n[3 * i + 2]);
        for (int k = 0; k < 3; ++k)
            out[3 * i + size_t(k)] = l > 0 ? float(n[3 * i + size_t(k)] / l) : (k == 2 ? 1.0f : 0.0f);
    }
    return out;
}

std::array<uint32_t, 3> Canonical(uint32_t a, uint32_t b, uint32_t c)
{
    // Rotation with the smallest id first keeps the orientation.
    if (b < a && b <= c)
        return {b, c, a};
    if (c < a && c < b)
        return {c, a, b};
    return {a, b, c};
}

uint8_t ColorByte(const TestMesh& m, size_t v, int j)
{
    return uint8_t((v * 37 + size_t(j) * 91 + size_t(int64_t(m.positions[3 * v] * 1000) & 0xff)) % 256);
}

struct Outcome {
    std::vector<uint8_t> ops;
};

Outcome RoundTrip(const TestMesh& m, const Config& cfg)
{
    SCOPED_TRACE(m.name + ": " + Describe(cfg));
    Outcome outcome;
    // Steps: about 1/4000 of the extent for positions, 1/1024 for texture coordinates.
    float lo = 1e30f, hi = -1e30f;
    for (float x : m.positions) {
        lo = std::min(lo, x);
        hi = std::max(hi, x);
    }
    const float step = std::max(hi - lo, 1e-3f) / 4000.0f, uvStep = 1.0f / 1024;
    const int u = 511;

    MeshInput in;
    in.vertexCount = m.V;
    in.indices = m.indices;
    in.groups = m.groups;
    in.metadata = {{"name", m.name}};
    in.attributes.push_back({"position", CODEC_GENERIC, step, 3, FLOAT, cfg.strategy, m.positions.data()});
    if (cfg.uv && !m.uvs.empty())
        in.attributes.push_back({"uv", CODEC_GENERIC, uvStep, 2, FLOAT, cfg.strategy, m.uvs.data()});
    const std::vector<float> normals = m.normals.empty() ? VertexNormals(m.positions, m.indices, m.V) : m.normals;
    if (cfg.normalMode >= 0)
        in.attributes.push_back({"normal", CODEC_NORMAL, float(u), 3, FLOAT, 0, normals.data(), cfg.normalMode});
    const int N = cfg.colorChannels;
    std::vector<uint8_t> color8(size_t(m.V) * size_t(N));
    std::vector<float> colorF(color8.size());
    for (size_t v = 0; v < m.V; ++v)
        for (int j = 0; j < N; ++j) {
            color8[v * size_t(N) + size_t(j)] = ColorByte(m, v, j);
            colorF[v * size_t(N) + size_t(j)] = ColorByte(m, v, j) / 255.0f;
        }
    const std::array<int, 4> steps = {3, 1, 5, 2};
    if (N) {
        AttributeInput c{"color", CODEC_COLOR, 1.0f, N, cfg.colorFormat, cfg.strategy};
        c.data = cfg.colorFormat == UINT8 ? static_cast<const void*>(color8.data()) : colorF.data();
        c.colorSteps = steps;
        in.attributes.push_back(c);
    }

    EncodeOptions options;
    options.entropy = cfg.entropy;
    options.defer = cfg.defer;
    const EncodedMesh enc = EncodeMesh(in, options);
    Decoded d;
    const char* failure = DecodeAll(enc.bytes, d);
    EXPECT_EQ(failure, nullptr) << (failure ? failure : "");
    if (failure)
        return outcome;
    const uint32_t F = uint32_t(m.indices.size() / 3);
    EXPECT_EQ(d.info[0], float(F));
    EXPECT_EQ(d.info[1], float(m.V));
    EXPECT_EQ(d.result, int32_t(F));
    EXPECT_EQ(enc.order.size(), m.V);

    // The same triangles in every group, after the renumbering.
    std::vector<uint32_t> ends;
    for (const GroupInput& g : m.groups)
        ends.push_back(g.end);
    if (ends.empty())
        ends.push_back(F);
    uint32_t start = 0;
    for (uint32_t end : ends) {
        std::vector<std::array<uint32_t, 3>> want, got;
        for (uint32_t f = start; f < end; ++f) {
            want.push_back(Canonical(m.indices[3 * f], m.indices[3 * f + 1], m.indices[3 * f + 2]));
            const uint32_t* t = &d.indices[3 * size_t(f)];
            if (t[0] >= m.V || t[1] >= m.V || t[2] >= m.V) {
                ADD_FAILURE() << "index out of range";
                return outcome;
            }
            got.push_back(Canonical(enc.order[t[0]], enc.order[t[1]], enc.order[t[2]]));
        }
        std::sort(want.begin(), want.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(want, got) << "group ending at " << end;
        start = end;
    }

    size_t worst = 0;
    for (size_t i = 0; i < m.V; ++i) {
        const size_t s = enc.order[i];
        for (int j = 0; j < 3; ++j) {
            const float want = m.positions[3 * s + size_t(j)];
            if (!(std::fabs(d.positions[3 * i + size_t(j)] - want) <= step * 0.5f * 1.0001f + std::fabs(want) * 1e-6f))
                ++worst;
        }
        if (cfg.uv && !m.uvs.empty())
            for (int j = 0; j < 2; ++j)
                if (!(std::fabs(d.uvs[2 * i + size_t(j)] - m.uvs[2 * s + size_t(j)]) <= uvStep * 0.5f * 1.0001f + 1e-6f))
                    ++worst;
    }
    EXPECT_EQ(worst, 0u) << "values off by more than half a step";

    if (cfg.normalMode >= 0) {
        // Border vertices as the format defines them: the exclusive-or of the neighbour ids seen
        // from each face is non-zero. Estimates: area-weighted sums over the decoded geometry.
        std::vector<uint32_t> flags(m.V, 0);
        std::vector<double> est(3 * size_t(m.V), 0.0);
        for (size_t f = 0; f < F; ++f) {
            const uint32_t* t = &d.indices[3 * f];
            for (int k = 0; k < 3; ++k)
                flags[t[k]] ^= t[(k + 1) % 3] ^ t[(k + 2) % 3];
            const float *a = &d.positions[3 * t[0]], *b = &d.positions[3 * t[1]], *c = &d.positions[3 * t[2]];
            const double e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
            const double e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
            for (int k = 0; k < 3; ++k)
                for (int j = 0; j < 3; ++j)
                    est[3 * t[k] + size_t(j)] += n[j];
        }
        size_t off = 0;
        for (size_t i = 0; i < m.V; ++i) {
            const float* n = &normals[3 * enc.order[i]];
            const float* got = &d.normals[3 * i];
            if (cfg.normalMode != ESTIMATE_BORDER || flags[i]) {
                const auto [X, Y] = normalToOcta(n[0], n[1], n[2], u);
                const auto want = octaToNormal(X, Y, u);
                if (std::memcmp(want.data(), got, 12) != 0)
                    ++off;
            } else {
                const double* e = &est[3 * i];
                const double l = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
                for (int k = 0; k < 3; ++k)
                    if (l > 1e-9 && !(std::fabs(got[k] - e[k] / l) < 2e-3))
                        ++off;
            }
        }
        EXPECT_EQ(off, 0u) << "normals off their grid points or estimates";
    }

    if (N) {
        size_t off = 0;
        for (size_t i = 0; i < m.V; ++i)
            for (int j = 0; j < 4; ++j) {
                float want = 1.0f;
                if (j < N) {
                    const int channel = j; // red, green, blue, alpha in input order
                    const int v = ColorByte(m, enc.order[i], channel);
                    want = float(steps[size_t(j)] * (v / steps[size_t(j)])) / 255.0f;
                }
                if (d.colors[4 * i + size_t(j)] != want)
                    ++off;
            }
        EXPECT_EQ(off, 0u) << "colours off their steps";
    }

    Decoder dec;
    dec.readHeader(enc.bytes.data(), int64_t(enc.bytes.size()));
    if (F > 0) {
        std::vector<uint32_t> idx(3 * size_t(F));
        dec.faceIndex.indices32 = idx.data();
        dec.decode();
        outcome.ops = dec.operations;
        EXPECT_EQ(dec.metadata.at("name"), m.name);
    }
    return outcome;
}

TestMesh FromFile(const std::string& file)
{
    TriMesh t;
    TestMesh m;
    m.name = file;
    EXPECT_TRUE(ReadMesh(std::string(HOLLOWMERE_MESHES_DIR) + "/" + file, t)) << file;
    m.V = t.vertexCount();
    m.indices = t.indices;
    m.positions = t.positions;
    m.uvs = t.uvs;
    for (uint32_t end : t.groupEnds)
        m.groups.push_back({end, {{"from", file}}});
    return m;
}

void Append(TestMesh& to, const TestMesh& from)
{
    for (uint32_t i : from.indices)
        to.indices.push_back(i + to.V);
    to.positions.insert(to.positions.end(), from.positions.begin(), from.positions.end());
    to.V += from.V;
}

// A height field of (n+1) x (n+1) vertices with a border.
TestMesh Grid(int n, float z0 = 0)
{
    TestMesh m;
    m.name = "grid";
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) {
            m.positions.insert(m.positions.end(), {float(x), float(y), z0 + 0.3f * std::sin(0.7f * x) * std::cos(0.5f * y)});
            m.uvs.insert(m.uvs.end(), {float(x) / float(n), float(y) / float(n)});
        }
    m.V = uint32_t((n + 1) * (n + 1));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const uint32_t a = uint32_t(y * (n + 1) + x), b = a + 1, c = a + uint32_t(n) + 1, d = c + 1;
            m.indices.insert(m.indices.end(), {a, b, d, a, d, c});
        }
    return m;
}

// A closed sphere: an octahedron split `levels` times and pushed onto the unit sphere.
TestMesh Sphere(int levels)
{
    TestMesh m;
    m.name = "sphere";
    m.positions = {1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1};
    m.indices = {0, 2, 4, 2, 1, 4, 1, 3, 4, 3, 0, 4, 2, 0, 5, 1, 2, 5, 3, 1, 5, 0, 3, 5};
    for (int l = 0; l < levels; ++l) {
        std::map<std::pair<uint32_t, uint32_t>, uint32_t> mid;
        auto middle = [&](uint32_t a, uint32_t b) {
            const auto key = std::make_pair(std::min(a, b), std::max(a, b));
            auto it = mid.find(key);
            if (it != mid.end())
                return it->second;
            const uint32_t id = uint32_t(m.positions.size() / 3);
            float p[3];
            for (int k = 0; k < 3; ++k)
                p[k] = (m.positions[3 * a + size_t(k)] + m.positions[3 * b + size_t(k)]) / 2;
            const float len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
            m.positions.insert(m.positions.end(), {p[0] / len, p[1] / len, p[2] / len});
            return mid[key] = id;
        };
        std::vector<uint32_t> next;
        for (size_t f = 0; f < m.indices.size(); f += 3) {
            const uint32_t a = m.indices[f], b = m.indices[f + 1], c = m.indices[f + 2];
            const uint32_t ab = middle(a, b), bc = middle(b, c), ca = middle(c, a);
            next.insert(next.end(), {a, ab, ca, ab, b, bc, ca, bc, c, ab, bc, ca});
        }
        m.indices = next;
    }
    m.V = uint32_t(m.positions.size() / 3);
    m.normals = m.positions; // the true surface normals
    return m;
}

std::vector<TestMesh> Synthetic()
{
    std::vector<TestMesh> out;
    out.push_back(Grid(6));
    out.push_back(Sphere(2));

    TestMesh pieces = Grid(3);
    pieces.name = "disconnected";
    pieces.uvs.clear();
    TestMesh s = Sphere(1);
    s.normals.clear();
    Append(pieces, s);
    Append(pieces, Grid(1, 5.0f));
    out.push_back(pieces);

    // Four triangles on one edge in both orientations, a bowtie, a degenerate triangle, a face
    // used twice and two vertices in no face.
    TestMesh odd;
    odd.name = "non-manifold";
    odd.V = 14;
    for (uint32_t i = 0; i < odd.V; ++i)
        odd.positions.insert(odd.positions.end(), {float(i % 4), float(i / 4), float(i % 3)});
    odd.indices = {0, 1, 2, 1, 0, 3, 0, 1, 4, 1, 0, 5, 6, 7, 8, 6, 9, 10, 7, 7, 9, 0, 1, 2, 2, 1, 11};
    out.push_back(odd);

    // Some faces turned over, in three groups with properties.
    TestMesh flipped = Grid(5);
    flipped.name = "flipped groups";
    for (size_t f = 0; f < flipped.indices.size() / 3; f += 3)
        std::swap(flipped.indices[3 * f + 1], flipped.indices[3 * f + 2]);
    flipped.groups = {{10, {{"material", "a"}}}, {10, {}}, {25, {{"material", "b"}, {"smooth", "1"}}}, {50, {}}};
    out.push_back(flipped);

    TestMesh banded = Sphere(2);
    banded.name = "sphere groups";
    banded.groups = {{37, {{"band", "0"}}}, {100, {{"band", "1"}}}, {128, {}}};
    out.push_back(banded);
    return out;
}

} // namespace

TEST(CrtRoundTrip, SyntheticMeshesAcrossOptions)
{
    std::set<uint8_t> codes;
    for (const TestMesh& m : Synthetic())
        for (int entropy : {ENTROPY_NONE, ENTROPY_TUNSTALL})
            for (int strategy = 0; strategy < 4; ++strategy)
                for (bool defer : {false, true}) {
                    Config c;
                    c.entropy = entropy;
                    c.strategy = strategy;
                    c.defer = defer;
                    c.normalMode = (strategy + int(defer)) % 3;
                    c.colorChannels = 3 + (strategy & 1);
                    c.colorFormat = entropy ? FLOAT : UINT8;
                    for (uint8_t op : RoundTrip(m, c).ops)
                        codes.insert(op);
                }
    // The writer exercises every operation of the connectivity code.
    EXPECT_EQ(codes, (std::set<uint8_t>{0, 1, 2, 3, 4, 5, 6}));
}

TEST(CrtRoundTrip, EveryNormalModeOnClosedAndOpenSurfaces)
{
    for (const TestMesh& m : {Sphere(3), Grid(8)})
        for (int mode : {DIFF, ESTIMATE, ESTIMATE_BORDER}) {
            Config c;
            c.normalMode = mode;
            RoundTrip(m, c);
        }
    // On a closed surface the border mode stores no corrections at all.
    const TestMesh s = Sphere(2);
    MeshInput in;
    in.vertexCount = s.V;
    in.indices = s.indices;
    in.attributes = {{"position", CODEC_GENERIC, 0.001f, 3, FLOAT, 0, s.positions.data()},
                     {"normal", CODEC_NORMAL, 511, 3, FLOAT, 0, s.normals.data(), ESTIMATE_BORDER}};
    const EncodedMesh enc = EncodeMesh(in);
    Decoder dec;
    dec.readHeader(enc.bytes.data(), int64_t(enc.bytes.size()));
    std::vector<uint32_t> idx(s.indices.size());
    std::vector<float> pos(3 * size_t(s.V)), nrm(3 * size_t(s.V));
    dec.faceIndex.indices32 = idx.data();
    dec.setAttribute("position", pos.data());
    dec.setAttribute("normal", nrm.data());
    dec.decode();
    EXPECT_TRUE(static_cast<NormalAttr&>(*dec.attributes["normal"]).octaValues.empty());
}

TEST(CrtRoundTrip, ZeroEstimateInTheBorderModeGivesNonFiniteNormals)
{
    // The same triangle both ways round: closed, and its face normals cancel.
    const float pos[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    const float nrm[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    MeshInput in;
    in.vertexCount = 3;
    in.indices = {0, 1, 2, 0, 2, 1};
    in.attributes = {{"position", CODEC_GENERIC, 0.5f, 3, FLOAT, 0, pos},
                     {"normal", CODEC_NORMAL, 255, 3, FLOAT, 0, nrm, ESTIMATE_BORDER}};
    Decoded d;
    ASSERT_EQ(DecodeAll(EncodeMesh(in).bytes, d), nullptr);
    for (float v : d.normals)
        EXPECT_FALSE(std::isfinite(v));
}

TEST(CrtRoundTrip, PointSet)
{
    const TestMesh s = Sphere(1);
    std::vector<uint8_t> rgb(size_t(s.V) * 3, 200);
    MeshInput in;
    in.vertexCount = s.V;
    in.attributes = {{"position", CODEC_GENERIC, 0.01f, 3, FLOAT, STRATEGY_SHARED_LENGTHS, s.positions.data()},
                     {"normal", CODEC_NORMAL, 127, 3, FLOAT, 0, s.normals.data()},
                     {"color", CODEC_COLOR, 1, 3, UINT8, 0, rgb.data()}};
    const EncodedMesh enc = EncodeMesh(in);
    Decoded d;
    ASSERT_EQ(DecodeAll(enc.bytes, d), nullptr);
    EXPECT_EQ(d.result, -1); // the exported interface decodes meshes only
    Decoder dec;
    dec.readHeader(enc.bytes.data(), int64_t(enc.bytes.size()));
    std::vector<float> pos(3 * size_t(s.V)), nrm(3 * size_t(s.V)), col(4 * size_t(s.V));
    dec.setAttribute("position", pos.data());
    dec.setAttribute("normal", nrm.data());
    dec.setAttribute("color", col.data());
    dec.decode();
    for (size_t i = 0; i < s.V; ++i) {
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(pos[3 * i + size_t(j)], s.positions[3 * enc.order[i] + size_t(j)], 0.005f + 1e-6f);
        const auto [X, Y] = normalToOcta(s.normals[3 * enc.order[i]], s.normals[3 * enc.order[i] + 1],
                                         s.normals[3 * enc.order[i] + 2], 127);
        EXPECT_EQ(octaToNormal(X, Y, 127)[2], nrm[3 * i + 2]);
        EXPECT_FLOAT_EQ(col[4 * i], 200 / 255.0f);
    }
}

TEST(CrtRoundTrip, RealMeshes)
{
    const char* small[] = {"2triangles.off", "cube.obj",  "snail.obj",          "horse_quad.obj", "camel_b.obj",
                           "bunny.off",      "cow.off",   "decimated-knight.off", "fandisk.off",   "fertility.off"};
    const char* large[] = {"face.obj", "armadillo.obj", "beetle.off"};
    std::set<uint8_t> codes;
    for (const char* file : small) {
        const TestMesh m = FromFile(file);
        for (int entropy : {ENTROPY_NONE, ENTROPY_TUNSTALL})
            for (int mode : {DIFF, ESTIMATE, ESTIMATE_BORDER}) {
                Config c;
                c.entropy = entropy;
                c.normalMode = mode;
                c.strategy = mode == DIFF ? STRATEGY_PARALLELOGRAM | STRATEGY_SHARED_LENGTHS : mode;
                c.colorChannels = mode == ESTIMATE ? 3 : 4;
                for (uint8_t op : RoundTrip(m, c).ops)
                    codes.insert(op);
            }
    }
    for (const char* file : large) {
        Config c;
        c.normalMode = ESTIMATE_BORDER;
        RoundTrip(FromFile(file), c);
    }
    EXPECT_EQ(codes, (std::set<uint8_t>{0, 1, 2, 3, 4, 5, 6}));
}

TEST(CrtMeshFiles, ReadersFollowTheFileCounts)
{
    struct Case {
        const char* file;
        size_t vertices, triangles, groups;
        bool uvs;
    };
    const Case cases[] = {
        {"2triangles.off", 4, 2, 1, false},      {"cube.obj", 14, 12, 1, true},
        {"snail.obj", 871, 1653, 1, false},      {"horse_quad.obj", 2400, 4796, 1, false},
        {"camel_b.obj", 2032, 3576, 1, true},    {"bunny.off", 3485, 6966, 1, false},
        {"armadillo.obj", 43243, 86482, 1, false},
    };
    for (const Case& c : cases) {
        TriMesh m;
        ASSERT_TRUE(ReadMesh(std::string(HOLLOWMERE_MESHES_DIR) + "/" + c.file, m)) << c.file;
        EXPECT_EQ(m.vertexCount(), c.vertices) << c.file;
        EXPECT_EQ(m.indices.size() / 3, c.triangles) << c.file;
        EXPECT_EQ(m.groupEnds.size(), c.groups) << c.file;
        EXPECT_EQ(!m.uvs.empty(), c.uvs) << c.file;
    }
    TriMesh m;
    EXPECT_FALSE(ReadMesh(std::string(HOLLOWMERE_MESHES_DIR) + "/README.md", m));
    EXPECT_FALSE(ReadMesh("/nonexistent.obj", m));
}
