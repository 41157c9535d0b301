// Helpers for the mesh library tests: hand-built containers and decoding through the exported
// functions into arrays of exactly the documented sizes.
#pragma once
#include "crt/crt.h"
#include "crt/decoder.h"
#include "crt/messages.h"
#include "crt/output_stream.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace crttest {

struct Descriptor {
    std::string name;
    uint32_t codec = crt::CODEC_GENERIC;
    float step = 1.0f;
    uint8_t components = 3;
    uint8_t format = crt::FLOAT;
    uint8_t strategy = 0;
};

// A container written field by field, for layouts the writer would never produce.
struct RawContainer {
    uint8_t entropy = crt::ENTROPY_NONE;
    std::vector<std::pair<std::string, std::string>> metadata;
    std::vector<Descriptor> descriptors;
    int32_t descriptorCount = -1; // -1: the number of descriptors
    uint32_t nvert = 0, nface = 0;
    std::vector<uint32_t> groupEnds;
    uint32_t maxFront = 16;
    std::vector<uint8_t> ops;
    std::vector<uint32_t> bitWords;
    std::function<void(crt::OutputStream&)> streams; // attribute streams, in name order

    std::vector<uint8_t> bytes() const
    {
        crt::OutputStream out;
        out.entropy = entropy;
        out.writeU32(crt::kMagic);
        out.writeU32(0);
        out.writeU8(entropy);
        out.writeU32(uint32_t(metadata.size()));
        for (const auto& [k, v] : metadata) {
            out.writeString(k);
            out.writeString(v);
        }
        out.writeI32(descriptorCount >= 0 ? descriptorCount : int32_t(descriptors.size()));
        for (const Descriptor& d : descriptors) {
            out.writeString(d.name);
            out.writeU32(d.codec);
            out.writeF32(d.step);
            out.writeU8(d.components);
            out.writeU8(d.format);
            out.writeU8(d.strategy);
        }
        out.writeU32(nvert);
        out.writeU32(nface);
        out.writeU32(uint32_t(groupEnds.size()));
        for (uint32_t e : groupEnds) {
            out.writeU32(e);
            out.writeU8(0);
        }
        if (nface > 0) {
            out.writeU32(maxFront);
            out.writeByteArray(ops);
            out.writeBitBlock(bitWords);
        }
        if (streams)
            streams(out);
        return out.bytes;
    }
};

// Decodes with the C++ decoder into an index array (and nothing else bound), for topology checks.
struct Topology {
    std::vector<uint32_t> indices;
    std::vector<crt::VertexPrediction> predictions;
    uint32_t vertexCount = 0;
};
inline Topology DecodeTopology(const std::vector<uint8_t>& bytes)
{
    crt::Decoder d;
    d.readHeader(bytes.data(), int64_t(bytes.size()));
    Topology t;
    t.indices.assign(size_t(d.nface) * 3, 0xdeadbeef);
    d.faceIndex.indices32 = t.indices.data();
    d.decode();
    t.predictions = d.faceIndex.predictions;
    t.vertexCount = d.vertex_count;
    return t;
}

struct Decoded {
    float info[2] = {0, 0};
    int32_t result = 0;
    std::vector<uint32_t> indices;
    std::vector<float> positions, normals, colors, uvs;
};

// Through the exported functions, every array bound at its documented size. Returns the failure
// text, or null when decoding succeeded.
inline const char* DecodeAll(const std::vector<uint8_t>& bytes, Decoded& out, size_t maxElements = SIZE_MAX)
{
    void* decoder = nullptr;
    try {
        decoder = CreateDecoder(int32_t(bytes.size()), bytes.data(), out.info);
        const size_t F = size_t(out.info[0]), V = size_t(out.info[1]);
        if (3 * F > maxElements || 4 * V > maxElements) {
            DestroyDecoder(decoder);
            return "too large";
        }
        out.indices.assign(3 * F, 0);
        out.positions.assign(3 * V, 0);
        out.normals.assign(3 * V, 0);
        out.colors.assign(4 * V, 0);
        out.uvs.assign(2 * V, 0);
        out.result = DecodeMesh(decoder, out.positions.data(), out.indices.data(), out.normals.data(),
                                out.colors.data(), out.uvs.data());
    } catch (const char* message) {
        DestroyDecoder(decoder);
        return message;
    }
    DestroyDecoder(decoder);
    return nullptr;
}

} // namespace crttest
