// Connectivity: operation codes, the front of directed edges that grows each connected piece of
// the surface, vertex prediction records and the face index output. The front updates are shared
// by the decoder and the writer's connectivity encoder so that both walk the same front.
#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace crt {

enum {
    TOPO_NEW_VERTEX = 0, // triangle with a new vertex
    TOPO_LEFT = 1,       // triangle closing on the previous front edge
    TOPO_RIGHT = 2,      // triangle closing on the next front edge
    TOPO_CLOSE = 3,      // triangle closing the three-edge hole formed with both neighbours
    TOPO_BOUNDARY = 4,   // no triangle: the edge is on the border
    TOPO_DEFER = 5,      // no triangle: the edge is pushed on the deferred stack
    TOPO_OLD_VERTEX = 6, // triangle with an already numbered vertex (its number is in the bits)
};

// No vertex has this id (ids stay below the vertex count), so an edge's third vertex can carry
// the mark of an edge taken off the front by a neighbour's triangle: records stay 20 bytes.
inline constexpr uint32_t kRemoved = 0xffffffffu;

// Written after the last operation: no code has it, so reading it is found as damage.
inline constexpr uint8_t kEndOfOperations = 0xff;

struct FrontEdge {
    uint32_t from;
    uint32_t to;
    uint32_t opposite; // third vertex of the triangle the edge came from; kRemoved once deleted
    uint32_t prev;     // front id of the preceding edge
    uint32_t next;     // front id of the following edge

    // Only a processed edge's third vertex is ever read, and a deleted edge is never processed.
    bool deleted() const { return opposite == kRemoved; }
};

// A new vertex's value is predicted from a + b - c (parallelogram) or from a alone.
struct VertexPrediction {
    uint32_t a = 0;
    uint32_t b = 0;
    uint32_t c = 0;
};

struct FaceGroup {
    uint32_t end = 0; // cumulative end face count
    std::map<std::string, std::string> properties;
};

struct FaceIndex {
    uint32_t* indices32 = nullptr; // caller's array, three per face
    uint16_t* indices16 = nullptr; // written instead of indices32 when set (low 16 bits of the ids)
    std::span<VertexPrediction> predictions; // per numbered vertex (the decoder's: in its workspace)
    std::vector<FaceGroup> groups;
    uint32_t facesWritten = 0; // faces [0, facesWritten) hold decoded indices
    bool idsDecoded = false;   // and every id in them was checked against the vertex count

    uint32_t index(size_t i) const { return indices16 ? indices16[i] : indices32[i]; }
};

// Bits of a vertex number read from the bits: the bit length of nvert, at least 1.
inline int SplitBits(uint32_t nvert)
{
    int bits = 1;
    for (uint32_t v = nvert >> 1; v; v >>= 1)
        ++bits;
    return bits;
}

inline constexpr uint32_t kNoEdge = 0xffffffffu;

// The working state of one face group, over storage its user provides: each triangle adds at
// most three edges and three order entries, and an edge is on the deferred stack at most once,
// so room for three per triangle of the group in each array is enough for any operations.
struct Front {
    FrontEdge* edges = nullptr;
    uint32_t size = 0;          // edges appended so far
    uint32_t* order = nullptr;  // front ids in the order they are processed
    size_t orderSize = 0, orderRead = 0;
    uint32_t* deferred = nullptr;
    size_t deferredSize = 0;
    uint32_t pending = kNoEdge;

    Front(FrontEdge* edgeRoom, uint32_t* orderRoom, uint32_t* deferredRoom)
        : edges(edgeRoom), order(orderRoom), deferred(deferredRoom)
    {
    }

    void defer(uint32_t e) { deferred[deferredSize++] = e; }

    // The next edge to process, or kNoEdge when a new component must start. Taking an edge that
    // a neighbour's triangle took off the front does nothing, so with SkipRemoved such edges (most
    // order entries) are passed over here; a pending edge is always on the front.
    template <bool SkipRemoved = false>
    uint32_t take()
    {
        uint32_t e = pending;
        if (e != kNoEdge) {
            pending = kNoEdge;
            return e;
        }
        while (orderRead < orderSize) {
            e = order[orderRead++];
            if (!SkipRemoved || !edges[e].deleted())
                return e;
        }
        while (deferredSize) {
            e = deferred[--deferredSize];
            if (!SkipRemoved || !edges[e].deleted())
                return e;
        }
        return kNoEdge;
    }

    // The three edges of a component's first triangle (w0, w1, w2).
    void startTriangle(uint32_t w0, uint32_t w1, uint32_t w2)
    {
        const uint32_t F = size;
        order[orderSize++] = F;
        order[orderSize++] = F + 1;
        order[orderSize++] = F + 2;
        edges[size++] = {w1, w2, w0, F + 2, F + 1};
        edges[size++] = {w2, w0, w1, F, F + 2};
        edges[size++] = {w0, w1, w2, F + 1, F};
    }

    // Triangle (E.to, E.from, o) on edge e with a vertex that is not a neighbour on the front.
    void attachVertex(const FrontEdge E, uint32_t o)
    {
        const uint32_t F = size;
        edges[E.prev].next = F;
        edges[E.next].prev = F + 1;
        edges[size++] = {E.from, o, E.to, E.prev, F + 1};
        order[orderSize++] = F + 1;
        edges[size++] = {o, E.to, E.from, F, E.next};
        pending = F;
    }

    // Triangle closing on the previous (left) or the next edge. That neighbour and E, consecutive on
    // the front as A then B, become one edge from A.from to B.to. Returns the third vertex.
    uint32_t attachSide(const FrontEdge E, bool left)
    {
        const uint32_t side = left ? E.prev : E.next;
        const FrontEdge S = edges[side], A = left ? S : E, B = left ? E : S;
        const uint32_t F = size;
        edges[side].opposite = kRemoved;
        edges[A.prev].next = F;
        edges[B.next].prev = F;
        edges[size++] = {A.from, B.to, left ? E.from : E.to, A.prev, B.next};
        pending = F;
        return left ? S.from : S.to;
    }

    // Triangle filling the three-edge hole; returns its third vertex.
    uint32_t close(const FrontEdge E)
    {
        const FrontEdge P = edges[E.prev];
        const FrontEdge N = edges[E.next];
        edges[E.prev].opposite = kRemoved;
        edges[E.next].opposite = kRemoved;
        edges[P.prev].next = N.next;
        edges[N.next].prev = P.prev;
        return P.from;
    }
};

} // namespace crt
