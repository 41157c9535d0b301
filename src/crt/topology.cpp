// Connectivity decoding: each connected piece grows from a first triangle; one operation per
// processed front edge attaches a triangle, marks a border edge or postpones the edge.
#include "crt/decoder.h"

#include "crt/messages.h"

#include <algorithm>

namespace crt {

void Decoder::decodeGroupFaces(uint32_t start, uint32_t end, uint32_t& cursor)
{
    Front front;
    // Capacity hints from the container, bounded by what the operations can build.
    const size_t opsLeft = operations.size() - std::min<size_t>(cursor, operations.size());
    front.edges.reserve(std::min<size_t>(max_front, 3 * opsLeft + 3));
    front.order.reserve(std::min<size_t>((end - std::min(start, end)) / 2, 3 * opsLeft + 3));

    const uint8_t* ops = operations.data();
    const size_t opCount = operations.size();
    const int splitbits = SplitBits(nvert);
    std::vector<VertexPrediction>& predictions = faceIndex.predictions; // one per numbered vertex
    uint32_t* out32 = faceIndex.indices32;
    uint16_t* out16 = faceIndex.indices16;
    uint32_t position = start;

    auto nextOp = [&]() -> uint8_t {
        if (cursor >= opCount)
            throw kTopologyFailed;
        const uint8_t op = ops[cursor++];
        if (op > TOPO_OLD_VERTEX)
            throw kTopologyFailed;
        return op;
    };
    // A vertex read from the bits must already be numbered.
    auto oldVertex = [&]() -> uint32_t {
        const uint32_t id = bits.read(splitbits);
        if (id >= vertex_count)
            throw kTopologyFailed;
        return id;
    };
    auto newVertex = [&](uint32_t a, uint32_t b, uint32_t c) -> uint32_t {
        if (vertex_count >= nvert)
            throw kTopologyFailed;
        predictions.push_back({a, b, c});
        return vertex_count++;
    };
    auto write = [&](uint32_t v) {
        if (out16)
            out16[position] = uint16_t(v);
        else
            out32[position] = v;
        ++position;
    };

    while (position < end) {
        const uint32_t e = front.take();
        if (e == kNoEdge) {
            // New component: its first triangle, corners old (flagged) or numbered anew.
            uint32_t last = vertex_count - 1;
            const uint32_t flags = nextOp() == TOPO_OLD_VERTEX ? bits.read(3) : 0;
            uint32_t w[3];
            for (int k = 0; k < 3; ++k) {
                if (flags & (1u << k)) {
                    w[k] = oldVertex();
                } else {
                    w[k] = newVertex(last, last, last);
                    last = w[k];
                }
                write(w[k]);
            }
            front.startTriangle(w[0], w[1], w[2]);
            continue;
        }
        const FrontEdge E = front.edges[e];
        if (E.deleted)
            continue;
        const uint8_t op = nextOp();
        uint32_t o;
        switch (op) {
        case TOPO_BOUNDARY:
            continue;
        case TOPO_DEFER:
            front.deferred.push_back(e);
            continue;
        case TOPO_NEW_VERTEX:
            o = newVertex(E.to, E.from, E.opposite);
            front.attachVertex(E, o);
            break;
        case TOPO_OLD_VERTEX:
            o = oldVertex();
            front.attachVertex(E, o);
            break;
        case TOPO_LEFT:
        case TOPO_RIGHT:
            o = front.attachSide(E, op == TOPO_LEFT);
            break;
        default: // TOPO_CLOSE
            o = front.close(E);
            break;
        }
        write(E.to);
        write(E.from);
        write(o);
    }
}

} // namespace crt
