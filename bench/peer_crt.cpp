// Our codec in the peer benchmark: the writer at the shared step, the exported decoder.
#include "crt/crt.h"
#include "crt/writer/encoder.h"
#include "peer_codec.h"

#include <cstdio>

namespace {

class Crt : public PeerCodec {
public:
    explicit Crt(bool estimated) : estimated_(estimated) {}
    std::string name() const override { return estimated_ ? "crt" : "crt stored"; }

    std::vector<uint8_t> encode(const BenchMesh& m, bool normals) override
    {
        // The writer's choices that suit the mesh best, as the command-line tool makes them.
        crt::MeshInput in;
        in.vertexCount = m.V;
        in.indices = m.indices;
        in.attributes = {{"position", crt::CODEC_GENERIC, m.step, 3, crt::FLOAT, crt::STRATEGY_PARALLELOGRAM,
                          m.positions.data()}};
        if (normals)
            in.attributes.push_back({"normal", crt::CODEC_NORMAL, 511, 3, crt::FLOAT, 0, m.normals.data(),
                                     estimated_ ? crt::ESTIMATE_BORDER : crt::DIFF});
        return crt::EncodeSmallest(std::move(in)).bytes;
    }

    uint32_t decode(const std::vector<uint8_t>& bytes, const BenchMesh&, DecodeTarget& out) override
    {
        float info[2];
        void* d = CreateDecoder(int32_t(bytes.size()), bytes.data(), info);
        const int32_t faces = DecodeMesh(d, out.positions, out.indices, out.normals, nullptr, nullptr);
        DestroyDecoder(d);
        return faces < 0 ? 0 : uint32_t(faces);
    }

private:
    bool estimated_;
};

} // namespace

std::unique_ptr<PeerCodec> MakeCrt(bool estimatedNormals) { return std::make_unique<Crt>(estimatedNormals); }
