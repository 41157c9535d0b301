// Connectivity decoding from hand-written operation streams.
#include "crt_test_util.h"

#include <gtest/gtest.h>

using namespace crt;
using crttest::DecodeTopology;
using crttest::RawContainer;

namespace {

using Ids = std::vector<uint32_t>;

RawContainer Mesh(uint32_t nvert, uint32_t nface, std::vector<uint8_t> ops, std::vector<uint32_t> groups = {})
{
    RawContainer c;
    c.nvert = nvert;
    c.nface = nface;
    c.ops = std::move(ops);
    c.groupEnds = groups.empty() ? std::vector<uint32_t>{nface} : std::move(groups);
    return c;
}

std::vector<uint32_t> Bits(std::initializer_list<std::pair<uint32_t, int>> fields)
{
    BitWriter w;
    for (auto [v, n] : fields)
        w.write(v, n);
    return w.finish();
}

bool Same(const VertexPrediction& p, uint32_t a, uint32_t b, uint32_t c)
{
    return p.a == a && p.b == b && p.c == c;
}

const char* Failure(const RawContainer& c)
{
    try {
        DecodeTopology(c.bytes());
    } catch (const char* m) {
        return m;
    }
    return nullptr;
}

} // namespace

TEST(CrtTopology, SplitBits)
{
    const std::pair<uint32_t, int> cases[] = {{0, 1}, {1, 1}, {2, 2}, {4, 3}, {1000, 10}, {0xffffffff, 32}};
    for (auto [nvert, bits] : cases)
        EXPECT_EQ(SplitBits(nvert), bits) << nvert;
}

TEST(CrtTopology, SingleTriangle)
{
    const auto t = DecodeTopology(Mesh(3, 1, {TOPO_BOUNDARY}).bytes()); // any code but 6 starts plainly
    EXPECT_EQ(t.indices, (Ids{0, 1, 2}));
    EXPECT_TRUE(Same(t.predictions[0], 0xffffffff, 0xffffffff, 0xffffffff));
    EXPECT_TRUE(Same(t.predictions[1], 0, 0, 0));
    EXPECT_TRUE(Same(t.predictions[2], 1, 1, 1));
}

TEST(CrtTopology, TwoTrianglesShareAnEdge)
{
    // Front edge 0 is (1 -> 2, opposite 0): a new vertex across it gives the triangle 2, 1, 3.
    const auto t = DecodeTopology(Mesh(4, 2, {TOPO_NEW_VERTEX, TOPO_NEW_VERTEX}).bytes());
    EXPECT_EQ(t.indices, (Ids{0, 1, 2, 2, 1, 3}));
    EXPECT_TRUE(Same(t.predictions[3], 2, 1, 0));
}

TEST(CrtTopology, DeferAndBoundaryConsumeOperationsButWriteNothing)
{
    // Edge 0 is postponed, edges 1 and 2 are border; then edge 0 comes back from the stack.
    const auto t = DecodeTopology(
        Mesh(4, 2, {TOPO_NEW_VERTEX, TOPO_DEFER, TOPO_BOUNDARY, TOPO_BOUNDARY, TOPO_NEW_VERTEX}).bytes());
    EXPECT_EQ(t.indices, (Ids{0, 1, 2, 2, 1, 3}));
}

TEST(CrtTopology, ClosingATetrahedronSkipsDeletedEdges)
{
    // New vertex 3 across edge 0, then left (closing on edge 2) and close; the three deleted
    // edges left in the order list take no operation, so the last one starts a new component.
    const auto t = DecodeTopology(
        Mesh(7, 5, {TOPO_NEW_VERTEX, TOPO_NEW_VERTEX, TOPO_LEFT, TOPO_CLOSE, TOPO_NEW_VERTEX}).bytes());
    EXPECT_EQ(t.indices, (Ids{0, 1, 2, 2, 1, 3, 3, 1, 0, 3, 0, 2, 4, 5, 6}));
    EXPECT_TRUE(Same(t.predictions[4], 3, 3, 3)); // a component start predicts from the last vertex
}

TEST(CrtTopology, RightClosesOnTheNextEdge)
{
    // Edge 0 (1 -> 2) with its next edge (2 -> 0): the triangle 2, 1, 0 reuses vertex 0.
    const auto t = DecodeTopology(Mesh(3, 2, {TOPO_NEW_VERTEX, TOPO_RIGHT}).bytes());
    EXPECT_EQ(t.indices, (Ids{0, 1, 2, 2, 1, 0}));
}

TEST(CrtTopology, ComponentStartWithFlagsReadsOldCorners)
{
    // First piece 0, 1, 2 with three border edges; then flags 5 (corners 0 and 2 old: 2 and 0),
    // corner 1 numbered anew as 3 and predicted from vertex 2.
    RawContainer c = Mesh(4, 2, {TOPO_NEW_VERTEX, TOPO_BOUNDARY, TOPO_BOUNDARY, TOPO_BOUNDARY, TOPO_OLD_VERTEX});
    c.bitWords = Bits({{5, 3}, {2, 3}, {0, 3}});
    const auto t = DecodeTopology(c.bytes());
    EXPECT_EQ(t.indices, (Ids{0, 1, 2, 2, 3, 0}));
    EXPECT_TRUE(Same(t.predictions[3], 2, 2, 2));
    EXPECT_EQ(t.vertexCount, 4u);
}

