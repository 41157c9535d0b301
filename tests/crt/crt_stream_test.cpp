// Bit fields, entropy-coded byte arrays, the Tunstall dictionary and the integer blocks.
#include "crt/output_stream.h"
#include "crt/stream.h"
#include "crt/tunstall.h"
#include "crt_test_util.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace crt;

namespace {

InputStream Over(const std::vector<uint8_t>& bytes, int entropy = ENTROPY_NONE)
{
    InputStream in;
    in.init(bytes.data(), int64_t(bytes.size()));
    in.entropy = entropy;
    return in;
}

std::vector<uint8_t> Le(std::initializer_list<uint32_t> words)
{
    OutputStream out;
    for (uint32_t w : words)
        out.writeU32(w);
    return out.bytes;
}

const char* Failure(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const char* m) {
        return m;
    }
    return nullptr;
}

std::string Word(const TunstallTable& t, int w)
{
    return std::string(t.table.begin() + t.offsets[size_t(w)], t.table.begin() + t.offsets[size_t(w)] + t.lengths[size_t(w)]);
}

} // namespace

TEST(CrtBits, FieldsAreTakenMostSignificantFirstAcrossWords)
{
    // W = 3 words, read as (width, expected) in order.
    const std::vector<uint8_t> bytes = Le({3, 0x8C000000, 0x0000000F, 0xF0000000, 0xDEADBEEF});
    InputStream in = Over(bytes);
    BitReader bits = in.readBitBlock();
    EXPECT_EQ(in.position, bytes.data() + 16);
    const std::pair<int, uint32_t> reads[] = {{2, 2}, {2, 0}, {2, 3}, {26, 0}, {28, 0}, {8, 0xFF}, {28, 0}};
    for (auto [n, expected] : reads)
        EXPECT_EQ(bits.read(n), expected) << n;
    EXPECT_STREQ(Failure([&] { bits.read(1); }), kCorrupt); // the block has no fourth word

    const std::vector<uint8_t> whole = Le({1, 0xDEADBEEF});
    InputStream in2 = Over(whole);
    BitReader b2 = in2.readBitBlock();
    EXPECT_EQ(b2.read(32), 0xDEADBEEFu); // read(32) with nothing pending
}

TEST(CrtBits, WriterAndReaderAgreeOnEveryWidth)
{
    std::mt19937 rng(7);
    std::vector<std::pair<int, uint32_t>> fields;
    BitWriter w;
    for (int i = 0; i < 2000; ++i) {
        const int n = 1 + int(rng() % 32);
        const uint32_t v = n == 32 ? rng() : rng() & ((1u << n) - 1);
        fields.emplace_back(n, v);
        w.write(v, n);
    }
    OutputStream out;
    out.writeBitBlock(w.finish());
    InputStream in = Over(out.bytes);
    BitReader bits = in.readBitBlock();
    for (auto [n, v] : fields)
        ASSERT_EQ(bits.read(n), v);
}

TEST(CrtBits, BlockHeaderPadsFromTheContainerStart)
{
    // One byte, then an empty block: its header ends at 5 and the padding reaches 8.
    std::vector<uint8_t> bytes = {0xAA, 0, 0, 0, 0, 1, 2, 3, 9};
    InputStream in = Over(bytes);
    in.readU8();
    BitReader bits = in.readBitBlock();
    EXPECT_EQ(bits.wordCount, 0u);
    EXPECT_EQ(in.position - in.start, 8);
    // A word count beyond the data is refused before anything is read from it.
    const std::vector<uint8_t> big = Le({5, 1, 2});
    InputStream in3 = Over(big);
    EXPECT_STREQ(Failure([&] { in3.readBitBlock(); }), kTruncated);
}

TEST(CrtByteArrays, RawArrays)
{
    const std::vector<uint8_t> bytes = {0, 0, 0, 0, 3, 0, 0, 0, 7, 8, 9, 2, 0, 0, 0, 1};
    InputStream in = Over(bytes);
    EXPECT_TRUE(in.readByteArray().empty());
    EXPECT_EQ(in.readByteArray(), (std::vector<uint8_t>{7, 8, 9}));
    EXPECT_STREQ(Failure([&] { in.readByteArray(); }), kTruncated); // claims 2, holds 1
    InputStream in2 = Over(bytes);
    in2.readByteArray();
    EXPECT_STREQ(Failure([&] { in2.readByteArray(2); }), kCorrupt); // longer than allowed
}

