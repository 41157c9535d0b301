// The second peer: its usual pipeline (vertex cache and fetch order, then its index and vertex
// codecs) on positions quantised to the same 14-bit step, stored as 16-bit integers, and normals
// as 10-bit octahedral 16-bit integers. "meshopt+f32" dequantises into the float arrays, the same
// output as ours; "meshopt" stops at its own 16-bit vertices.
#include "peer_codec.h"

#ifdef HOLLOWMERE_HAVE_MESHOPT
#include <meshoptimizer.h>

#include <cmath>
#include <cstring>

namespace {

// Three sizes, then the index stream, the position stream and the normal stream.
struct Layout {
    uint32_t indexBytes, positionBytes, normalBytes;
};

class Meshopt : public PeerCodec {
public:
    explicit Meshopt(bool floats) : floats_(floats) {}
    std::string name() const override { return floats_ ? "meshopt+f32" : "meshopt"; }

    std::vector<uint8_t> encode(const BenchMesh& m, bool normals) override
    {
        const size_t V = m.V, I = m.indices.size();
        std::vector<uint32_t> indices(I), remap(V);
        meshopt_optimizeVertexCache(indices.data(), m.indices.data(), I, V);
        const size_t used = meshopt_optimizeVertexFetchRemap(remap.data(), indices.data(), I, V);
        meshopt_remapIndexBuffer(indices.data(), indices.data(), I, remap.data());
        std::vector<uint16_t> q(4 * V, 0), oct(4 * V, 0);
        std::vector<float> n4(4 * V, 1.0f);
        for (size_t v = 0; v < V; ++v)
            for (int k = 0; k < 3; ++k) {
                q[4 * v + k] = uint16_t(std::lround((m.positions[3 * v + k] - m.lo[k]) / m.step));
                n4[4 * v + k] = m.normals.empty() ? 0.0f : m.normals[3 * v + k];
            }
        if (normals)
            meshopt_encodeFilterOct(oct.data(), V, 8, 10, n4.data());
        std::vector<uint16_t> qr(4 * V), octr(4 * V);
        meshopt_remapVertexBuffer(qr.data(), q.data(), V, 8, remap.data());
        meshopt_remapVertexBuffer(octr.data(), oct.data(), V, 8, remap.data());

        std::vector<uint8_t> ib(meshopt_encodeIndexBufferBound(I, used)), pb(meshopt_encodeVertexBufferBound(used, 8)),
            nb(normals ? meshopt_encodeVertexBufferBound(used, 8) : 0);
        ib.resize(meshopt_encodeIndexBuffer(ib.data(), ib.size(), indices.data(), I));
        pb.resize(meshopt_encodeVertexBuffer(pb.data(), pb.size(), qr.data(), used, 8));
        if (normals)
            nb.resize(meshopt_encodeVertexBuffer(nb.data(), nb.size(), octr.data(), used, 8));
        used_ = used;
        const Layout layout{uint32_t(ib.size()), uint32_t(pb.size()), uint32_t(nb.size())};
        std::vector<uint8_t> out(sizeof layout);
        std::memcpy(out.data(), &layout, sizeof layout);
        for (const auto* part : {&ib, &pb, &nb})
            out.insert(out.end(), part->begin(), part->end());
        scratch_.assign(4 * V, 0); // decoding room for the 16-bit values, touched now
        scratchNormals_.assign(normals ? 4 * V : 0, 0);
        return out;
    }

    uint32_t decode(const std::vector<uint8_t>& bytes, const BenchMesh& m, DecodeTarget& out) override
    {
        Layout layout;
        std::memcpy(&layout, bytes.data(), sizeof layout);
        const uint8_t* p = bytes.data() + sizeof layout;
        if (meshopt_decodeIndexBuffer(out.indices, m.indices.size(), 4, p, layout.indexBytes) != 0)
            return 0;
        p += layout.indexBytes;
        if (meshopt_decodeVertexBuffer(scratch_.data(), used_, 8, p, layout.positionBytes) != 0)
            return 0;
        p += layout.positionBytes;
        if (!floats_) { // normals as 16-bit xyz: through its octahedral filter
            if (out.normals && layout.normalBytes) {
                if (meshopt_decodeVertexBuffer(scratchNormals_.data(), used_, 8, p, layout.normalBytes) != 0)
                    return 0;
                meshopt_decodeFilterOct(scratchNormals_.data(), used_, 8);
            }
            return m.F;
        }
        const float step = m.step, x0 = m.lo[0], y0 = m.lo[1], z0 = m.lo[2];
        for (size_t v = 0; v < used_; ++v) {
            out.positions[3 * v] = float(scratch_[4 * v]) * step + x0;
            out.positions[3 * v + 1] = float(scratch_[4 * v + 1]) * step + y0;
            out.positions[3 * v + 2] = float(scratch_[4 * v + 2]) * step + z0;
        }
        if (out.normals && layout.normalBytes) {
            if (meshopt_decodeVertexBuffer(scratch_.data(), used_, 8, p, layout.normalBytes) != 0)
                return 0;
            meshopt_decodeFilterOct(scratch_.data(), used_, 8);
            const int16_t* s = reinterpret_cast<const int16_t*>(scratch_.data());
            for (size_t v = 0; v < used_; ++v)
                for (int k = 0; k < 3; ++k)
                    out.normals[3 * v + k] = float(s[4 * v + k]) * (1.0f / 32767);
        }
        return m.F;
    }

private:
    bool floats_;
    size_t used_ = 0;
    std::vector<uint16_t> scratch_, scratchNormals_;
};

} // namespace

std::unique_ptr<PeerCodec> MakeMeshopt(bool floats) { return std::make_unique<Meshopt>(floats); }
#else
std::unique_ptr<PeerCodec> MakeMeshopt(bool) { return nullptr; }
#endif
