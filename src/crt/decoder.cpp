// Container header and the order in which the body's streams are read and decoded.
#include "crt/decoder.h"

#include "crt/messages.h"
#include "crt/workspace.h"

#include <algorithm>

namespace crt {

void Decoder::readHeader(const uint8_t* data, int64_t length)
{
    stream.init(data, length);
    if (stream.remaining() < 4 || stream.readU32() != kMagic)
        throw kNotCrtFile;
    stream.skip(4); // reserved, never interpreted
    stream.entropy = stream.readU8();
    const uint32_t M = stream.readU32();
    for (uint32_t i = 0; i < M; ++i) {
        std::string key = stream.readString();
        metadata[key] = stream.readString();
    }
    const int32_t A = stream.readI32();
    for (int32_t i = 0; i < A; ++i) {
        std::string name = stream.readString();
        const uint32_t codec = stream.readU32();
        const float step = stream.readF32();
        const int components = stream.readU8();
        const int format = stream.readU8();
        const int strategy = stream.readU8();
        std::unique_ptr<VertexAttribute> attr;
        if (codec == CODEC_NORMAL) {
            attr = std::make_unique<NormalAttr>(); // always 3 components
        } else if (codec == CODEC_COLOR) {
            attr = std::make_unique<ColorAttr>();
            attr->components = components;
        } else {
            attr = std::make_unique<GenericAttr<int>>();
            attr->components = components;
        }
        attr->step = step;
        attr->format = format;
        attr->strategy = strategy;
        attributes[name] = std::move(attr); // a repeated name replaces the earlier codec
    }
    nvert = stream.readU32();
    nface = stream.readU32();
}

bool Decoder::setAttribute(const std::string& name, void* buffer)
{
    const auto it = attributes.find(name);
    if (it == attributes.end())
        return false;
    it->second->buffer = buffer;
    it->second->format = FLOAT;
    return true;
}

void Decoder::readFaceGroups(bool mesh)
{
    const uint32_t G = stream.readU32();
    if (G > stream.remaining() / 5) // a group takes at least 5 bytes
        throw kTruncated;
    faceIndex.groups.assign(G, FaceGroup{});
    uint32_t previous = 0;
    for (FaceGroup& group : faceIndex.groups) {
        group.end = stream.readU32();
        const int P = stream.readU8();
        for (int i = 0; i < P; ++i) {
            std::string key = stream.readString();
            group.properties[key] = stream.readString();
        }
        // Groups cover consecutive face ranges inside the caller's index array.
        if (mesh && (group.end < previous || group.end > nface))
            throw kCorrupt;
        previous = group.end;
    }
}

void Decoder::mark(std::string_view section)
{
    if (layout)
        layout->push_back({std::string(section), size_t(stream.position - marked)});
    marked = stream.position;
}

void Decoder::decode()
{
    marked = stream.position;
    if (nface > 0)
        decodeMesh();
    else
        decodePoints();
}

void Decoder::decodeMesh()
{
    if (!faceIndex.indices32 && !faceIndex.indices16)
        throw kNoIndexArray;
    if (nface > UINT32_MAX / 3) // index positions are 32-bit
        throw kCorrupt;
    readFaceGroups(true);
    mark("face groups");
    max_front = stream.readU32();
    mark("front size");
    // Every face costs at most four operations of a single repeated code, so a block of one
    // symbol never needs more than that.
    Workspace& ws = ThreadWorkspace();
    ByteSpan ops = stream.readBytes(ws.operations, SIZE_MAX, size_t(nface) * 4);
    // The operations are followed by a byte that is no operation code, so that connectivity finds
    // their end by the test it makes for damaged codes anyway. Raw ones are copied out for it.
    if (!ops.data || ops.data != ws.operations.data()) {
        uint8_t* copy = ws.operations.get(ops.size + 1);
        std::copy_n(ops.data, ops.size, copy);
        ops.data = copy;
    }
    ws.operations.data()[ops.size] = kEndOfOperations;
    operations = {ops.data, ops.size};
    mark("connectivity operations");
    bits = stream.readBitBlock();
    mark("connectivity bits");
    for (auto& [name, attr] : attributes) {
        attr->readStreams(nvert, stream);
        mark(name);
    }
    // One prediction record per vertex, written as connectivity numbers the vertices; the rest
    // (vertices in no face) predict from vertex 0. Only bound attributes read the records, so an
    // unbound container cannot make the decoder reserve room for vertices it never numbers: a
    // start numbers at most three per operation. Ids continue on a repeated decode.
    bool bound = false;
    for (auto& [name, attr] : attributes)
        bound = bound || attr->buffer;
    const size_t room = bound ? nvert : std::min<size_t>(nvert, size_t(vertex_count) + 3 * ops.size + 3);
    VertexPrediction* records = ws.predictions.get(room);
    std::fill(records, records + vertex_count, VertexPrediction{});
    faceIndex.predictions = {records, room};
    uint32_t cursor = 0, previous = 0;
    for (const FaceGroup& group : faceIndex.groups) {
        decodeGroupFaces(3 * previous, 3 * group.end, cursor);
        previous = group.end;
    }
    faceIndex.facesWritten = previous;
    faceIndex.idsDecoded = true; // connectivity hands out only ids below nvert
    if (bound)
        std::fill(records + vertex_count, records + nvert, VertexPrediction{});
    faceIndex.predictions = {records, bound ? size_t(nvert) : size_t(vertex_count)};
    for (auto& [name, attr] : attributes)
        attr->undoDeltas(nvert, faceIndex.predictions);
    for (auto& [name, attr] : attributes)
        attr->finishDecode(nvert, nface, attributes, faceIndex);
    for (auto& [name, attr] : attributes)
        attr->writeOutput(nvert);
}

void Decoder::decodePoints()
{
    readFaceGroups(false);
    mark("face groups");
    for (auto& [name, attr] : attributes) {
        attr->readStreams(nvert, stream);
        mark(name);
    }
    for (auto& [name, attr] : attributes)
        attr->undoDeltas(nvert, {});
    for (auto& [name, attr] : attributes)
        attr->writeOutput(nvert);
}

} // namespace crt