TEST(CrtByteArrays, UnknownEntropyConsumesNothing)
{
    const std::vector<uint8_t> bytes = {0, 0, 0, 0};
    InputStream in = Over(bytes, 2);
    EXPECT_STREQ(Failure([&] { in.readByteArray(); }), kUnknownEntropy);
    EXPECT_EQ(in.position, bytes.data());
}

TEST(CrtByteArrays, TunstallBlocksOfZeroOrOneSymbol)
{
    struct Case {
        std::vector<uint8_t> block;
        std::vector<uint8_t> expected;
        const char* failure;
    };
    const Case cases[] = {
        // One pair: decoded-length copies, whatever the word bytes hold; the words are skipped.
        {{1, 7, 255, 5, 0, 0, 0, 2, 0, 0, 0, 0xEE, 0xFF, 0x42}, {7, 7, 7, 7, 7}, nullptr},
        // Decoded length 0: empty, and the 3 word bytes are still skipped.
        {{2, 1, 200, 2, 55, 0, 0, 0, 0, 3, 0, 0, 0, 1, 2, 3, 0x42}, {}, nullptr},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0x42}, {}, nullptr},
        // No symbols but bytes to produce, or a negative length: damage.
        {{0, 4, 0, 0, 0, 0, 0, 0, 0, 0x42}, {}, kCorrupt},
        {{1, 7, 255, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x42}, {}, kCorrupt},
        // Two symbols need at least one word.
        {{2, 1, 128, 2, 127, 4, 0, 0, 0, 0, 0, 0, 0, 0x42}, {}, kCorrupt},
        // Word bytes beyond the data.
        {{2, 1, 128, 2, 127, 4, 0, 0, 0, 9, 0, 0, 0, 0x42}, {}, kTruncated},
    };
    for (const Case& c : cases) {
        InputStream in = Over(c.block, ENTROPY_TUNSTALL);
        std::vector<uint8_t> got;
        EXPECT_STREQ(Failure([&] { got = in.readByteArray(); }), c.failure);
        if (!c.failure) {
            EXPECT_EQ(got, c.expected);
            EXPECT_EQ(in.readU8(), 0x42); // positioned just past the word bytes
        }
    }
    // A repeated symbol can be cut by callers that never need more.
    const std::vector<uint8_t> many = {1, 3, 255, 0xE8, 0x03, 0, 0, 0, 0, 0, 0};
    InputStream in = Over(many, ENTROPY_TUNSTALL);
    EXPECT_EQ(in.readByteArray(SIZE_MAX, 10).size(), 10u);
}

TEST(CrtTunstall, FourWordPlainStartEndsWithTheRepeatedChildCut)
{
    // Two symbols a (128) and b (127), 4 words: "a" is expanded into aa, ab; that expansion
    // stops on the word limit, so "a" stays and is expanded once more into a repeat of "aa",
    // which the cut to 4 words drops.
    TunstallTable t;
    t.wordBits = 2;
    t.build({{'a', 128}, {'b', 127}});
    ASSERT_EQ(t.words(), 4);
    EXPECT_EQ(Word(t, 0), "a");
    EXPECT_EQ(Word(t, 1), "b");
    EXPECT_EQ(Word(t, 2), "aa");
    EXPECT_EQ(Word(t, 3), "ab");
    EXPECT_EQ(t.offsets, (std::vector<int>{0, 1, 2, 4}));
}

