// Bit fields, entropy-coded byte arrays, the Tunstall dictionary, the integer blocks and the
// attribute codecs: generic integers, octahedral normals, colours.
#include "crt/normal_estimate.h"
#include "crt/output_stream.h"
#include "crt/tunstall.h"
#include "crt_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

using namespace crt;
using crttest::Failure;

namespace {

InputStream Over(const std::vector<uint8_t>& bytes, int entropy = ENTROPY_NONE)
{
    InputStream in;
    in.init(bytes.data(), int64_t(bytes.size()));
    in.entropy = entropy;
    return in;
}

// A Tunstall block (pairs, decoded length, word bytes) followed by the byte 0x42.
std::vector<uint8_t> Block(const std::vector<TunstallPair>& pairs, int32_t decoded, const std::vector<uint8_t>& words)
{
    OutputStream out;
    out.writeU8(uint8_t(pairs.size()));
    for (auto [symbol, probability] : pairs) {
        out.writeU8(symbol);
        out.writeU8(probability);
    }
    out.writeI32(decoded);
    out.writeU32(uint32_t(words.size()));
    out.bytes.insert(out.bytes.end(), words.begin(), words.end());
    out.writeU8(0x42);
    return out.bytes;
}

std::vector<std::string> Words(int wordBits, const std::vector<TunstallPair>& pairs)
{
    TunstallTable t;
    t.wordBits = wordBits;
    t.build(pairs);
    std::vector<std::string> words;
    for (size_t w = 0; w < size_t(t.words()); ++w)
        words.emplace_back(t.table.begin() + t.offsets[w], t.table.begin() + t.offsets[w] + t.lengths[w]);
    return words;
}

std::string A(size_t n, const char* tail = "") { return std::string(n, 'a') + tail; }

} // namespace

TEST(CrtBits, FieldsAcrossWordsAndPastTheBlock)
{
    // Two words 0000000F, F0000000, then one outside the block: a field across the words, nothing
    // past them (the example container has the padding and most significant bits first).
    const std::vector<uint8_t> bytes = {2, 0, 0, 0, 0x0F, 0, 0, 0, 0, 0, 0, 0xF0, 0xEF, 0xBE, 0xAD, 0xDE};
    BitReader bits = Over(bytes).readBitBlock();
    EXPECT_EQ(bits.read(28), 0u);
    EXPECT_EQ(bits.read(8), 0xFFu);
    EXPECT_STREQ(Failure([&] { bits.read(29); }), kCorrupt);
    // read(32) with nothing pending; a word count (0xF0000000) beyond the data.
    const std::vector<uint8_t> one = {1, 0, 0, 0, 0xEF, 0xBE, 0xAD, 0xDE}, huge(bytes.begin() + 8, bytes.end());
    EXPECT_EQ(Over(one).readBitBlock().read(32), 0xDEADBEEFu);
    EXPECT_STREQ(Failure([&] { Over(huge).readBitBlock(); }), kTruncated);
}

