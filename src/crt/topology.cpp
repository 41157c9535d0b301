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

// Triangles on a new vertex or on either neighbour make up nearly all of a surface, and each
// leaves its first new edge pending for the next operation. A run decodes them one after another
// with that edge kept in registers, until an operation of another kind or the group's end: it
// returns that operation, or kGroupDone when the group's indices are all written.
inline constexpr uint32_t kGroupDone = 0x100;

struct Run {
    FrontEdge* edges;
    uint32_t* orderEnd; // where the next order entry goes
    VertexPrediction* predictions;
    uint32_t size, vertexCount, nvert;

    // The run's state lives in locals, so that the stores through the arrays cannot alias it,
    // and in as few of them as will do (the next operation and order entry by pointer), so that
    // it stays in registers.
    template <typename Index>
    uint32_t attach(uint32_t& edge, FrontEdge& last, const uint8_t*& nextOp, Index*& out, Index* const stop)
    {
        uint32_t e = edge;
        FrontEdge E = last;
        const uint8_t* op = nextOp;
        Index* pos = out;
        uint32_t* orderAt = orderEnd;
        uint32_t size = this->size, vertexCount = this->vertexCount;
        uint32_t code;
        for (;;) {
            code = *op++;
            if (code > TOPO_RIGHT)
                break;
            const uint32_t F = size;
            uint32_t o;
            FrontEdge A;
            if (code == TOPO_NEW_VERTEX) {
                if (vertexCount >= nvert)
                    throw kTopologyFailed;
                o = vertexCount++;
                predictions[o] = {E.to, E.from, E.opposite};
                edges[E.prev].next = F;
                edges[E.next].prev = F + 1;
                A = {E.from, o, E.to, E.prev, F + 1};
                edges[F + 1] = {o, E.to, E.from, F, E.next};
                *orderAt++ = F + 1;
                size = F + 2;
            } else if (code == TOPO_LEFT) {
                const uint32_t Pfrom = edges[E.prev].from, Pprev = edges[E.prev].prev;
                edges[E.prev].opposite = kRemoved;
                edges[Pprev].next = F;
                edges[E.next].prev = F;
                o = Pfrom;
                A = {Pfrom, E.to, E.from, Pprev, E.next};
                size = F + 1;
            } else {
                const uint32_t Nto = edges[E.next].to, Nnext = edges[E.next].next;
                edges[E.next].opposite = kRemoved;
                edges[E.prev].next = F;
                edges[Nnext].prev = F;
                o = Nto;
                A = {E.from, Nto, E.to, E.prev, Nnext};
                size = F + 1;
            }
            edges[F] = A;
            pos[0] = Index(E.to);
            pos[1] = Index(E.from);
            pos[2] = Index(o);
            pos += 3;
            e = F;
            E = A;
            if (pos >= stop) {
                code = kGroupDone;
                break;
            }
        }
        edge = e;
        last = E;
        nextOp = op;
        out = pos;
        orderEnd = orderAt;
        this->size = size;
        this->vertexCount = vertexCount;
        return code;
    }
};

template <typename Index>
void DecodeFaces(Decoder& d, Front& front, Index* pos, Index* const stop, uint32_t& cursor)
{
    Running r(d, cursor);
    // The operations end with a byte no code has (the decoder puts it there), so running out of
    // them is found by the same test as a damaged code.
    const uint8_t* const ops = d.operations.data();
    const uint32_t nvert = d.nvert;
    const int splitbits = SplitBits(nvert);
    VertexPrediction* const predictions = d.faceIndex.predictions.data(); // room for every id handed out

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
        uint32_t e = front.take<true>();
        if (e == kNoEdge) {
            // New component: its first triangle, corners old (flagged) or numbered anew.
            uint32_t last = r.vertexCount - 1;
            const uint8_t op = ops[r.cur++];
            if (op > TOPO_OLD_VERTEX)
                throw kTopologyFailed;
            const uint32_t flags = op == TOPO_OLD_VERTEX ? r.bits.read(3) : 0;
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
        FrontEdge E = front.edges[e];
        Run run{front.edges, front.order + front.orderSize, predictions, front.size, r.vertexCount, nvert};
        const uint8_t* next = ops + r.cur;
        const uint32_t op = run.attach(e, E, next, pos, stop);
        r.cur = uint32_t(next - ops);
        front.size = run.size;
        front.orderSize = size_t(run.orderEnd - front.order);
        r.vertexCount = run.vertexCount;
        if (op == kGroupDone)
            break;
        // The operation that ended the run, on the run's last edge.
        uint32_t o;
        switch (op) {
        case TOPO_BOUNDARY:
            continue;
        case TOPO_DEFER:
            front.defer(e);
            continue;
        case TOPO_OLD_VERTEX:
            o = oldVertex();
            front.attachVertex(E, o);
            break;
        case TOPO_CLOSE:
            o = front.close(E);
            break;
        default:
            throw kTopologyFailed;
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