TEST(CrtTopology, OldVertexAcrossAnEdge)
{
    // Two pieces, then an edge of the second closes on vertex 1 of the first.
    RawContainer c = Mesh(6, 3, {TOPO_NEW_VERTEX, TOPO_BOUNDARY, TOPO_BOUNDARY, TOPO_BOUNDARY, TOPO_NEW_VERTEX,
                                 TOPO_OLD_VERTEX});
    c.bitWords = Bits({{1, 3}});
    const auto t = DecodeTopology(c.bytes());
    EXPECT_EQ(t.indices, (Ids{0, 1, 2, 3, 4, 5, 5, 4, 1}));
}

TEST(CrtTopology, GroupsContinueTheCursorAndTheNumbering)
{
    // Group 2 starts a new front but reads the operation after group 1's: flags 1, corner 0 is
    // old vertex 1, the other corners become 3 and 4.
    RawContainer c = Mesh(5, 2, {TOPO_NEW_VERTEX, TOPO_OLD_VERTEX}, {1, 2});
    c.bitWords = Bits({{1, 3}, {1, 3}});
    const auto t = DecodeTopology(c.bytes());
    EXPECT_EQ(t.indices, (Ids{0, 1, 2, 1, 3, 4}));
    EXPECT_TRUE(Same(t.predictions[3], 2, 2, 2));
    EXPECT_TRUE(Same(t.predictions[4], 3, 3, 3));
}

TEST(CrtTopology, SixteenBitIndicesKeepTheLowBits)
{
    // A strip of 70000 vertices: every operation adds one.
    const uint32_t nvert = 70000, nface = nvert - 2;
    const std::vector<uint8_t> bytes = Mesh(nvert, nface, std::vector<uint8_t>(nface, TOPO_NEW_VERTEX)).bytes();
    const auto wide = DecodeTopology(bytes);
    Decoder d;
    d.readHeader(bytes.data(), int64_t(bytes.size()));
    std::vector<uint16_t> narrow(3 * size_t(nface));
    d.faceIndex.indices16 = narrow.data();
    d.decode();
    ASSERT_GT(*std::max_element(wide.indices.begin(), wide.indices.end()), 65535u);
    for (size_t i = 0; i < narrow.size(); ++i)
        ASSERT_EQ(narrow[i], wide.indices[i] & 0xffff) << i;
}

TEST(CrtTopology, DamagedStreamsFail)
{
    struct Case {
        const char* what;
        RawContainer c;
        std::vector<uint32_t> bits;
        const char* failure;
    };
    const Case cases[] = {
        {"code 7", Mesh(4, 2, {TOPO_NEW_VERTEX, 7}), {}, kTopologyFailed},
        {"code 255 at a start", Mesh(3, 1, {255}), {}, kTopologyFailed},
        {"operations run out", Mesh(4, 2, {TOPO_NEW_VERTEX}), {}, kTopologyFailed},
        {"endless deferral", Mesh(4, 2, {TOPO_NEW_VERTEX, TOPO_DEFER, TOPO_DEFER, TOPO_DEFER, TOPO_DEFER}), {},
         kTopologyFailed},
        {"more vertices than nvert", Mesh(3, 2, {TOPO_NEW_VERTEX, TOPO_NEW_VERTEX}), {}, kTopologyFailed},
        {"old vertex not yet numbered", Mesh(4, 2, {TOPO_NEW_VERTEX, TOPO_OLD_VERTEX}), {3}, kTopologyFailed},
        {"flagged corner of the first piece", Mesh(3, 1, {TOPO_OLD_VERTEX}), {1, 0}, kTopologyFailed},
        {"vertex bits run out", Mesh(4, 2, {TOPO_NEW_VERTEX, TOPO_OLD_VERTEX}), {}, kCorrupt},
        {"group beyond nface", Mesh(3, 1, {TOPO_NEW_VERTEX}, {2}), {}, kCorrupt},
        {"groups going back", Mesh(4, 2, {TOPO_NEW_VERTEX, TOPO_NEW_VERTEX}, {2, 1}), {}, kCorrupt},
    };
    for (Case c : cases) {
        if (!c.bits.empty()) {
            BitWriter w;
            w.write(c.bits[0], c.bits.size() > 1 ? 3 : SplitBits(c.c.nvert));
            for (size_t i = 1; i < c.bits.size(); ++i)
                w.write(c.bits[i], SplitBits(c.c.nvert));
            c.c.bitWords = w.finish();
        }
        EXPECT_STREQ(Failure(c.c), c.failure) << c.what;
    }
}
