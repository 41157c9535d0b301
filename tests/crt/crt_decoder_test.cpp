// The decoder: connectivity from hand-written operation streams (and its refusal of damaged ones),
// the container header, the order of the body's streams, the exported functions' contract, damaged
// containers and decoders on several threads at once.
// Operation codes: 0 new vertex, 1 left, 2 right, 3 close, 4 border, 5 defer, 6 old vertex.
#include "crt_example.h"
#include "crt/output_stream.h"
#include "crt_test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>
#include <tuple>

using namespace crt;
using namespace crttest;

// Heap allocations made by this thread while it counts them. ThreadSanitizer's runtime defines
// the global allocation functions itself, so there they are not replaced and nothing is counted.
#define COUNTS_ALLOCATIONS 1
#if defined(__SANITIZE_THREAD__)
#undef COUNTS_ALLOCATIONS
#define COUNTS_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#undef COUNTS_ALLOCATIONS
#define COUNTS_ALLOCATIONS 0
#endif
#endif
thread_local bool tCounting = false;
thread_local int tAllocations = 0;

#if COUNTS_ALLOCATIONS
// Every form that pairs with one of these is replaced, so that no block crosses allocators.
void* operator new(std::size_t size)
{
    if (tCounting)
        ++tAllocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (tCounting)
        ++tAllocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept { return operator new(size, nothrow); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#endif

namespace {

using Ids = std::vector<uint32_t>;

struct Descriptor {
    std::string name;
    uint32_t codec = CODEC_GENERIC;
    float step = 1.0f;
    uint8_t components = 3, format = FLOAT, strategy = 0;
};

// A container without entropy coding, for layouts the writer would never produce.
struct RawContainer {
    std::vector<Descriptor> descriptors{};
    int32_t descriptorCount = -1; // -1: the number of descriptors
    uint32_t nvert = 0, nface = 0;
    std::vector<uint32_t> groupEnds;
    std::vector<uint8_t> ops;
    std::vector<uint32_t> bitWords;
    std::function<void(OutputStream&)> streams{}; // attribute streams, in name order

    std::vector<uint8_t> bytes() const
    {
        OutputStream out;
        out.entropy = ENTROPY_NONE;
        out.writeU32(kMagic);
        out.writeU32(0);
        out.writeU8(ENTROPY_NONE);
        out.writeU32(0); // no metadata
        out.writeI32(descriptorCount >= 0 ? descriptorCount : int32_t(descriptors.size()));
        for (const Descriptor& d : descriptors) {
            out.writeString(d.name);
            out.writeU32(d.codec);
            out.writeF32(d.step);
            for (uint8_t b : {d.components, d.format, d.strategy})
                out.writeU8(b);
        }
        for (uint32_t n : {nvert, nface, uint32_t(groupEnds.size())})
            out.writeU32(n);
        for (uint32_t e : groupEnds) {
            out.writeU32(e);
            out.writeU8(0);
        }
        if (nface > 0) {
            out.writeU32(16); // max_front
            out.writeByteArray(ops);
            out.writeBitBlock(bitWords);
        }
        if (streams)
            streams(out);
        return out.bytes;
    }
};

RawContainer Mesh(uint32_t nvert, uint32_t nface, std::vector<uint8_t> ops, Ids groups = {},
                  std::vector<std::pair<uint32_t, int>> bits = {})
{
    BitWriter w;
    for (auto [value, width] : bits)
        w.write(value, width);
    return {.nvert = nvert, .nface = nface, .groupEnds = groups.empty() ? Ids{nface} : groups, .ops = ops,
            .bitWords = w.finish()};
}

// One triangle with the given attributes, whose streams the test writes.
RawContainer Triangle(std::vector<Descriptor> descriptors, std::function<void(OutputStream&)> streams)
{
    RawContainer c = Mesh(3, 1, {0});
    c.descriptors = descriptors;
    c.streams = streams;
    return c;
}

void Generic(OutputStream& out, std::vector<int32_t> values, int N)
{
    out.writeSignedValues(values.data(), N, uint32_t(values.size()) / uint32_t(N));
}

} // namespace

TEST(CrtTopology, OperationStreams)
{
    const uint32_t X = 0xffffffff;
    struct Case {
        const char* what;
        RawContainer c;
        Ids indices;
        std::vector<std::pair<uint32_t, VertexPrediction>> predictions; // of some vertices
        const char* failure = nullptr;
    };
    const Case cases[] = {
        {"single triangle; any code but 6 starts plainly", Mesh(3, 1, {4}), {0, 1, 2},
         {{0, {X, X, X}}, {1, {0, 0, 0}}, {2, {1, 1, 1}}}},
        {"two triangles: edge 0 is (1 -> 2, opposite 0)", Mesh(4, 2, {0, 0}), {0, 1, 2, 2, 1, 3}, {{3, {2, 1, 0}}}},
        {"defer and border write nothing; edge 0 comes back from the stack", Mesh(4, 2, {0, 5, 4, 4, 0}),
         {0, 1, 2, 2, 1, 3}, {}},
        // New vertex 3 across edge 0, left closing on edge 2, close; the three deleted edges left
        // in the order list take no operation, so the last one starts a new piece.
        {"tetrahedron", Mesh(7, 5, {0, 0, 1, 3, 0}), {0, 1, 2, 2, 1, 3, 3, 1, 0, 3, 0, 2, 4, 5, 6}, {{4, {3, 3, 3}}}},
        {"right closes on the next edge", Mesh(3, 2, {0, 2}), {0, 1, 2, 2, 1, 0}, {}},
        {"flags 5: corners 0 and 2 old (2 and 0), corner 1 numbered anew",
         Mesh(4, 2, {0, 4, 4, 4, 6}, {}, {{5, 3}, {2, 3}, {0, 3}}), {0, 1, 2, 2, 3, 0}, {{3, {2, 2, 2}}}},
        {"old vertex across an edge of a second piece", Mesh(6, 3, {0, 4, 4, 4, 0, 6}, {}, {{1, 3}}),
         {0, 1, 2, 3, 4, 5, 5, 4, 1}, {}},
        {"group 2 continues the cursor and the numbering: flags 1, corner 0 is old vertex 1",
         Mesh(5, 2, {0, 6}, {1, 2}, {{1, 3}, {1, 3}}), {0, 1, 2, 1, 3, 4}, {{3, {2, 2, 2}}, {4, {3, 3, 3}}}},
        {"code 7", Mesh(4, 2, {0, 7}), {}, {}, kTopologyFailed},
        {"code 255 at a start", Mesh(3, 1, {255}), {}, {}, kTopologyFailed},
        {"operations run out", Mesh(4, 2, {0}), {}, {}, kTopologyFailed},
        {"endless deferral", Mesh(4, 2, {0, 5, 5, 5, 5}), {}, {}, kTopologyFailed},
        {"more vertices than nvert", Mesh(3, 2, {0, 0}), {}, {}, kTopologyFailed},
        {"old vertex not yet numbered", Mesh(4, 2, {0, 6}, {}, {{3, 3}}), {}, {}, kTopologyFailed},
        {"flagged corner of the first piece", Mesh(3, 1, {6}, {}, {{1, 3}, {0, 2}}), {}, {}, kTopologyFailed},
        {"vertex bits run out", Mesh(4, 2, {0, 6}), {}, {}, kCorrupt},
        {"group beyond nface", Mesh(3, 1, {0}, {2}), {}, {}, kCorrupt},
        {"groups going back", Mesh(4, 2, {0, 0}, {2, 1}), {}, {}, kCorrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> bytes = c.c.bytes();
        Ids indices(3 * size_t(c.c.nface), X);
        Decoder d;
        const char* failure = Failure([&] {
            d.readHeader(bytes.data(), int64_t(bytes.size()));
            d.faceIndex.indices32 = indices.data();
            d.decode();
        });
        EXPECT_STREQ(failure, c.failure);
        if (failure)
            continue;
        EXPECT_EQ(indices, c.indices);
        EXPECT_EQ(d.vertex_count, *std::max_element(indices.begin(), indices.end()) + 1);
        for (const auto& [v, w] : c.predictions) {
            ASSERT_LT(v, d.faceIndex.predictions.size());
            const VertexPrediction& p = d.faceIndex.predictions[v];
            EXPECT_EQ(std::tie(p.a, p.b, p.c), std::tie(w.a, w.b, w.c)) << "vertex " << v;
        }
    }
    const std::pair<uint32_t, int> splits[] = {{0, 1}, {1, 1}, {2, 2}, {4, 3}, {1000, 10}, {0xffffffff, 32}};
    for (auto [nvert, bits] : splits)
        EXPECT_EQ(SplitBits(nvert), bits) << nvert;
}

TEST(CrtContainer, ExampleAndHeader)
{
    const std::vector<uint8_t> example(kExampleContainer, kExampleContainer + sizeof kExampleContainer);
    Decoded d;
    ASSERT_EQ(DecodeAll(example, d), nullptr);
    EXPECT_EQ(std::vector<float>(d.info, d.info + 2), (std::vector<float>{1, 3})); // faces first
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(d.indices, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(d.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1.5f, 0}));
    // Any reserved bytes; no other magic; no negative length.
    std::vector<uint8_t> bytes = example;
    std::fill(bytes.begin() + 4, bytes.begin() + 8, 0xFF);
    EXPECT_EQ(DecodeAll(bytes, d), nullptr);
    for (size_t i = 0; i < 4; ++i) {
        bytes = example;
        bytes[i] ^= 0x10;
        EXPECT_STREQ(DecodeAll(bytes, d), kNotCrtFile) << i;
    }
    EXPECT_STREQ(Failure([&] { CreateDecoder(-5, example.data(), d.info); }), kNotCrtFile);

    // A negative attribute count means none.
    RawContainer c = Triangle({}, nullptr);
    c.descriptorCount = -3;
    ASSERT_EQ(DecodeAll(c.bytes(), d), nullptr);
    EXPECT_EQ(d.indices, (std::vector<uint32_t>{0, 1, 2}));
}

TEST(CrtContainer, StreamsFollowByteWiseNameOrder)
{
    // Declared uv, position, Position, extra, color; stored Position, color, extra, position, uv.
    // "extra" and "Position" have no caller array but must still be consumed.
    RawContainer c = Triangle({{"uv", CODEC_GENERIC, 0.5f, 2}, {"position"}, {"Position", CODEC_GENERIC, 1, 1},
                               {"extra", CODEC_GENERIC, 1, 2}, {"color", CODEC_COLOR, 1, 3}},
                              [](OutputStream& out) {
                                  Generic(out, {5, 6, 7}, 1);
                                  const uint8_t steps[3] = {1, 1, 1}, channels[9] = {10};
                                  out.bytes.insert(out.bytes.end(), steps, steps + 3);
                                  out.writeSignedValues(channels, 3, 3);
                                  Generic(out, {1, 2, 3, 4, 5, 6}, 2);
                                  Generic(out, {1, 2, 3, 1, 1, 1, 1, 1, 1}, 3);
                                  Generic(out, {2, 4, 0, 2, 0, 2}, 2);
                              });
    Decoded d;
    ASSERT_EQ(DecodeAll(c.bytes(), d), nullptr);
    EXPECT_EQ(d.positions, (std::vector<float>{1, 2, 3, 2, 3, 4, 3, 4, 5}));
    EXPECT_EQ(d.uvs, (std::vector<float>{1, 2, 1, 3, 1, 4}));
    const float g = 10 / 255.0f; // green of vertex 0, predicted for vertex 2 from vertex 1
    EXPECT_EQ(std::vector<float>(d.colors.begin(), d.colors.begin() + 4), (std::vector<float>{g, g, g, 1}));
    EXPECT_EQ(d.colors[4 * 2 + 1], g);
}

TEST(CrtContainer, AttributesThatDoNotFitTheCallerArraysOrTheEstimateAreRefused)
{
    const std::pair<std::vector<Descriptor>, const char*> cases[] = {
        {{{"position", CODEC_GENERIC, 1, 4}}, kOutputTooSmall}, {{{"position", CODEC_GENERIC, 1, 2}}, nullptr},
        {{{"position", CODEC_COLOR, 1, 3}}, kOutputTooSmall},   {{{"uv", CODEC_GENERIC, 1, 3}}, kOutputTooSmall},
        {{{"uv", CODEC_NORMAL, 512, 3}}, kOutputTooSmall},      {{{"normal", CODEC_GENERIC, 1, 7}}, kOutputTooSmall},
        {{{"color", CODEC_GENERIC, 1, 4}}, nullptr},            {{{"color", CODEC_COLOR, 1, 5}}, kColorChannels},
        {{{"other", CODEC_COLOR, 1, 2}}, kColorChannels},
        {{{"other", CODEC_GENERIC, 1, 200}}, nullptr}, // never bound, only consumed
        // Normals estimated from the geometry need 3-component generic positions.
        {{{"normal", CODEC_NORMAL, 512}, {"nothing"}}, kNoPosition},
        {{{"normal", CODEC_NORMAL, 512}, {"position", CODEC_NORMAL, 512}}, kPositionOverloaded},
        {{{"normal", CODEC_NORMAL, 512}, {"position", CODEC_GENERIC, 1, 2}}, kNoPositionValues},
        {{{"normal", CODEC_NORMAL, 512}, {"position"}}, nullptr},
    };
    for (const auto& [descriptors, failure] : cases) {
        // Sections in name order: normals estimated without corrections; generic values (at least 2
        // per vertex) for the triangle (0, 0, 0), (10, 0, 0), (10, 10, 0); nothing for colours, which
        // fail first.
        const std::vector<Descriptor> attributes = descriptors;
        const RawContainer c = Triangle(attributes, [attributes](OutputStream& out) {
            for (const Descriptor& a : attributes) {
                std::vector<int32_t> v(3 * size_t(a.components));
                if (a.codec == CODEC_NORMAL) {
                    out.writeU8(ESTIMATE);
                    out.writeSharedValues(v.data(), 2, 3);
                } else if (a.codec == CODEC_GENERIC) {
                    v[a.components] = v[2 * a.components + 1] = 10;
                    Generic(out, v, a.components);
                }
            }
        });
        Decoded d;
        EXPECT_STREQ(DecodeAll(c.bytes(), d), failure) << attributes.back().name << int(attributes.back().components);
        if (!failure && attributes[0].codec == CODEC_NORMAL) { // the triangle in the z = 0 plane, seen from +z
            EXPECT_EQ(d.normals, (std::vector<float>{0, 0, 1, 0, 0, 1, 0, 0, 1}));
        }
    }
}

TEST(CrtContainer, CallerMistakesAndRepeatedDecoding)
{
    // Estimated normals need the positions: with a null position array decoding fails cleanly;
    // with a null normal array the estimate is skipped altogether. A second decode finds the body spent.
    const float pos[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0}, nrm[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
    const std::vector<uint8_t> bytes = EncodeMesh({3, {0, 1, 2}, {}, {},
                                                   {{"position", CODEC_GENERIC, 0.01f, 3, FLOAT, 0, pos},
                                                    {"normal", CODEC_NORMAL, 255, 3, FLOAT, 0, nrm, ESTIMATE}}})
                                           .bytes;
    const auto decode = [&](bool positions, bool normals, bool indices, int32_t length) {
        float info[2], p[9], n[9] = {};
        uint32_t idx[3];
        void* d = nullptr;
        const char* m = Failure([&] {
            d = CreateDecoder(length, bytes.data(), info);
            DecodeMesh(d, positions ? p : nullptr, indices ? idx : nullptr, normals ? n : nullptr, nullptr, nullptr);
            if (normals && n[2] != 1.0f)
                throw "wrong normal";
            DecodeMesh(d, p, idx, n, nullptr, nullptr);
        });
        DestroyDecoder(d);
        return m;
    };
    const int32_t size = int32_t(bytes.size());
    EXPECT_STREQ(decode(true, true, true, size), kTruncated);
    EXPECT_STREQ(decode(false, false, true, size), kTruncated);
    EXPECT_STREQ(decode(false, true, true, size), kNoPositionValues);
    EXPECT_STREQ(decode(true, true, false, size), kNoIndexArray);

    // Four billion vertices claimed, one triangle stored, nothing but the indices bound: the
    // decoder keeps per-vertex state only for the vertices it numbers or a caller array holds.
    RawContainer c = Triangle({{"normal", CODEC_NORMAL, 255}, {"weight", CODEC_GENERIC, 1, 1}}, [](OutputStream& out) {
        out.writeU8(ESTIMATE);
        out.writeSharedValues(static_cast<const int32_t*>(nullptr), 2, 0);
        out.writeSignedValues(static_cast<const int32_t*>(nullptr), 1, 0);
    });
    c.nvert = 0xffffffff;
    const std::vector<uint8_t> huge = c.bytes();
    float info[2];
    uint32_t indices[3] = {};
    void* d = CreateDecoder(int32_t(huge.size()), huge.data(), info);
    EXPECT_EQ(info[1], float(0xffffffffu));
    EXPECT_EQ(DecodeMesh(d, nullptr, indices, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(indices[2], 2u);
    DestroyDecoder(d);
}

// Damaged containers: cut at every length and with every single bit flipped. Each decode either
// succeeds or raises one of the library's constant messages; the sanitizers catch any access
// outside the container (held in a buffer of exactly its length) or the caller's arrays.
TEST(CrtCorruption, TruncationsFailAndBitFlipsDecodeOrFailCleanly)
{
    size_t decoded = 0, failed = 0;
    const auto seeds = SeedContainers();
    for (size_t s = 0; s < seeds.size(); ++s) {
        const std::vector<uint8_t>& seed = seeds[s];
        Decoded d;
        ASSERT_EQ(DecodeAll(seed, d), nullptr) << "seed " << s;
        for (size_t L = 0; L < seed.size(); ++L) {
            const char* m = DecodeAll({seed.begin(), seed.begin() + long(L)}, d, 1 << 20);
            ASSERT_TRUE(IsLibraryMessage(m)) << "seed " << s << " cut at " << L << ": " << (m ? m : "decoded");
        }
        for (size_t i = 0; i < 8 * seed.size(); ++i) {
            std::vector<uint8_t> bytes = seed;
            bytes[i / 8] ^= uint8_t(1 << (i % 8));
            // No arrays when damaged counts ask for more than a million values ("too large").
            const char* m = DecodeAll(bytes, d, 1 << 20);
            decoded += !m;
            failed += IsLibraryMessage(m);
            ASSERT_TRUE(!m || IsLibraryMessage(m) || std::string(m) == "too large")
                << "seed " << s << " bit " << i << ": " << m;
        }
    }
    // Both outcomes occur: flips in value bits decode, flips in structure fail.
    EXPECT_GT(decoded, 0u);
    EXPECT_GT(failed, 0u);
}

// One container decoded by four threads at once, each with its own decoder and working memory:
// every thread gets exactly the single-threaded result, also after its workspace has grown for
// a larger mesh and shrunk back to a smaller one. Runs under ThreadSanitizer in the tsan preset.
TEST(CrtThreads, FourDecodersAtOnceMatchOneAlone)
{
    const Config cfg{ENTROPY_TUNSTALL, STRATEGY_PARALLELOGRAM, true, ESTIMATE_BORDER, 4, UINT8};
    const std::vector<uint8_t> small = Encode(Sheet("tube", 20, 12, false), cfg).bytes;
    const std::vector<uint8_t> large = Encode(Sheet("torus", 90, 60, true), cfg).bytes;
    Decoded wantSmall, wantLarge;
    ASSERT_EQ(DecodeAll(small, wantSmall), nullptr);
    ASSERT_EQ(DecodeAll(large, wantLarge), nullptr);
    const auto same = [](const Decoded& a, const Decoded& b) {
        return a.indices == b.indices && a.positions == b.positions && a.colors == b.colors && a.uvs == b.uvs &&
               std::memcmp(a.normals.data(), b.normals.data(), 4 * a.normals.size()) == 0; // NaNs compare too
    };
    int matches[4] = {0, 0, 0, 0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            // Small, large, small again: the second small decode reuses the grown workspace.
            for (int round = 0; round < 3; ++round) {
                const bool big = round == 1;
                Decoded got;
                if (!DecodeAll(big ? large : small, got) && same(got, big ? wantLarge : wantSmall))
                    ++matches[t];
            }
        });
    for (std::thread& t : threads)
        t.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(matches[t], 3) << "thread " << t;
}

// The working memory of a decode is the thread's own and kept: a later decode on the thread,
// with a new decoder, allocates nothing but that decoder's list of face groups.
TEST(CrtThreads, ALaterDecodeOnTheThreadAllocatesOnlyItsGroupList)
{
    if (!COUNTS_ALLOCATIONS)
        GTEST_SKIP() << "allocations are not counted under ThreadSanitizer";
    const Config cfg{ENTROPY_TUNSTALL, STRATEGY_PARALLELOGRAM, true, ESTIMATE_BORDER, 4, UINT8};
    const std::vector<uint8_t> bytes = Encode(Sheet("torus", 40, 30, true), cfg).bytes;
    Decoded first, later;
    ASSERT_EQ(DecodeAll(bytes, first), nullptr);
    void* decoder = CreateDecoder(int32_t(bytes.size()), bytes.data(), later.info);
    later.indices.assign(first.indices.size(), 0);
    later.positions.assign(first.positions.size(), 0);
    later.normals.assign(first.normals.size(), 0);
    later.colors.assign(first.colors.size(), 0);
    tAllocations = 0;
    tCounting = true;
    const int32_t result = DecodeMesh(decoder, later.positions.data(), later.indices.data(), later.normals.data(),
                                      later.colors.data(), nullptr);
    tCounting = false;
    DestroyDecoder(decoder);
    EXPECT_EQ(result, first.result);
    EXPECT_EQ(later.indices, first.indices);
    EXPECT_LE(tAllocations, 1);
}
