// Container assembly: connectivity first (it fixes the decoder's vertex order), then every
// attribute's writing phases in name order, then header and body in reading order.
#include "crt/writer/encoder.h"

#include "crt/decoder.h"
#include "crt/messages.h"
#include "crt/output_stream.h"
#include "crt/writer/connectivity_encoder.h"

#include <algorithm>
#include <cstring>

namespace crt {

namespace {

std::unique_ptr<VertexAttribute> MakeAttribute(const AttributeInput& in)
{
    std::unique_ptr<VertexAttribute> attr;
    if (in.codec == CODEC_NORMAL) {
        auto normal = std::make_unique<NormalAttr>();
        normal->normalMode = in.normalMode;
        attr = std::move(normal);
    } else if (in.codec == CODEC_COLOR) {
        auto color = std::make_unique<ColorAttr>();
        color->colorSteps = in.colorSteps;
        color->components = in.components;
        attr = std::move(color);
    } else {
        attr = std::make_unique<GenericAttr<int>>();
        attr->components = in.components;
    }
    attr->step = in.step;
    attr->format = in.format;
    attr->strategy = in.strategy;
    return attr;
}

EncodedMesh Assemble(const MeshInput& mesh, const EncodeOptions& options, const std::vector<uint32_t>& groupEnds,
                     const ConnectivityCode& conn);

// The cumulative end face count of every group, checked, after the indices are.
std::vector<uint32_t> CheckedGroupEnds(const MeshInput& mesh)
{
    const uint32_t V = mesh.vertexCount;
    if (mesh.indices.size() % 3 || mesh.indices.size() / 3 > UINT32_MAX / 3)
        throw kBadMesh;
    const uint32_t F = uint32_t(mesh.indices.size() / 3);
    for (uint32_t v : mesh.indices)
        if (v >= V)
            throw kBadMesh;
    std::vector<uint32_t> groupEnds;
    for (const GroupInput& g : mesh.groups) {
        if (g.end > F || (!groupEnds.empty() && g.end < groupEnds.back()) || g.properties.size() > 255)
            throw kBadMesh;
        groupEnds.push_back(g.end);
    }
    if (mesh.groups.empty() && F > 0)
        groupEnds.push_back(F);
    if (F > 0 && groupEnds.back() != F)
        throw kBadMesh;
    return groupEnds;
}

// The connectivity walks worth a container: the usual one, and the searched one when the usual
// walk had to store vertex numbers (only then has the search anything to find). The searched
// walk also changes the vertex order, so whole containers decide between them.
std::vector<ConnectivityCode> Walks(const MeshInput& mesh, const std::vector<uint32_t>& groupEnds, const EncodeOptions& options)
{
    const uint32_t V = mesh.vertexCount;
    std::vector<ConnectivityCode> walks(1);
    if (mesh.indices.empty()) {
        for (uint32_t v = 0; v < V; ++v)
            walks[0].order.push_back(v);
        return walks;
    }
    walks[0] = EncodeConnectivity(V, mesh.indices, groupEnds, options.defer);
    const std::vector<uint8_t>& ops = walks[0].operations;
    if (options.search && std::count(ops.begin(), ops.end(), uint8_t(TOPO_OLD_VERTEX)) > 0)
        walks.push_back(EncodeConnectivity(V, mesh.indices, groupEnds, options.defer, true));
    return walks;
}

// The first of equal sizes stays.
void KeepSmaller(EncodedMesh& best, EncodedMesh candidate)
{
    if (best.bytes.empty() || candidate.bytes.size() < best.bytes.size())
        best = std::move(candidate);
}

} // namespace

EncodedMesh EncodeMesh(const MeshInput& mesh, const EncodeOptions& options)
{
    const std::vector<uint32_t> groupEnds = CheckedGroupEnds(mesh);
    EncodedMesh best;
    for (const ConnectivityCode& walk : Walks(mesh, groupEnds, options))
        KeepSmaller(best, Assemble(mesh, options, groupEnds, walk));
    return best;
}

// The walks do not depend on how the arrays are stored: they are made once for all four choices.
EncodedMesh EncodeSmallest(MeshInput mesh, EncodeOptions options)
{
    const std::vector<uint32_t> groupEnds = CheckedGroupEnds(mesh);
    const std::vector<ConnectivityCode> walks = Walks(mesh, groupEnds, options);
    EncodedMesh best;
    for (int entropy : {int(ENTROPY_TUNSTALL), int(ENTROPY_NONE)})
        for (int shared : {0, int(STRATEGY_SHARED_LENGTHS)}) {
            for (AttributeInput& a : mesh.attributes)
                if (a.codec != CODEC_NORMAL && a.codec != CODEC_COLOR)
                    a.strategy = (a.strategy & ~STRATEGY_SHARED_LENGTHS) | shared;
            options.entropy = entropy;
            for (const ConnectivityCode& walk : walks)
                KeepSmaller(best, Assemble(mesh, options, groupEnds, walk));
        }
    return best;
}

namespace {

EncodedMesh Assemble(const MeshInput& mesh, const EncodeOptions& options, const std::vector<uint32_t>& groupEnds,
                     const ConnectivityCode& conn)
{
    const uint32_t V = mesh.vertexCount;
    const uint32_t F = uint32_t(mesh.indices.size() / 3);

    // Codec objects get their input in the decoder's vertex order.
    AttributeMap attributes;
    for (const AttributeInput& in : mesh.attributes) {
        if (attributes.count(in.name) || (V > 0 && !in.data) || in.components < 0 || in.components > 255)
            throw kBadMesh;
        std::unique_ptr<VertexAttribute> attr = MakeAttribute(in);
        const size_t element = size_t(FormatSize(in.format)) * size_t(attr->components);
        std::vector<uint8_t> ordered(element * V);
        for (uint32_t i = 0; i < V && element; ++i)
            std::memcpy(&ordered[element * i], static_cast<const uint8_t*>(in.data) + element * conn.order[i], element);
        attr->quantizeInput(V, element ? ordered.data() : in.data);
        attributes[in.name] = std::move(attr);
    }
    FaceIndex faces;
    faces.indices32 = const_cast<uint32_t*>(conn.indices.data()); // only read: prepareEncode takes it const
    faces.facesWritten = F;
    for (auto& [name, attr] : attributes)
        attr->prepareEncode(V, F, attributes, faces);
    const std::vector<VertexPrediction> none;
    for (auto& [name, attr] : attributes)
        attr->computeDeltas(F > 0 ? conn.predictions : none);

    OutputStream out;
    out.entropy = options.entropy;
    if (options.entropy != ENTROPY_NONE && options.entropy != ENTROPY_TUNSTALL)
        throw kUnknownEntropy;
    out.writeU32(kMagic);
    out.writeU32(0);
    out.writeU8(uint8_t(options.entropy));
    out.writeU32(uint32_t(mesh.metadata.size()));
    for (const auto& [key, value] : mesh.metadata) {
        out.writeString(key);
        out.writeString(value);
    }
    out.writeI32(int32_t(mesh.attributes.size()));
    for (const AttributeInput& in : mesh.attributes) {
        const VertexAttribute& attr = *attributes.at(in.name);
        out.writeString(in.name);
        out.writeU32(uint32_t(attr.codecKind()));
        out.writeF32(attr.step);
        out.writeU8(uint8_t(attr.components));
        out.writeU8(uint8_t(attr.format));
        out.writeU8(uint8_t(attr.strategy));
    }
    out.writeU32(V);
    out.writeU32(F);

    out.writeU32(uint32_t(groupEnds.size()));
    for (size_t g = 0; g < groupEnds.size(); ++g) {
        out.writeU32(groupEnds[g]);
        const auto* props = g < mesh.groups.size() ? &mesh.groups[g].properties : nullptr;
        out.writeU8(uint8_t(props ? props->size() : 0));
        if (props)
            for (const auto& [key, value] : *props) {
                out.writeString(key);
                out.writeString(value);
            }
    }
    if (F > 0) {
        out.writeU32(conn.maxFront);
        out.writeByteArray(conn.operations);
        out.writeBitBlock(conn.bitWords);
    }
    for (auto& [name, attr] : attributes)
        attr->writeStreams(V, out);

    return {std::move(out.bytes), conn.order, conn.faceSource};
}

} // namespace

} // namespace crt
