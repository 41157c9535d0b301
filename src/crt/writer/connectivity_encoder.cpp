// Connectivity encoding by simulating the decoder: same front, same edge order, same numbering.
#include "crt/writer/connectivity_encoder.h"

#include "crt/messages.h"
#include "crt/output_stream.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace crt {

namespace {

constexpr uint32_t kUnset = 0xffffffffu;

// Faces around each input vertex, with the corner the vertex takes in the face.
struct VertexFaces {
    std::vector<uint32_t> start, entries; // entries: face * 3 + corner
    VertexFaces(uint32_t vertexCount, const std::vector<uint32_t>& indices)
    {
        start.assign(size_t(vertexCount) + 1, 0);
        for (uint32_t v : indices)
            ++start[v + 1];
        for (size_t v = 0; v < vertexCount; ++v)
            start[v + 1] += start[v];
        entries.resize(indices.size());
        std::vector<uint32_t> fill(start.begin(), start.end() - 1);
        for (size_t i = 0; i < indices.size(); ++i)
            entries[fill[indices[i]]++] = uint32_t(i);
    }
};

// What to do with an edge whose triangle needs a vertex number from the bits.
enum class Choice { Usual, Attach, Border };

// The encoder's walk over one group: the decoder's front plus what the encoder knows of the mesh.
// A walk can be copied into another of the same group to try a choice without committing to it.
struct Walk {
    const std::vector<uint32_t>& indices;
    const VertexFaces& around;
    uint32_t groupStart, groupEnd;
    int splitbits;
    bool defer;
    int reach = 0; // with reach > 0 an edge is postponed only when onFrontNear

    // Carried from group to group.
    std::vector<uint8_t> encoded;   // per input face
    std::vector<uint32_t> newId;    // input vertex -> decoded id
    std::vector<uint32_t> order;    // decoded id -> input vertex
    // This group's front, over room for three edges per face.
    std::vector<FrontEdge> edges;
    std::vector<uint32_t> frontOrder, deferred;
    std::vector<uint8_t> deferredOnce; // per front id
    Front front;
    uint32_t remaining, scan;

    ConnectivityCode* code = nullptr; // recorded only by the walk that is kept
    BitWriter* bits = nullptr;
    const double* opBits = nullptr;   // estimated cost of each operation code, for trials
    double cost = 0;                  // estimated bits spent so far

    Walk(const std::vector<uint32_t>& idx, const VertexFaces& faces, uint32_t vertexCount, uint32_t start, uint32_t end,
         bool deferOnce)
        : indices(idx), around(faces), groupStart(start), groupEnd(end), splitbits(SplitBits(vertexCount)),
          defer(deferOnce), encoded(idx.size() / 3, 0), newId(vertexCount, kUnset),
          edges(3 * size_t(end - start)), frontOrder(edges.size()), deferred(edges.size()), deferredOnce(edges.size(), 0),
          front(edges.data(), frontOrder.data(), deferred.data()), remaining(end - start), scan(start)
    {
        order.reserve(vertexCount);
    }
    Walk(const Walk&) = delete;

    // Makes this walk the same as `w` (same group, same mesh), copying only the parts in use.
    void copyState(const Walk& w)
    {
        encoded = w.encoded;
        newId = w.newId;
        order = w.order;
        std::copy_n(w.edges.begin(), w.front.size, edges.begin());
        std::copy_n(w.frontOrder.begin(), w.front.orderSize, frontOrder.begin());
        std::copy_n(w.deferred.begin(), w.front.deferredSize, deferred.begin());
        std::copy_n(w.deferredOnce.begin(), w.front.size, deferredOnce.begin());
        std::fill(deferredOnce.begin() + w.front.size, deferredOnce.end(), 0);
        front.size = w.front.size;
        front.orderSize = w.front.orderSize;
        front.orderRead = w.front.orderRead;
        front.deferredSize = w.front.deferredSize;
        front.pending = w.front.pending;
        remaining = w.remaining;
        scan = w.scan;
        cost = w.cost;
    }

    bool degenerate(uint32_t f) const
    {
        const uint32_t* c = &indices[3 * size_t(f)];
        return c[0] == c[1] || c[1] == c[2] || c[2] == c[0];
    }

    // The unencoded face of this group with the directed edge a -> b; its third vertex in o.
    int64_t across(uint32_t a, uint32_t b, uint32_t& o) const
    {
        for (uint32_t k = around.start[a]; k < around.start[a + 1]; ++k) {
            const uint32_t f = around.entries[k] / 3, corner = around.entries[k] % 3;
            if (f < groupStart || f >= groupEnd || encoded[f] || degenerate(f))
                continue;
            if (indices[3 * size_t(f) + (corner + 1) % 3] == b) {
                o = indices[3 * size_t(f) + (corner + 2) % 3];
                return f;
            }
        }
        return -1;
    }