TEST(CrtTunstall, ChainAndPlainStartsOf32Words)
{
    // One symbol almost certain, the other never seen: the chain test runs to its limit of 31,
    // so the dictionary is b, ab, aab, ..., a^29 b, then a^31, then a^30 b (id order).
    TunstallTable chain;
    chain.wordBits = 5;
    chain.build({{'a', 255}, {'b', 0}});
    ASSERT_EQ(chain.words(), 32);
    for (int j = 0; j < 30; ++j)
        EXPECT_EQ(Word(chain, j), std::string(size_t(j), 'a') + "b");
    EXPECT_EQ(Word(chain, 30), std::string(31, 'a'));
    EXPECT_EQ(Word(chain, 31), std::string(30, 'a') + "b");

    // With three symbols the limit is 31 / 2 = 15 < 16: plain start. Expansion m turns a^m into
    // a^(m+1), a^m b, a^m c. The 14th ends on its last child exactly at 31 words, so a^14 stays and
    // is expanded once more into a repeat of a^15, which the cut to 32 drops.
    TunstallTable plain;
    plain.wordBits = 5;
    plain.build({{'a', 255}, {'b', 0}, {'c', 0}});
    ASSERT_EQ(plain.words(), 32);
    for (int m = 0; m < 13; ++m) {
        EXPECT_EQ(Word(plain, 2 * m), std::string(size_t(m), 'a') + "b");
        EXPECT_EQ(Word(plain, 2 * m + 1), std::string(size_t(m), 'a') + "c");
    }
    const std::string tail[] = {std::string(14, 'a'), std::string(13, 'a') + "b", std::string(13, 'a') + "c",
                                std::string(15, 'a'), std::string(14, 'a') + "b", std::string(14, 'a') + "c"};
    for (int w = 26; w < 32; ++w)
        EXPECT_EQ(Word(plain, w), tail[w - 26]) << w;
}

TEST(CrtTunstall, LastWordGivesOnlyTheMissingBytes)
{
    // 256 words from (a 255, b 0): the chain start of r = 255 makes word 1 "ab" and word 254 the
    // run of 255 a. The words 1 and 254 can spell 3 to 257 bytes; other lengths are damage.
    struct Case {
        int32_t decoded;
        const char* failure;
    };
    for (const Case c : {Case{5, nullptr}, Case{3, nullptr}, Case{257, nullptr}, Case{2, kCorrupt}, Case{258, kCorrupt}}) {
        OutputStream block;
        for (int b : {2, int('a'), 255, int('b'), 0})
            block.writeU8(uint8_t(b));
        block.writeI32(c.decoded);
        block.writeU32(2);
        block.writeU8(1);
        block.writeU8(254);
        InputStream in = Over(block.bytes, ENTROPY_TUNSTALL);
        std::vector<uint8_t> got;
        EXPECT_STREQ(Failure([&] { got = in.readByteArray(); }), c.failure) << c.decoded;
        if (!c.failure) {
            EXPECT_EQ(std::string(got.begin(), got.end()), "ab" + std::string(size_t(c.decoded - 2), 'a'));
        }
    }
}

TEST(CrtTunstall, CompressorRoundTripsEveryDistribution)
{
    std::mt19937 rng(11);
    for (int trial = 0; trial < 60; ++trial) {
        const int symbols = 2 + trial % 34;
        const double skew = 0.3 + (trial % 7) * 0.1;
        std::vector<uint8_t> data(size_t(1 + rng() % 3000));
        for (uint8_t& b : data) {
            int s = 0;
            while (s + 1 < symbols && std::uniform_real_distribution<double>(0, 1)(rng) > skew)
                ++s;
            b = uint8_t(s * 7 % 256);
        }
        for (int entropy : {ENTROPY_NONE, ENTROPY_TUNSTALL}) {
            OutputStream out;
            out.entropy = entropy;
            out.writeByteArray(data);
            out.writeU8(0x42);
            InputStream in = Over(out.bytes, entropy);
            ASSERT_EQ(in.readByteArray(), data) << trial;
            EXPECT_EQ(in.readU8(), 0x42);
        }
    }
}

TEST(CrtTunstall, DictionariesBeyond8192BytesStillDecode)
{
    // Stored pairs no writer count would give (a 131, b 0) make a chain start of r = 17 followed
    // by long expansions: a byte table far beyond 8192 bytes, which simply grows.
    TunstallTable dict;
    dict.build({{'a', 131}, {'b', 0}});
    ASSERT_GT(dict.table.size(), 8192u);
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += (i * 7919) % 13 < 7 ? 'a' : 'b';
    const std::vector<uint8_t> data(text.begin(), text.end());
    const std::vector<uint8_t> code = TunstallCompress(dict, data.data(), data.size());
    OutputStream block;
    for (int b : {2, int('a'), 131, int('b'), 0})
        block.writeU8(uint8_t(b));
    block.writeI32(int32_t(data.size()));
    block.writeU32(uint32_t(code.size()));
    block.bytes.insert(block.bytes.end(), code.begin(), code.end());
    InputStream in = Over(block.bytes, ENTROPY_TUNSTALL);
    EXPECT_EQ(in.readByteArray(), data);
}

