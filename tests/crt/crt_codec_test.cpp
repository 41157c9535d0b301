// The attribute codecs: generic integers, octahedral normals, colours.
#include "crt_test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace crt;

namespace {

const char* Failure(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const char* m) {
        return m;
    }
    return nullptr;
}

std::vector<float> AsFloats(const std::vector<int32_t>& storage)
{
    std::vector<float> f(storage.size());
    std::memcpy(f.data(), storage.data(), 4 * f.size());
    return f;
}

std::array<float, 3> Normalized(double x, double y, double z)
{
    const double l = std::sqrt(x * x + y * y + z * z);
    return {float(x / l), float(y / l), float(z / l)};
}

} // namespace

TEST(CrtGeneric, FloatOutputIsTheSinglePrecisionProduct)
{
    GenericAttr<int> a;
    a.components = 3;
    a.step = 0.001f;
    a.format = FLOAT;
    std::vector<int32_t> storage = {1000, 0, -2000, 7, 1, -1};
    a.buffer = storage.data();
    a.writeOutput(2);
    EXPECT_EQ(AsFloats(storage),
              (std::vector<float>{1000 * 0.001f, 0.0f, -2000 * 0.001f, 7 * 0.001f, 0.001f, -0.001f}));
    EXPECT_FLOAT_EQ(AsFloats(storage)[0], 1.0f);
    a.format = INT32; // only float output is defined for the generic codec
    EXPECT_STREQ(Failure([&] { a.writeOutput(2); }), kUnsupportedFormat);
}

TEST(CrtGeneric, UndoDeltasFollowsThePredictionRecords)
{
    // Vertex 1 from (0,0,0), vertex 2 from (1,0,0), vertex 3 from (2,1,0), one component.
    const std::vector<VertexPrediction> preds = {{0xffffffff, 0xffffffff, 0xffffffff}, {0, 0, 0}, {1, 0, 0}, {2, 1, 0}};
    struct Case {
        int strategy;
        std::vector<int32_t> expected;
    };
    // Stored 10, 1, 2, 3. Plain: 10, 11, 13, 16. Parallelogram: 11 = 1 + 10 + 10 - 10;
    // 2 + 11 + 10 - 10 = 13; 3 + 13 + 11 - 10 = 17.
    for (const Case& c : {Case{0, {10, 11, 13, 16}}, Case{STRATEGY_PARALLELOGRAM, {10, 11, 13, 17}}}) {
        GenericAttr<int> a;
        a.components = 1;
        a.strategy = c.strategy;
        std::vector<int32_t> v = {10, 1, 2, 3};
        a.buffer = v.data();
        a.undoDeltas(4, preds);
        EXPECT_EQ(v, c.expected) << c.strategy;
    }
    // Point set: a running sum per component; 32-bit values wrap.
    GenericAttr<int> p;
    p.components = 2;
    std::vector<int32_t> v = {INT32_MAX, 1, 1, 2, 5, 3};
    p.buffer = v.data();
    p.undoDeltas(3, {});
    EXPECT_EQ(v, (std::vector<int32_t>{INT32_MAX, 1, INT32_MIN, 3, INT32_MIN + 5, 6}));
    // Byte values wrap at 8 bits.
    GenericAttr<unsigned char> b;
    b.components = 1;
    std::vector<uint8_t> bytes = {250, 10};
    b.buffer = bytes.data();
    b.undoDeltas(2, {{}, {0, 0, 0}});
    EXPECT_EQ(bytes[1], 4);
}

