// The first peer: its default speed settings (edgebreaker connectivity), positions quantised to
// 14 bits over the largest extent (the same step as ours), normals to 10 bits.
#include "peer_codec.h"

#ifdef HOLLOWMERE_HAVE_DRACO
#include <draco/compression/decode.h>
#include <draco/compression/encode.h>
#include <draco/mesh/mesh.h>

#include <cstring>

namespace {

class Draco : public PeerCodec {
public:
    std::string name() const override { return "draco"; }

    std::vector<uint8_t> encode(const BenchMesh& m, bool normals) override
    {
        draco::Mesh mesh;
        mesh.set_num_points(m.V);
        auto addAttribute = [&](draco::GeometryAttribute::Type type, const std::vector<float>& values) {
            draco::GeometryAttribute ga;
            ga.Init(type, nullptr, 3, draco::DT_FLOAT32, false, sizeof(float) * 3, 0);
            const int id = mesh.AddAttribute(ga, true, m.V);
            for (uint32_t v = 0; v < m.V; ++v)
                mesh.attribute(id)->SetAttributeValue(draco::AttributeValueIndex(v), &values[3 * size_t(v)]);
        };
        addAttribute(draco::GeometryAttribute::POSITION, m.positions);
        if (normals)
            addAttribute(draco::GeometryAttribute::NORMAL, m.normals);
        for (uint32_t f = 0; f < m.F; ++f)
            mesh.AddFace({draco::PointIndex(m.indices[3 * f]), draco::PointIndex(m.indices[3 * f + 1]),
                          draco::PointIndex(m.indices[3 * f + 2])});
        draco::Encoder encoder;
        encoder.SetAttributeQuantization(draco::GeometryAttribute::POSITION, 14);
        encoder.SetAttributeQuantization(draco::GeometryAttribute::NORMAL, 10);
        draco::EncoderBuffer buffer;
        if (!encoder.EncodeMeshToBuffer(mesh, &buffer).ok())
            return {};
        return {buffer.data(), buffer.data() + buffer.size()};
    }

    uint32_t decode(const std::vector<uint8_t>& bytes, const BenchMesh& m, DecodeTarget& out) override
    {
        draco::DecoderBuffer buffer;
        buffer.Init(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        draco::Decoder decoder;
        auto decoded = decoder.DecodeMeshFromBuffer(&buffer);
        if (!decoded.ok())
            return 0;
        const draco::Mesh& mesh = *decoded.value();
        // Its fastest way out: whole arrays where the attribute maps points one to one.
        auto copy = [&](draco::GeometryAttribute::Type type, float* to) {
            const draco::PointAttribute* a = mesh.GetNamedAttribute(type);
            if (!a || !to || mesh.num_points() > m.V)
                return;
            if (a->is_mapping_identity() && a->byte_stride() == 12)
                std::memcpy(to, a->GetAddress(draco::AttributeValueIndex(0)), size_t(mesh.num_points()) * 12);
            else
                for (draco::PointIndex p(0); p < mesh.num_points(); ++p)
                    a->GetMappedValue(p, to + 3 * size_t(p.value()));
        };
        copy(draco::GeometryAttribute::POSITION, out.positions);
        copy(draco::GeometryAttribute::NORMAL, out.normals);
        const uint32_t faces = std::min(mesh.num_faces(), m.F);
        if (faces)
            std::memcpy(out.indices, &mesh.face(draco::FaceIndex(0))[0], size_t(faces) * 12);
        return faces;
    }
};

} // namespace

std::unique_ptr<PeerCodec> MakeDraco() { return std::make_unique<Draco>(); }
#else
std::unique_ptr<PeerCodec> MakeDraco() { return nullptr; }
#endif