TEST(CrtIntegers, WidthThreeMappings)
{
    // Eight values of width 3 holding t = 0..7, then their bit-length array.
    const std::vector<uint8_t> bytes = {1, 0, 0, 0, 0x00, 0x77, 0x39, 0x05, 8, 0, 0, 0, 3, 3, 3, 3, 3, 3, 3, 3};
    int32_t values[8];
    InputStream in = Over(bytes);
    EXPECT_EQ(in.readSignedValues(values, 1, 8), 8u);
    EXPECT_EQ(std::vector<int32_t>(values, values + 8), (std::vector<int32_t>{-4, -5, -6, -7, 4, 5, 6, 7}));
    InputStream in2 = Over(bytes);
    EXPECT_EQ(in2.readSharedValues(values, 1, 8), 8u);
    EXPECT_EQ(std::vector<int32_t>(values, values + 8), (std::vector<int32_t>{-4, -3, -2, -1, 0, 1, 2, 3}));
    // More entries than the vertex count, or a width above 32, is damage.
    InputStream in3 = Over(bytes);
    EXPECT_STREQ(Failure([&] { in3.readSignedValues(values, 1, 7); }), kCorrupt);
    std::vector<uint8_t> wide = bytes;
    wide[12] = 33;
    InputStream in4 = Over(wide);
    EXPECT_STREQ(Failure([&] { in4.readSharedValues(values, 1, 8); }), kCorrupt);
}

TEST(CrtIntegers, WriterAndReaderAgreeIncludingExtremes)
{
    std::mt19937 rng(3);
    for (int N = 1; N <= 4; ++N)
        for (bool shared : {false, true})
            for (int entropy : {ENTROPY_NONE, ENTROPY_TUNSTALL}) {
                std::vector<int32_t> v = {0, 1, -1, INT32_MIN, INT32_MAX, -2, 2, 127, -128, 1 << 30};
                for (int i = 0; i < 400; ++i)
                    v.push_back(int32_t(rng()) >> (rng() % 32));
                v.resize(v.size() / size_t(N) * size_t(N));
                const uint32_t count = uint32_t(v.size()) / uint32_t(N);
                std::vector<uint8_t> bytes8(v.begin(), v.end());
                OutputStream out;
                out.entropy = entropy;
                if (shared) {
                    out.writeSharedValues(v.data(), N, count);
                    out.writeSharedValues(bytes8.data(), N, count);
                } else {
                    out.writeSignedValues(v.data(), N, count);
                    out.writeSignedValues(bytes8.data(), N, count);
                }
                const size_t end = out.bytes.size();
                std::vector<int32_t> got(v.size());
                std::vector<uint8_t> got8(v.size());
                InputStream in = Over(out.bytes, entropy);
                if (shared) {
                    EXPECT_EQ(in.readSharedValues(got.data(), N, count), count);
                    EXPECT_EQ(in.readSharedValues(got8.data(), N, count), count);
                } else {
                    EXPECT_EQ(in.readSignedValues(got.data(), N, count), count);
                    EXPECT_EQ(in.readSignedValues(got8.data(), N, count), count);
                }
                EXPECT_EQ(got, v) << N << shared;
                EXPECT_EQ(got8, bytes8);
                // Unbound: the same bytes are consumed.
                InputStream skip = Over(out.bytes, entropy);
                if (shared) {
                    skip.readSharedValues(static_cast<int32_t*>(nullptr), N, count);
                    skip.readSharedValues(static_cast<uint8_t*>(nullptr), N, count);
                } else {
                    skip.readSignedValues(static_cast<int32_t*>(nullptr), N, count);
                    skip.readSignedValues(static_cast<uint8_t*>(nullptr), N, count);
                }
                EXPECT_EQ(size_t(skip.position - skip.start), end);
            }
}