    uint32_t number(uint32_t input, VertexPrediction p)
    {
        const uint32_t id = uint32_t(order.size());
        newId[input] = id;
        order.push_back(input);
        if (code)
            code->predictions[id] = p;
        return id;
    }

    void operation(uint8_t op)
    {
        if (code)
            code->operations.push_back(op);
        if (opBits)
            cost += opBits[op];
    }

    void writeBits(uint32_t value, int n)
    {
        if (bits)
            bits->write(value, n);
        cost += n;
    }

    void emitFace(uint32_t f, uint32_t a, uint32_t b, uint32_t c)
    {
        if (code) {
            code->indices.insert(code->indices.end(), {a, b, c});
            code->faceSource.push_back(f);
        }
        encoded[f] = 1;
        --remaining;
    }

    // Whether vertex `id` is on the front within `reach` edges of E either way: only then can
    // postponing E let the front close up to it.
    bool onFrontNear(const FrontEdge& E, uint32_t id) const
    {
        uint32_t n = E.next, p = E.prev;
        for (int k = 0; k < reach; ++k) {
            if (edges[n].to == id || edges[p].from == id)
                return true;
            n = edges[n].next;
            p = edges[p].prev;
        }
        return false;
    }

    // The edge the decoder takes next, without taking it.
    uint32_t peek() const
    {
        Front f = front;
        return f.take();
    }

    // Whether the next edge's triangle needs a vertex number from the bits: there the walk may
    // postpone the edge, store the number, or give the edge up as a border.
    bool choiceAhead() const
    {
        const uint32_t e = peek();
        if (e == kNoEdge || edges[e].deleted())
            return false;
        const FrontEdge E = edges[e];
        uint32_t o = 0;
        if (across(order[E.to], order[E.from], o) < 0 || newId[o] == kUnset)
            return false;
        const uint32_t id = newId[o];
        return id != edges[E.prev].from && id != edges[E.next].to;
    }

    void startComponent()
    {
        while (encoded[scan])
            ++scan;
        const uint32_t* corners = &indices[3 * size_t(scan)];
        uint32_t w[3], flags = 0, last = uint32_t(order.size()) - 1;
        for (int k = 0; k < 3; ++k) {
            if (newId[corners[k]] != kUnset) {
                flags |= 1u << k;
                w[k] = newId[corners[k]];
            } else {
                w[k] = number(corners[k], {last, last, last});
                last = w[k];
            }
        }
        operation(flags ? TOPO_OLD_VERTEX : TOPO_NEW_VERTEX);
        if (flags) {
            writeBits(flags, 3);
            for (int k = 0; k < 3; ++k)
                if (flags & (1u << k))
                    writeBits(w[k], splitbits);
        }
        emitFace(scan, w[0], w[1], w[2]);
        front.startTriangle(w[0], w[1], w[2]);
    }

    // One pass of the decoder's loop; `choice` applies when the triangle needs a stored number.
    void step(Choice choice = Choice::Usual)
    {
        const uint32_t e = front.take();
        if (e == kNoEdge)
            return startComponent();
        const FrontEdge E = edges[e];
        if (E.deleted())
            return;
        uint32_t o = 0;
        const int64_t f = across(order[E.to], order[E.from], o);
        if (f < 0)
            return operation(TOPO_BOUNDARY);
        uint32_t id = newId[o];
        if (id == kUnset) {
            operation(TOPO_NEW_VERTEX);
            id = number(o, {E.to, E.from, E.opposite});
            front.attachVertex(E, id);
        } else {
            const uint32_t left = edges[E.prev].from, right = edges[E.next].to;
            if (id == left && id == right) {
                operation(TOPO_CLOSE);
                front.close(E);
            } else if (id == left) {
                operation(TOPO_LEFT);
                front.attachSide(E, true);
            } else if (id == right) {
                operation(TOPO_RIGHT);
                front.attachSide(E, false);
            } else if (choice == Choice::Border) {
                // The triangle is left to one of its other edges, or to a later component.
                return operation(TOPO_BOUNDARY);
            } else if (choice == Choice::Usual && defer && !deferredOnce[e] && (!reach || onFrontNear(E, id))) {
                operation(TOPO_DEFER);
                deferredOnce[e] = 1;
                front.defer(e);
                return;
            } else {
                operation(TOPO_OLD_VERTEX);
                writeBits(id, splitbits);
                front.attachVertex(E, id);
            }
        }
        emitFace(uint32_t(f), E.to, E.from, id);
    }