TEST(CrtByteArrays, RawAndTunstallBlocks)
{
    struct Case {
        int entropy;
        std::vector<uint8_t> block; // followed by 0x42 where the read succeeds
        std::string expected;
        const char* failure = nullptr;
        size_t maxLength = SIZE_MAX;
    };
    const int T = ENTROPY_TUNSTALL;
    const std::vector<TunstallPair> ab = {{'a', 255}, {'b', 0}};
    const Case cases[] = {
        {ENTROPY_NONE, {0, 0, 0, 0, 0x42}, ""},
        {ENTROPY_NONE, {3, 0, 0, 0, 'x', 'y', 'z', 0x42}, "", kCorrupt, 2}, // longer than allowed
        {ENTROPY_NONE, {2, 0, 0, 0, 1}, "", kTruncated},
        {2, {0, 0, 0, 0}, "", kUnknownEntropy},
        // One pair: decoded-length copies, whatever the word bytes hold; the words are skipped.
        {T, Block({{'x', 255}}, 5, {0xEE, 0xFF}), "xxxxx"},
        {T, Block({{1, 200}, {2, 55}}, 0, {1, 2, 3}), ""}, // decoded length 0: the words are still skipped
        // No symbols but bytes to produce, a negative length, two symbols without a word: damage.
        {T, Block({}, 4, {}), "", kCorrupt},
        {T, Block({{7, 255}}, -1, {}), "", kCorrupt},
        {T, Block({{1, 128}, {2, 127}}, 4, {}), "", kCorrupt},
        {T, {2, 1, 128, 2, 127, 4, 0, 0, 0, 9, 0, 0, 0, 0x42}, "", kTruncated}, // word bytes beyond the data
        // 256 words from (a 255, b 0): the chain start of r = 255 makes word 1 "ab" and word 254 the
        // run of 255 a. The last word gives only the missing bytes: 3 to 257 bytes, else damage.
        {T, Block(ab, 3, {1, 254}), "aba"},
        {T, Block(ab, 257, {1, 254}), "ab" + A(255)},
        {T, Block(ab, 2, {1, 254}), "", kCorrupt},
        {T, Block(ab, 258, {1, 254}), "", kCorrupt},
    };
    for (const Case& c : cases) {
        InputStream in = Over(c.block, c.entropy);
        std::vector<uint8_t> got;
        EXPECT_STREQ(Failure([&] { got = in.readByteArray(c.maxLength); }), c.failure) << &c - cases;
        if (!c.failure) {
            EXPECT_EQ(std::string(got.begin(), got.end()), c.expected) << &c - cases;
            EXPECT_EQ(in.readU8(), 0x42) << &c - cases; // positioned just past the array
        }
        EXPECT_TRUE(c.entropy != 2 || in.position == in.start); // refused before anything is consumed
    }
    // A repeated symbol costs no data, so callers that never need more cut it.
    const std::vector<uint8_t> many = Block({{'a', 255}}, 1000, {});
    EXPECT_EQ(Over(many, T).readByteArray(SIZE_MAX, 10).size(), 10u);
}

TEST(CrtTunstall, DictionaryConstruction)
{
    // Two symbols, 4 words, plain start: "a" expands into aa, ab and stops on the word limit with
    // its last child, so "a" stays and is expanded once more into a repeat of "aa", which the cut
    // drops. With 256 words the same happens: 257 entries cut to 256 distinct words.
    EXPECT_EQ(Words(2, {{'a', 128}, {'b', 127}}), (std::vector<std::string>{"a", "b", "aa", "ab"}));
    const std::vector<std::string> full = Words(8, {{'a', 128}, {'b', 127}});
    EXPECT_EQ(std::set<std::string>(full.begin(), full.end()).size(), 256u);

    // One symbol almost certain, the other never seen: the chain test runs to its limit of 31,
    // so the chain start gives b, ab, ..., a^29 b, then a^31, then a^30 b.
    std::vector<std::string> chain;
    for (size_t j = 0; j < 30; ++j)
        chain.push_back(A(j, "b"));
    chain.insert(chain.end(), {A(31), A(30, "b")});
    EXPECT_EQ(Words(5, {{'a', 255}, {'b', 0}}), chain);

    // Three symbols: the limit 31 / 2 = 15 is below 16, so a plain start. Expansion m turns a^m
    // into a^(m+1), a^m b, a^m c; the 14th ends on its last child at 31 words, so a^14 stays and
    // is expanded once more into a repeat of a^15, which the cut to 32 drops.
    std::vector<std::string> plain;
    for (size_t m = 0; m < 13; ++m)
        plain.insert(plain.end(), {A(m, "b"), A(m, "c")});
    plain.insert(plain.end(), {A(14), A(13, "b"), A(13, "c"), A(15), A(14, "b"), A(14, "c")});
    EXPECT_EQ(Words(5, {{'a', 255}, {'b', 0}, {'c', 0}}), plain);

    // Pairs no writer count would give (a 131, b 0) make a chain start of r = 17 followed by long
    // expansions: a byte table far beyond 8192 bytes, which simply grows and still decodes.
    TunstallTable dict;
    dict.build({{'a', 131}, {'b', 0}});
    ASSERT_GT(dict.table.size(), 8192u);
    std::vector<uint8_t> text(3000);
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = (i * 7919) % 13 < 7 ? 'a' : 'b';
    const std::vector<uint8_t> block = Block({{'a', 131}, {'b', 0}}, 3000, TunstallCompress(dict, text.data(), 3000));
    EXPECT_EQ(Over(block, ENTROPY_TUNSTALL).readByteArray(), text);
}

