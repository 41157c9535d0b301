// Connectivity decoding from hand-written operation streams, and its refusal of damaged ones.
// Operation codes: 0 new vertex, 1 left, 2 right, 3 close, 4 border, 5 defer, 6 old vertex.
#include "crt_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace crt;
using crttest::RawContainer;

namespace {

using Ids = std::vector<uint32_t>;

RawContainer Mesh(uint32_t nvert, uint32_t nface, std::vector<uint8_t> ops, Ids groups = {},
                  std::vector<std::pair<uint32_t, int>> bits = {})
{
    BitWriter w;
    for (auto [value, width] : bits)
        w.write(value, width);
    return {.nvert = nvert, .nface = nface, .groupEnds = groups.empty() ? Ids{nface} : groups, .ops = ops,
            .bitWords = w.finish()};
}

// Decodes with the C++ decoder into 32-bit indices (or the 16-bit array when given) and nothing else.
Decoder Decode(const std::vector<uint8_t>& bytes, Ids& indices, std::vector<uint16_t>* narrow = nullptr)
{
    Decoder d;
    d.readHeader(bytes.data(), int64_t(bytes.size()));
    indices.assign(size_t(d.nface) * 3, 0xdeadbeef);
    d.faceIndex.indices32 = indices.data();
    if (narrow) {
        narrow->assign(indices.size(), 0);
        d.faceIndex.indices16 = narrow->data();
    }
    d.decode();
    return d;
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
        Ids indices;
        if (c.failure) {
            EXPECT_STREQ(crttest::Failure([&] { Decode(c.c.bytes(), indices); }), c.failure);
            continue;
        }
        const Decoder d = Decode(c.c.bytes(), indices);
        EXPECT_EQ(indices, c.indices);
        EXPECT_EQ(d.vertex_count, *std::max_element(indices.begin(), indices.end()) + 1);
        for (const auto& [v, w] : c.predictions) {
            const VertexPrediction& p = d.faceIndex.predictions.at(v);
            EXPECT_EQ(std::tie(p.a, p.b, p.c), std::tie(w.a, w.b, w.c)) << "vertex " << v;
        }
    }
    const std::pair<uint32_t, int> splits[] = {{0, 1}, {1, 1}, {2, 2}, {4, 3}, {1000, 10}, {0xffffffff, 32}};
    for (auto [nvert, bits] : splits)
        EXPECT_EQ(SplitBits(nvert), bits) << nvert;
}

TEST(CrtTopology, SixteenBitIndicesKeepTheLowBits)
{
    // A strip of 70000 vertices: every operation adds one.
    const std::vector<uint8_t> strip = Mesh(70000, 69998, std::vector<uint8_t>(69998, 0)).bytes();
    Ids wide, unused;
    std::vector<uint16_t> narrow;
    Decode(strip, wide);
    Decode(strip, unused, &narrow);
    ASSERT_GT(*std::max_element(wide.begin(), wide.end()), 65535u);
    for (size_t i = 0; i < wide.size(); ++i)
        ASSERT_EQ(narrow[i], wide[i] & 0xffff) << i;
}