    void finishGroup()
    {
        while (remaining > 0)
            step();
    }
};

// Estimated bits of each operation code from their counts (at least one each).
std::array<double, 7> OperationBits(const std::vector<uint8_t>& operations)
{
    std::array<double, 7> count{}, bits{};
    for (uint8_t op : operations)
        count[op] += 1;
    const double total = double(operations.size()) + 7;
    for (size_t op = 0; op < bits.size(); ++op)
        bits[op] = std::log2(total / (count[op] + 1));
    return bits;
}

// With `opBits`, every edge whose triangle needs a stored vertex number is a choice: the usual
// one, storing the number now, or leaving the triangle to another of its edges (or to a later
// component). Each is judged by finishing the group the usual way from it and the cheapest
// estimate is kept, so the estimate never grows over the usual walk's. `budget` bounds the trial
// steps for big meshes.
ConnectivityCode Encode(uint32_t vertexCount, const std::vector<uint32_t>& indices,
                        const std::vector<uint32_t>& groupEnds, bool defer, int reach, const double* opBits,
                        uint64_t budget)
{
    ConnectivityCode code;
    const VertexFaces around(vertexCount, indices);
    code.predictions.assign(vertexCount, VertexPrediction{});
    code.indices.reserve(indices.size());
    BitWriter bits;
    std::vector<uint8_t> encoded(indices.size() / 3, 0);
    std::vector<uint32_t> newId(vertexCount, kUnset), order;

    uint32_t groupStart = 0;
    for (const uint32_t groupEnd : groupEnds) {
        Walk walk(indices, around, vertexCount, groupStart, groupEnd, defer);
        walk.reach = reach;
        walk.encoded = std::move(encoded);
        walk.newId = std::move(newId);
        walk.order = std::move(order);
        walk.code = &code;
        walk.bits = &bits;
        walk.opBits = opBits;
        if (opBits && budget > 0) {
            Walk trial(indices, around, vertexCount, groupStart, groupEnd, defer);
            trial.opBits = opBits;
            trial.reach = walk.reach;
            while (walk.remaining > 0) {
                if (budget == 0 || !walk.choiceAhead()) {
                    walk.step();
                    continue;
                }
                double best = 0;
                Choice pick = Choice::Usual;
                for (Choice c : {Choice::Usual, Choice::Border, Choice::Attach}) {
                    trial.copyState(walk);
                    trial.step(c);
                    const uint32_t before = trial.remaining;
                    trial.finishGroup();
                    budget -= std::min<uint64_t>(budget, before);
                    if (c == Choice::Usual || trial.cost < best) {
                        best = trial.cost;
                        pick = c;
                    }
                }
                walk.step(pick);
            }
        } else {
            walk.finishGroup();
        }
        code.maxFront = std::max(code.maxFront, walk.front.size);
        encoded = std::move(walk.encoded);
        newId = std::move(walk.newId);
        order = std::move(walk.order);
        groupStart = groupEnd;
    }
    // Vertices in no face take the last ids; their prediction records stay (0, 0, 0).
    for (uint32_t v = 0; v < vertexCount; ++v)
        if (newId[v] == kUnset) {
            newId[v] = uint32_t(order.size());
            order.push_back(v);
        }
    code.order = std::move(order);
    code.bitWords = bits.finish();
    return code;
}

// Trial steps allowed per encoding: about a second of work; later choices take the usual way.
constexpr uint64_t kTrialSteps = uint64_t(24) << 20;

} // namespace

ConnectivityCode EncodeConnectivity(uint32_t vertexCount, const std::vector<uint32_t>& indices,
                                    const std::vector<uint32_t>& groupEnds, bool defer, bool search)
{
    ConnectivityCode usual = Encode(vertexCount, indices, groupEnds, defer, 0, nullptr, 0);
    if (!search || !defer || !std::count(usual.operations.begin(), usual.operations.end(), uint8_t(TOPO_OLD_VERTEX)))
        return usual;
    // The trials postpone an edge only when its vertex is close by on the front, which is nearly
    // always what pays off on a mesh with handles; the operation costs are those of such a walk.
    constexpr int kReach = 8;
    const ConnectivityCode near = Encode(vertexCount, indices, groupEnds, defer, kReach, nullptr, 0);
    const std::array<double, 7> opBits = OperationBits(near.operations);
    return Encode(vertexCount, indices, groupEnds, defer, kReach, opBits.data(), kTrialSteps);
}

} // namespace crt
