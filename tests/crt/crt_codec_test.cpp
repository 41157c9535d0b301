// The attribute codecs: generic integers, octahedral normals, colours, and the writer's input checks.
#include "crt_test_util.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace crt;
using crttest::Failure;

TEST(CrtGeneric, DeltasAndFloatOutput)
{
    // Stored (1000, 0, -2000) at step 0.001 gives 1, 0, -2: each float the single-precision product.
    GenericAttr<int> a;
    a.components = 3;
    a.step = 0.001f;
    a.format = FLOAT;
    std::vector<int32_t> storage = {1000, 0, -2000, 7, 1, -1};
    a.buffer = storage.data();
    a.writeOutput(2);
    std::vector<float> f(6);
    std::memcpy(f.data(), storage.data(), 24);
    EXPECT_EQ(f, (std::vector<float>{1000 * 0.001f, 0.0f, -2000 * 0.001f, 7 * 0.001f, 0.001f, -0.001f}));
    EXPECT_FLOAT_EQ(f[0], 1.0f);
    a.format = INT32; // only float output is defined for the generic codec
    EXPECT_STREQ(Failure([&] { a.writeOutput(2); }), kUnsupportedFormat);

    // Vertex 1 from (0,0,0), vertex 2 from (1,0,0), vertex 3 from (2,1,0); stored 10, 1, 2, 3. Plain:
    // 10, 11, 13, 16. Parallelogram: 1 + 10 + 10 - 10 = 11, 2 + 11 + 10 - 10 = 13, 3 + 13 + 11 - 10 = 17.
    // A point set (no predictions) is a running sum per component, wrapping at 32 bits.
    struct Case {
        int N, strategy;
        std::vector<VertexPrediction> preds;
        std::vector<int32_t> stored, expected;
    };
    const std::vector<VertexPrediction> preds = {{}, {0, 0, 0}, {1, 0, 0}, {2, 1, 0}};
    const Case cases[] = {
        {1, 0, preds, {10, 1, 2, 3}, {10, 11, 13, 16}},
        {1, STRATEGY_PARALLELOGRAM, preds, {10, 1, 2, 3}, {10, 11, 13, 17}},
        {2, 0, {}, {INT32_MAX, 1, 1, 2, 5, 3}, {INT32_MAX, 1, INT32_MIN, 3, INT32_MIN + 5, 6}},
    };
    for (const Case& c : cases) {
        GenericAttr<int> g;
        g.components = c.N;
        g.strategy = c.strategy;
        std::vector<int32_t> v = c.stored;
        g.buffer = v.data();
        g.undoDeltas(uint32_t(v.size()) / uint32_t(c.N), c.preds);
        EXPECT_EQ(v, c.expected) << &c - cases;
    }
}

TEST(CrtNormal, OctahedralGrid)
{
    const auto unit = [](double x, double y, double z) {
        const double l = std::sqrt(x * x + y * y + z * z);
        return std::array<float, 3>{float(x / l), float(y / l), float(z / l)};
    };
    const std::tuple<int, int, std::array<float, 3>> cases[] = {
        {0, 0, {0, 0, 1}}, {512, 0, {1, 0, 0}}, {0, -512, {0, -1, 0}}, {300, 300, unit(212, 212, -88)},
        {0, 600, unit(88, 512, -88)}, // lower half with X exactly 0: fx = -(512 - 600)
        {-200, -400, unit(-112, -312, -88)},
    };
    for (const auto& [X, Y, expected] : cases) {
        const auto n = octaToNormal(X, Y, 512);
        for (size_t j = 0; j < 3; ++j)
            EXPECT_NEAR(n[j], expected[j], 1e-6) << X << "," << Y;
    }
    EXPECT_EQ(normalToOcta(0, 0, 1, 512), (std::pair{0, 0}));
    EXPECT_EQ(normalToOcta(1, 0, 0, 512), (std::pair{512, 0}));
    EXPECT_EQ(normalToOcta(0, -1, 0, 512), (std::pair{0, -512}));
    EXPECT_EQ(normalToOcta(0.25f, 0.25f, -0.5f, 512), (std::pair{384, 384})); // 1 - 0.25
    EXPECT_EQ(TruncToInt(NAN), INT32_MIN);
    EXPECT_EQ(TruncToInt(-3.9f), -3);
    EXPECT_TRUE(std::isfinite(octaToNormal(INT32_MIN, INT32_MIN, 512)[0])); // damaged values do not overflow
}