TEST(CrtNormal, OctahedralExamples)
{
    struct Case {
        int X, Y;
        std::array<float, 3> expected;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 1}},
        {512, 0, {1, 0, 0}},
        {0, -512, {0, -1, 0}},
        {300, 300, Normalized(212, 212, -88)},
        // Lower half with X exactly 0 takes the negative branch: fx = -(512 - 600) = 88.
        {0, 600, Normalized(88, 512, -88)},
        {-200, -400, Normalized(-112, -312, -88)},
    };
    for (const Case& c : cases) {
        const auto n = octaToNormal(c.X, c.Y, 512);
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(n[size_t(j)], c.expected[size_t(j)], 1e-6) << c.X << "," << c.Y;
    }
    EXPECT_EQ(normalToOcta(0, 0, 1, 512), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(normalToOcta(1, 0, 0, 512), (std::pair<int, int>{512, 0}));
    EXPECT_EQ(normalToOcta(0, -1, 0, 512), (std::pair<int, int>{0, -512}));
    EXPECT_EQ(normalToOcta(0.25f, 0.25f, -0.5f, 512), (std::pair<int, int>{384, 384})); // 1 - 0.25
    EXPECT_EQ(TruncToInt(NAN), INT32_MIN);
    EXPECT_EQ(TruncToInt(-3.9f), -3);
    // Damaged grid values do not overflow.
    const auto far = octaToNormal(INT32_MIN, INT32_MIN, 512);
    EXPECT_TRUE(std::isfinite(far[0]));
}

TEST(CrtNormal, DiffModeUndoAndOutput)
{
    NormalAttr n;
    n.step = 512.0f;
    n.format = FLOAT;
    n.octaValues = {512, 0, -512, 0, -256, -256};
    std::vector<float> out(9);
    n.buffer = out.data();
    n.undoDeltas(3, {{}, {0, 0, 0}, {0, 0, 0}}); // vertex 1 and 2 add vertex 0, never parallelogram
    EXPECT_EQ(n.octaValues, (std::vector<int>{512, 0, 0, 0, 256, -256}));
    n.writeOutput(3);
    const float expected[9] = {1, 0, 0, 0, 0, 1, float(std::sqrt(0.5)), -float(std::sqrt(0.5)), 0};
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(out[size_t(i)], expected[i], 1e-7) << i;
    n.format = UINT8;
    EXPECT_STREQ(Failure([&] { n.writeOutput(3); }), kNormalFormatDiff);
    // Point set: running sum over the pairs.
    NormalAttr p;
    p.octaValues = {1, 2, 3, 4, 5, 6};
    p.buffer = out.data();
    p.undoDeltas(3, {});
    EXPECT_EQ(p.octaValues, (std::vector<int>{1, 2, 4, 6, 9, 12}));
}

TEST(CrtNormal, EstimationNeedsIntegerPositions)
{
    FaceIndex faces;
    std::vector<uint32_t> idx = {0, 1, 2};
    faces.indices32 = idx.data();
    faces.facesWritten = 1;
    std::vector<float> out(9);
    auto normal = [&] {
        auto n = std::make_unique<NormalAttr>();
        n->normalMode = ESTIMATE;
        n->step = 512;
        n->format = FLOAT;
        n->buffer = out.data();
        n->octaValues.assign(6, 0);
        return n;
    };
    std::vector<int32_t> pos = {0, 0, 0, 10, 0, 0, 0, 10, 0};
    struct Case {
        const char* what;
        int positionCodec; // 0: none
        int components;
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
        if (c.positionCodec == CODEC_GENERIC)
            attrs["position"] = std::make_unique<GenericAttr<int>>();
        else if (c.positionCodec == CODEC_NORMAL)
            attrs["position"] = std::make_unique<NormalAttr>();
        else if (c.positionCodec == CODEC_COLOR)
            attrs["position"] = std::make_unique<ColorAttr>();
        if (c.positionCodec) {
            attrs["position"]->components = c.components;
            attrs["position"]->buffer = c.bound ? pos.data() : nullptr;
        }
        auto n = normal();
        n->format = c.format;
        EXPECT_STREQ(Failure([&] { n->finishDecode(3, 1, attrs, faces); }), c.failure) << c.what;
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
        std::array<float, 4> expected;
        std::array<uint8_t, 4> expected8;
    };
    const Case cases[] = {
        // 236 + 100 wraps to 80.
        {4, {1, 1, 1, 1}, {100, 20, 236, 255}, {80 / 255.0f, 100 / 255.0f, 120 / 255.0f, 1.0f}, {80, 100, 120, 255}},
        // Red 63 at step 4 is 252.
        {4, {4, 4, 4, 8}, {0, 0, 63, 31}, {252 / 255.0f, 0, 0, 248 / 255.0f}, {252, 0, 0, 248}},
        // Three channels: alpha is full, not scaled by the unused fourth step.
        {3, {2, 2, 2, 8}, {10, 5, 3}, {26 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1.0f}, {26, 20, 30, 255}},
    };
    for (const Case& c : cases) {
        for (int format : {FLOAT, UINT8}) {
            ColorAttr a;
            a.components = c.N;
            a.colorSteps = c.steps;
            a.format = format;
            std::vector<float> out(4, -1.0f);
            std::memcpy(out.data(), c.channels.data(), c.channels.size());
            a.buffer = out.data();
            a.writeOutput(1);
            if (format == FLOAT) {
                for (int j = 0; j < 4; ++j)
                    EXPECT_FLOAT_EQ(out[size_t(j)], c.expected[size_t(j)]) << c.N << " " << j;
            } else {
                EXPECT_EQ(0, std::memcmp(out.data(), c.expected8.data(), 4)) << c.N;
            }
        }
    }
    ColorAttr bad;
    bad.components = 4;
    bad.format = INT16;
    std::vector<float> out(4);
    bad.buffer = out.data();
    EXPECT_STREQ(Failure([&] { bad.writeOutput(1); }), kColorOutputFormat);
}

