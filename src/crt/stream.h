// Reading the container: little-endian numbers and strings, entropy-coded byte arrays, bit blocks
// and the integer blocks built from them. Every read is bounded by the length the caller gave.
#pragma once
#include "crt/messages.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace crt {

enum { ENTROPY_NONE = 0, ENTROPY_TUNSTALL = 1 };

inline uint32_t LoadU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Fields of 0 to 32 bits, most significant bit first, taken from 32-bit little-endian words.
// Up to 63 bits wait in a left-aligned buffer, so a field costs one shift and at most one load.
struct BitReader {
    const uint8_t* words = nullptr;    // next word to load
    const uint8_t* wordsEnd = nullptr; // reading past the block's words means a damaged container
    uint64_t pending = 0;              // the not yet consumed bits, the next one at bit 63; the rest 0
    int available = 0;                 // valid bits in pending, 0 to 63

    uint32_t read(int n)
    {
        if (available < n) {
            if (words == wordsEnd)
                throw kCorrupt;
            pending |= uint64_t(LoadU32(words)) << (32 - available);
            words += 4;
            available += 32;
        }
        const uint32_t result = uint32_t((pending >> 1) >> (63 - n)); // 0 for a field of 0 bits
        pending <<= n;
        available -= n;
        return result;
    }
};

// A view of decoded bytes: into the container itself, or into the thread's working memory.
struct ByteSpan {
    const uint8_t* data = nullptr;
    size_t size = 0;
};

template <typename T>
class Scratch;

struct InputStream {
    int entropy = ENTROPY_TUNSTALL;
    const uint8_t* start = nullptr;    // the container's first byte (alignment is counted from it)
    const uint8_t* position = nullptr; // next unread byte
    const uint8_t* end = nullptr;      // one past the last byte the caller vouched for

    void init(const uint8_t* data, int64_t length)
    {
        start = position = data;
        end = data ? data + (length > 0 ? length : 0) : data;
    }
    size_t remaining() const { return size_t(end - position); }
    void need(size_t n) const
    {
        if (remaining() < n)
            throw kTruncated;
    }
    void skip(size_t n)
    {
        need(n);
        position += n;
    }
    uint8_t readU8()
    {
        need(1);
        return *position++;
    }
    uint16_t readU16()
    {
        need(2);
        const uint16_t v = uint16_t(position[0] | position[1] << 8);
        position += 2;
        return v;
    }
    uint32_t readU32()
    {
        need(4);
        const uint32_t v = LoadU32(position);
        position += 4;
        return v;
    }
    int32_t readI32() { return int32_t(readU32()); }
    float readF32()
    {
        const uint32_t bits = readU32();
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
    // uint16 byte count L, then L bytes: the text and its terminating zero.
    std::string readString();

    // The next entropy-coded array. Arrays longer than maxLength are damage. A single-symbol
    // Tunstall block costs no data whatever its length, so it is cut to repeatLimit bytes by
    // callers that can never use more. Raw arrays are viewed in place; decoded ones are written to
    // `room` (with its slack), which the view then points into.
    ByteSpan readBytes(Scratch<uint8_t>& room, size_t maxLength = SIZE_MAX, size_t repeatLimit = SIZE_MAX);
    // The same, copied out.
    std::vector<uint8_t> readByteArray(size_t maxLength = SIZE_MAX, size_t repeatLimit = SIZE_MAX);

    // uint32 word count, padding to a multiple of 4 from the container start, the words.
    BitReader readBitBlock();

    // Integer blocks: one bit-length array per component, or one shared by all components of a
    // vertex. Values may be null: the block is then consumed and nothing is stored. Entry counts
    // above maxEntries are damage. Return the entry count of the last bit-length array read.
    uint32_t readSignedValues(int32_t* values, int N, uint32_t maxEntries);
    uint32_t readSignedValues(uint8_t* values, int N, uint32_t maxEntries);
    uint32_t readSharedValues(int32_t* values, int N, uint32_t maxEntries);
    uint32_t readSharedValues(uint8_t* values, int N, uint32_t maxEntries);
};

} // namespace crt
