// The container decoder behind the exported functions: the header is parsed on creation, the
// body is decoded once into caller-owned arrays.
#pragma once
#include "crt/attribute.h"
#include "crt/stream.h"
#include "crt/topology.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace crt {

inline constexpr uint32_t kMagic = 0x787A6300; // bytes 00 63 7A 78

// A part of the body as the decoder read it, for tools that show where a container's bytes go.
struct Section {
    std::string name; // "face groups", "front size", "connectivity operations", "connectivity bits" or an attribute
    size_t bytes = 0;
};

class Decoder {
public:
    uint32_t nvert = 0;
    uint32_t nface = 0;
    std::map<std::string, std::string> metadata;
    AttributeMap attributes;
    FaceIndex faceIndex;
    std::span<const uint8_t> operations; // in the container, or in the thread's workspace
    BitReader bits; // connectivity bits
    uint32_t max_front = 0;
    InputStream stream;
    uint32_t vertex_count = 0;
    std::vector<Section>* layout = nullptr; // when set, decode() appends the body's sections in order

    // Points the stream at the container (reads never go past `length` bytes) and parses the
    // header, leaving the stream at the first body byte.
    void readHeader(const uint8_t* data, int64_t length);
    // Binds a caller array to the named attribute, whose output becomes float.
    bool setAttribute(const std::string& name, void* buffer);
    // Decodes the body: the mesh when nface > 0, otherwise the point set.
    void decode();
    // Decodes one face group's faces, writing index positions start to end - 1.
    void decodeGroupFaces(uint32_t start, uint32_t end, uint32_t& cursor);

private:
    void readFaceGroups(bool mesh);
    void decodeMesh();
    void decodePoints();
    // A view, so that a decode that asks for no layout builds no strings (two of the names are
    // longer than a string holds without the heap).
    void mark(std::string_view section);
    const uint8_t* marked = nullptr;
};

} // namespace crt