TEST(CrtColor, StreamsAreReadWhetherOrNotBound)
{
    OutputStream s;
    s.entropy = ENTROPY_NONE;
    for (int step : {2, 3, 4, 5})
        s.writeU8(uint8_t(step));
    const std::vector<uint8_t> channels = {1, 2, 3, 4, 5, 6, 7, 8};
    s.writeSignedValues(channels.data(), 4, 2);
    s.writeU8(0x42);
    for (bool bound : {false, true}) {
        InputStream in;
        in.init(s.bytes.data(), int64_t(s.bytes.size()));
        in.entropy = ENTROPY_NONE;
        ColorAttr a;
        a.components = 4;
        std::vector<float> out(8);
        a.buffer = bound ? out.data() : nullptr;
        a.readStreams(2, in);
        EXPECT_EQ(a.colorSteps, (std::array<int, 4>{2, 3, 4, 5}));
        EXPECT_EQ(in.readU8(), 0x42);
        if (bound) {
            EXPECT_EQ(0, std::memcmp(out.data(), channels.data(), 8));
        }
    }
    // Channel counts other than 3 or 4 cannot be rebuilt.
    for (int N : {0, 1, 2, 5, 255}) {
        InputStream in;
        in.init(s.bytes.data(), int64_t(s.bytes.size()));
        ColorAttr a;
        a.components = N;
        EXPECT_STREQ(Failure([&] { a.readStreams(2, in); }), kColorChannels) << N;
    }
}

TEST(CrtWriterSide, InputFormatsAndSteps)
{
    const float f[6] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};
    struct Case {
        const char* what;
        std::function<void()> fn;
        const char* failure;
    };
    const Case cases[] = {
        {"normal from uint16", [&] { NormalAttr n; n.format = UINT16; n.quantizeInput(1, f); }, kNormalUnsigned},
        {"normal from double", [&] { NormalAttr n; n.format = DOUBLE; n.quantizeInput(1, f); }, kNormalUnsigned},
        {"colour from int16", [&] { ColorAttr c; c.components = 3; c.format = INT16; c.quantizeInput(1, f); }, kColorInputFormat},
        {"colour step 0", [&] { ColorAttr c; c.components = 3; c.format = FLOAT; c.colorSteps = {0, 1, 1, 1}; c.quantizeInput(1, f); }, kColorStep},
        {"colour step 256", [&] { ColorAttr c; c.components = 3; c.format = FLOAT; c.colorSteps = {1, 256, 1, 1}; c.quantizeInput(1, f); }, kColorStep},
        {"generic format 8", [&] { GenericAttr<int> g; g.components = 2; g.format = 8; g.quantizeInput(1, f); }, kUnsupportedFormat},
        {"value beyond 32 bits", [&] { GenericAttr<int> g; g.components = 1; g.format = FLOAT; g.step = 1e-11f; g.quantizeInput(1, f); }, kValueRange},
        {"generic rounds to nearest", [&] {
             GenericAttr<int> g; g.components = 3; g.format = FLOAT; g.step = 0.25f; g.quantizeInput(2, f);
             if (g.values != std::vector<int>{0, 1, 1, 2, 2, 2}) throw "wrong";
         }, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(Failure(c.fn), c.failure) << c.what;
}