TEST(CrtIntegers, MappingsAndWidths)
{
    // Eight values of width 3 holding t = 0..7, then their bit-length array.
    const std::vector<uint8_t> bytes = {1, 0, 0, 0, 0x00, 0x77, 0x39, 0x05, 8, 0, 0, 0, 3, 3, 3, 3, 3, 3, 3, 3};
    std::vector<int32_t> v(8);
    EXPECT_EQ(Over(bytes).readSignedValues(v.data(), 1, 8), 8u);
    EXPECT_EQ(v, (std::vector<int32_t>{-4, -5, -6, -7, 4, 5, 6, 7}));
    EXPECT_EQ(Over(bytes).readSharedValues(v.data(), 1, 8), 8u);
    EXPECT_EQ(v, (std::vector<int32_t>{-4, -3, -2, -1, 0, 1, 2, 3}));
    // More entries than the vertex count, or a width above 32, is damage.
    EXPECT_STREQ(Failure([&] { Over(bytes).readSignedValues(v.data(), 1, 7); }), kCorrupt);
    std::vector<uint8_t> wide = bytes;
    wide[12] = 33;
    EXPECT_STREQ(Failure([&] { Over(wide).readSharedValues(v.data(), 1, 8); }), kCorrupt);

    // Widths up to 32 (the shared bias of 2^31 included), per component and shared.
    const std::vector<int32_t> x = {0, 1, -1, INT32_MIN, INT32_MAX, -2, 2, 127, -128, 1 << 30, INT32_MIN + 1, -7};
    for (bool shared : {false, true}) {
        OutputStream out;
        shared ? out.writeSharedValues(x.data(), 2, 6) : out.writeSignedValues(x.data(), 2, 6);
        std::vector<int32_t> got(x.size());
        InputStream in = Over(out.bytes, ENTROPY_TUNSTALL);
        EXPECT_EQ(shared ? in.readSharedValues(got.data(), 2, 6) : in.readSignedValues(got.data(), 2, 6), 6u);
        EXPECT_EQ(got, x) << shared;
        EXPECT_EQ(in.position, in.end);
    }
}

TEST(CrtCodecs, GenericDeltas)
{
    // Vertex 1 from (0,0,0), vertex 2 from (1,0,0), vertex 3 from (2,1,0); stored 10, 1, 2, 3. Plain:
    // 10, 11, 13, 16. Parallelogram: 1 + 10 + 10 - 10 = 11, 2 + 11 + 10 - 10 = 13, 3 + 13 + 11 - 10 = 17.
    // A point set (no predictions) is a running sum per component, wrapping at 32 bits.
    const std::vector<VertexPrediction> p = {{}, {0, 0, 0}, {1, 0, 0}, {2, 1, 0}};
    const std::tuple<int, int, std::vector<VertexPrediction>, std::vector<int32_t>, std::vector<int32_t>> cases[] = {
        {1, 0, p, {10, 1, 2, 3}, {10, 11, 13, 16}},
        {1, STRATEGY_PARALLELOGRAM, p, {10, 1, 2, 3}, {10, 11, 13, 17}},
        {2, 0, {}, {INT32_MAX, 1, 1, 2, 5, 3}, {INT32_MAX, 1, INT32_MIN, 3, INT32_MIN + 5, 6}},
    };
    GenericAttr<int> g;
    for (auto [N, strategy, predictions, values, expected] : cases) {
        g.components = N;
        g.strategy = strategy;
        g.buffer = values.data();
        g.undoDeltas(uint32_t(values.size()) / uint32_t(N), predictions);
        EXPECT_EQ(values, expected) << N << " " << strategy;
    }
}

TEST(CrtCodecs, OctahedralGrid)
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
    EXPECT_EQ(normalToOcta(0.25f, 0.25f, -0.5f, 512), (std::pair{384, 384})); // 1 - 0.25
    EXPECT_EQ(normalToOcta(-0.3f, 0.1f, 0.6f, 512), (std::pair{-153, 51}));    // truncated toward zero
    EXPECT_EQ(normalToOcta(0, 0, 0, 512), (std::pair{INT32_MIN, INT32_MIN})); // NaN truncates like the processor
    EXPECT_TRUE(std::isfinite(octaToNormal(INT32_MIN, INT32_MIN, 512)[0])); // damaged values do not overflow
}

