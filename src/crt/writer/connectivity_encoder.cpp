// Connectivity encoding by simulating the decoder: same front, same edge order, same numbering.
#include "crt/writer/connectivity_encoder.h"

#include "crt/messages.h"
#include "crt/output_stream.h"

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

} // namespace

ConnectivityCode EncodeConnectivity(uint32_t vertexCount, const std::vector<uint32_t>& indices,
                                    const std::vector<uint32_t>& groupEnds, bool defer)
{
    ConnectivityCode code;
    const uint32_t faceCount = uint32_t(indices.size() / 3);
    const VertexFaces around(vertexCount, indices);
    std::vector<bool> encoded(faceCount, false);
    std::vector<uint32_t> newId(vertexCount, kUnset);
    code.predictions.assign(vertexCount, VertexPrediction{});
    code.indices.reserve(indices.size());
    uint32_t vertexCount_ = 0; // ids handed out so far, as the decoder counts them
    const int splitbits = SplitBits(vertexCount);
    BitWriter bits;

    auto number = [&](uint32_t input, VertexPrediction p) {
        newId[input] = vertexCount_;
        code.order.push_back(input);
        code.predictions[vertexCount_] = p;
        return vertexCount_++;
    };
    auto degenerate = [&](uint32_t f) {
        const uint32_t* c = &indices[3 * size_t(f)];
        return c[0] == c[1] || c[1] == c[2] || c[2] == c[0];
    };

    uint32_t groupStart = 0;
    for (const uint32_t groupEnd : groupEnds) {
        // The unencoded face of this group with the directed edge a -> b; its third vertex in o.
        auto across = [&](uint32_t a, uint32_t b, uint32_t& o) -> int64_t {
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
        };

        const size_t room = 3 * size_t(groupEnd - groupStart);
        std::vector<FrontEdge> edges(room);
        std::vector<uint32_t> order(room), deferred(room);
        Front front(edges.data(), order.data(), deferred.data());
        std::vector<bool> deferredOnce;
        uint32_t remaining = groupEnd - groupStart, scan = groupStart;
        auto emitFace = [&](uint32_t f, uint32_t a, uint32_t b, uint32_t c) {
            code.indices.insert(code.indices.end(), {a, b, c});
            code.faceSource.push_back(f);
            encoded[f] = true;
            --remaining;
        };
        while (remaining > 0) {
            const uint32_t e = front.take();
            if (e == kNoEdge) {
                while (encoded[scan])
                    ++scan;
                const uint32_t* corners = &indices[3 * size_t(scan)];
                uint32_t w[3], flags = 0, last = vertexCount_ - 1;
                for (int k = 0; k < 3; ++k) {
                    if (newId[corners[k]] != kUnset) {
                        flags |= 1u << k;
                        w[k] = newId[corners[k]];
                    } else {
                        w[k] = number(corners[k], {last, last, last});
                        last = w[k];
                    }
                }
                code.operations.push_back(flags ? TOPO_OLD_VERTEX : TOPO_NEW_VERTEX);
                if (flags) {
                    bits.write(flags, 3);
                    for (int k = 0; k < 3; ++k)
                        if (flags & (1u << k))
                            bits.write(w[k], splitbits);
                }
                emitFace(scan, w[0], w[1], w[2]);
                front.startTriangle(w[0], w[1], w[2]);
                continue;
            }
            const FrontEdge E = front.edges[e];
            if (E.deleted)
                continue;
            uint32_t o = 0;
            const int64_t f = across(code.order[E.to], code.order[E.from], o);
            if (f < 0) {
                code.operations.push_back(TOPO_BOUNDARY);
                continue;
            }
            uint32_t id = newId[o];
            if (id == kUnset) {
                code.operations.push_back(TOPO_NEW_VERTEX);
                id = number(o, {E.to, E.from, E.opposite});
                front.attachVertex(E, id);
            } else {
                const uint32_t left = front.edges[E.prev].from, right = front.edges[E.next].to;
                if (id == left && id == right) {
                    code.operations.push_back(TOPO_CLOSE);
                    front.close(E);
                } else if (id == left) {
                    code.operations.push_back(TOPO_LEFT);
                    front.attachSide(E, true);
                } else if (id == right) {
                    code.operations.push_back(TOPO_RIGHT);
                    front.attachSide(E, false);
                } else if (defer && !(e < deferredOnce.size() && deferredOnce[e])) {
                    code.operations.push_back(TOPO_DEFER);
                    if (deferredOnce.size() <= e)
                        deferredOnce.resize(size_t(e) + 1, false);
                    deferredOnce[e] = true;
                    front.defer(e);
                    continue;
                } else {
                    code.operations.push_back(TOPO_OLD_VERTEX);
                    bits.write(id, splitbits);
                    front.attachVertex(E, id);
                }
            }
            emitFace(uint32_t(f), E.to, E.from, id);
        }
        code.maxFront = std::max(code.maxFront, front.size);
        groupStart = groupEnd;
    }
    // Vertices in no face take the last ids; their prediction records stay (0, 0, 0).
    for (uint32_t v = 0; v < vertexCount; ++v)
        if (newId[v] == kUnset)
            number(v, VertexPrediction{});
    code.bitWords = bits.finish();
    return code;
}

} // namespace crt