TEST(CrtNormal, EstimationNeedsBoundIntegerPositions)
{
    std::vector<uint32_t> idx = {0, 1, 2};
    const FaceIndex faces{.indices32 = idx.data(), .facesWritten = 1};
    std::vector<int32_t> pos = {0, 0, 0, 10, 0, 0, 0, 10, 0};
    std::vector<float> out(9);
    struct Case {
        const char* what;
        int codec, components; // codec 0: no position attribute
        bool bound;
        int format;
        const char* failure;
    };
    const Case cases[] = {
        {"no position", 0, 3, true, FLOAT, kNoPosition},
        {"position is a normal codec", CODEC_NORMAL, 3, true, FLOAT, kPositionOverloaded},
        {"position is a colour codec", CODEC_COLOR, 3, true, FLOAT, kPositionOverloaded},
        {"position not bound", CODEC_GENERIC, 3, false, FLOAT, kNoPositionValues},
        {"two-component positions", CODEC_GENERIC, 2, true, FLOAT, kNoPositionValues},
        {"unsupported output", CODEC_GENERIC, 3, true, UINT8, kNormalFormatEstimate},
        {"float output", CODEC_GENERIC, 3, true, FLOAT, nullptr},
    };
    for (const Case& c : cases) {
        AttributeMap attrs;
        if (c.codec == CODEC_NORMAL)
            attrs["position"] = std::make_unique<NormalAttr>();
        if (c.codec == CODEC_COLOR)
            attrs["position"] = std::make_unique<ColorAttr>();
        if (c.codec == CODEC_GENERIC)
            attrs["position"] = std::make_unique<GenericAttr<int>>();
        if (c.codec) {
            attrs["position"]->components = c.components;
            attrs["position"]->buffer = c.bound ? pos.data() : nullptr;
        }
        NormalAttr n;
        n.normalMode = ESTIMATE;
        n.step = 512;
        n.format = c.format;
        n.buffer = out.data();
        n.octaValues.assign(6, 0);
        EXPECT_STREQ(Failure([&] { n.finishDecode(3, 1, attrs, faces); }), c.failure) << c.what;
    }
    // The triangle in the z = 0 plane, seen from +z: every corner gets (0, 0, 1).
    EXPECT_EQ(out, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1}));
}

TEST(CrtColor, ChannelsRebuildRedGreenBlueAlpha)
{
    struct Case {
        int N;
        std::array<int, 4> steps;
        std::vector<uint8_t> channels;
        std::array<uint8_t, 4> expected; // also the float output times 255
    };
    const Case cases[] = {
        {4, {1, 1, 1, 1}, {100, 20, 236, 255}, {80, 100, 120, 255}}, // 236 + 100 wraps to 80
        {4, {4, 4, 4, 8}, {0, 0, 63, 31}, {252, 0, 0, 248}},         // red 63 at step 4
        {3, {2, 2, 2, 8}, {10, 5, 3}, {26, 20, 30, 255}}, // alpha full, not scaled by the unused fourth step
    };
    for (const Case& c : cases)
        for (int format : {FLOAT, UINT8, INT16}) {
            ColorAttr a;
            a.components = c.N;
            a.colorSteps = c.steps;
            a.format = format;
            std::vector<float> out(4, -1.0f);
            std::memcpy(out.data(), c.channels.data(), c.channels.size());
            a.buffer = out.data();
            EXPECT_STREQ(Failure([&] { a.writeOutput(1); }), format == INT16 ? kColorOutputFormat : nullptr);
            for (size_t j = 0; j < 4; ++j)
                if (format == FLOAT)
                    EXPECT_FLOAT_EQ(out[j], c.expected[j] / 255.0f) << c.N << " " << j;
                else if (format == UINT8)
                    EXPECT_EQ(reinterpret_cast<const uint8_t*>(out.data())[j], c.expected[j]) << c.N << " " << j;
        }
}

TEST(CrtWriterSide, InputFormatsAndSteps)
{
    const float f[6] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f}; // one vertex of any format
    const std::pair<AttributeInput, const char*> cases[] = {
        {{"normal", CODEC_NORMAL, 127, 3, UINT16, 0, f}, kNormalUnsigned},
        {{"normal", CODEC_NORMAL, 127, 3, DOUBLE, 0, f}, kNormalUnsigned},
        {{"color", CODEC_COLOR, 1, 3, INT16, 0, f}, kColorInputFormat},
        {{"color", CODEC_COLOR, 1, 3, FLOAT, 0, f, DIFF, {0, 1, 1, 1}}, kColorStep},
        {{"color", CODEC_COLOR, 1, 3, FLOAT, 0, f, DIFF, {1, 256, 1, 1}}, kColorStep},
        {{"generic", CODEC_GENERIC, 1, 3, 8, 0, f}, kUnsupportedFormat},
        {{"generic", CODEC_GENERIC, 1e-11f, 3, FLOAT, 0, f}, kValueRange}, // beyond 32 bits
    };
    for (const auto& [attribute, failure] : cases) {
        const MeshInput mesh{1, {}, {}, {}, {attribute}};
        EXPECT_STREQ(Failure([&] { EncodeMesh(mesh); }), failure) << attribute.name << " format " << attribute.format;
    }
}