TEST(CrtCodecs, EstimatedNormalsTakeTheSameBitsOnBothPaths)
{
    // Random faces (repeated and degenerate corners included) over positions on a small grid and
    // on one wide enough that the float differences round; 32-bit and 16-bit index arrays, and
    // decoded ones, which are not checked again.
    std::mt19937 rng(7);
    for (int32_t range : {15, 1 << 26}) {
        const uint32_t V = 61, F = 200;
        std::vector<int32_t> P(3 * V);
        for (int32_t& p : P)
            p = int32_t(rng() % uint32_t(2 * range + 1)) - range;
        std::vector<uint32_t> idx(3 * F);
        for (uint32_t& i : idx)
            i = rng() % (V - 1); // the last vertex is in no face: its sum stays zero
        const std::vector<uint16_t> idx16(idx.begin(), idx.end());
        for (int variant = 0; variant < 3; ++variant) { // 32-bit ids, 16-bit ids, decoded ids
            const bool narrow = variant == 1;
            FaceIndex faces;
            faces.indices32 = narrow ? nullptr : idx.data();
            faces.indices16 = narrow ? const_cast<uint16_t*>(idx16.data()) : nullptr;
            faces.facesWritten = F;
            faces.idsDecoded = variant == 2; // checked as decoded: not checked again
            std::vector<NormalSum> fast(V), plain(V);
            std::vector<int> fastFlags(V), plainFlags(V);
            EstimateNormals(P.data(), V, faces, F, fast.data(), fastFlags.data());
            EstimateNormals(P.data(), V, faces, F, plain.data(), plainFlags.data(), true);
            EXPECT_EQ(std::memcmp(fast.data(), plain.data(), V * sizeof(NormalSum)), 0) << range;
            EXPECT_EQ(fastFlags, plainFlags);
            for (const NormalSum& n : plain) {
                float a[3], b[3];
                StoreUnitNormal(a, n);
                StoreUnitNormalPortable(b, n);
                EXPECT_EQ(std::memcmp(a, b, sizeof a), 0) << n.x << " " << n.y << " " << n.z;
            }
        }
    }
    // Border flags: a closed tetrahedron has none; without one face, that face's corners are on
    // the border and the apex is not. Ids out of range are damage.
    const std::vector<int32_t> corners = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::vector<uint32_t> tetra = {0, 2, 1, 0, 1, 3, 1, 2, 3, 2, 0, 3};
    FaceIndex faces;
    faces.indices32 = tetra.data();
    std::vector<NormalSum> sums(4);
    std::vector<int> flags(4);
    EstimateNormals(corners.data(), 4, faces, 4, sums.data(), flags.data());
    EXPECT_EQ(flags, (std::vector<int>{0, 0, 0, 0}));
    EstimateNormals(corners.data(), 4, faces, 3, sums.data(), flags.data());
    EXPECT_TRUE(flags[1] == 0 && flags[0] != 0 && flags[2] != 0 && flags[3] != 0); // face 2, 0, 3 left out
    tetra[5] = 4;
    EXPECT_STREQ(Failure([&] { EstimateNormals(corners.data(), 4, faces, 4, sums.data(), nullptr); }), kCorrupt);
}

TEST(CrtCodecs, ColorChannelsRebuildRedGreenBlueAlpha)
{
    // Channel count, steps, stored channels, rebuilt bytes (the output is these over 255).
    const std::tuple<int, std::array<int, 4>, std::vector<uint8_t>, std::array<uint8_t, 4>> cases[] = {
        {4, {1, 1, 1, 1}, {100, 20, 236, 255}, {80, 100, 120, 255}}, // 236 + 100 wraps to 80
        {4, {4, 4, 4, 8}, {0, 0, 63, 31}, {252, 0, 0, 248}},         // red 63 at step 4
        {3, {2, 2, 2, 8}, {10, 5, 3}, {26, 20, 30, 255}}, // alpha full, not scaled by the unused fourth step
    };
    for (const auto& [N, steps, channels, expected] : cases) {
        ColorAttr a;
        a.components = N;
        a.colorSteps = steps;
        a.format = FLOAT;
        std::vector<float> out(4, -1.0f);
        std::memcpy(out.data(), channels.data(), channels.size());
        a.buffer = out.data();
        a.writeOutput(1);
        for (size_t j = 0; j < 4; ++j)
            EXPECT_FLOAT_EQ(out[j], expected[j] / 255.0f) << N << " " << j;
    }
}
