// Connectivity decoding: each connected piece grows from a first triangle; one operation per
// processed front edge attaches a triangle, marks a border edge or postpones the edge.
#include "crt/decoder.h"

#include "crt/messages.h"
#include "crt/workspace.h"

#include <algorithm>

namespace crt {

namespace {

// The loop's running state lives in locals (the index stores could otherwise alias it) and is
// handed back to the decoder however the loop ends.
struct Running {
    Decoder& d;
    uint32_t& cursor;
    uint32_t vertexCount, cur;
    BitReader bits;
    explicit Running(Decoder& decoder, uint32_t& c)
        : d(decoder), cursor(c), vertexCount(decoder.vertex_count), cur(c), bits(decoder.bits)
    {
    }
    ~Running()
    {
        d.vertex_count = vertexCount;
        d.bits = bits;
        cursor = cur;
    }
};

template <typename Index>
void DecodeFaces(Decoder& d, Front& front, Index* pos, Index* const stop, uint32_t& cursor)
{
    Running r(d, cursor);
    const uint8_t* const ops = d.operations.data();
    const size_t opCount = d.operations.size();
    const uint32_t nvert = d.nvert;
    const int splitbits = SplitBits(nvert);
    VertexPrediction* const predictions = d.faceIndex.predictions.data(); // room for every id handed out

    const auto nextOp = [&]() -> uint8_t {
        if (r.cur >= opCount)
            throw kTopologyFailed;
        const uint8_t op = ops[r.cur++];
        if (op > TOPO_OLD_VERTEX)
            throw kTopologyFailed;
        return op;
    };
    // A vertex read from the bits must already be numbered.
    const auto oldVertex = [&]() -> uint32_t {
        const uint32_t id = r.bits.read(splitbits);
        if (id >= r.vertexCount)
            throw kTopologyFailed;
        return id;
    };
    const auto newVertex = [&](uint32_t a, uint32_t b, uint32_t c) -> uint32_t {
        if (r.vertexCount >= nvert)
            throw kTopologyFailed;
        predictions[r.vertexCount] = {a, b, c};
        return r.vertexCount++;
    };

    while (pos < stop) {
        const uint32_t e = front.take();
        if (e == kNoEdge) {
            // New component: its first triangle, corners old (flagged) or numbered anew.
            uint32_t last = r.vertexCount - 1;
            const uint32_t flags = nextOp() == TOPO_OLD_VERTEX ? r.bits.read(3) : 0;
            uint32_t w[3];
            for (int k = 0; k < 3; ++k) {
                if (flags & (1u << k)) {
                    w[k] = oldVertex();
                } else {
                    w[k] = newVertex(last, last, last);
                    last = w[k];
                }
                pos[k] = Index(w[k]);
            }
            pos += 3;
            front.startTriangle(w[0], w[1], w[2]);
            continue;
        }
        const FrontEdge E = front.edges[e];
        if (E.deleted)
            continue;
        uint32_t o;
        switch (nextOp()) {
        case TOPO_BOUNDARY:
            continue;
        case TOPO_DEFER:
            front.defer(e);
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
            o = front.attachSide(E, true);
            break;
        case TOPO_RIGHT:
            o = front.attachSide(E, false);
            break;
        default: // TOPO_CLOSE
            o = front.close(E);
            break;
        }
        pos[0] = Index(E.to);
        pos[1] = Index(E.from);
        pos[2] = Index(o);
        pos += 3;
    }
}

} // namespace

void Decoder::decodeGroupFaces(uint32_t start, uint32_t end, uint32_t& cursor)
{
    if (start >= end)
        return;
    // Every triangle takes an operation, so what is left of them bounds the front's growth.
    const size_t opsLeft = operations.size() - std::min<size_t>(cursor, operations.size());
    const size_t room = 3 * std::min<size_t>((end - start) / 3, opsLeft) + 3;
    Workspace& ws = ThreadWorkspace();
    Front front(ws.edges.get(room), ws.order.get(room), ws.deferred.get(room));
    if (faceIndex.indices16)
        DecodeFaces(*this, front, faceIndex.indices16 + start, faceIndex.indices16 + end, cursor);
    else
        DecodeFaces(*this, front, faceIndex.indices32 + start, faceIndex.indices32 + end, cursor);
}

} // namespace crt
