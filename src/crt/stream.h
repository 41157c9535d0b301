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

// Fields of 1 to 32 bits, most significant bit first, taken from 32-bit little-endian words.
struct BitReader {
    const uint8_t* words = nullptr; // next word to load
    uint32_t pending = 0;           // the not yet consumed low bits of the last loaded word
    int available = 0;              // valid bits in pending, 0 to 31
    uint32_t wordCount = 0;
    const uint8_t* first = nullptr;
    const uint8_t* wordsEnd = nullptr; // reading past the block's words means a damaged container

    uint32_t read(int n)
    {
        if (available >= n) {
            available -= n;
            const uint32_t result = pending >> available;
            pending &= uint32_t((uint64_t(1) << available) - 1);
            return result;
        }
        if (words == wordsEnd)
            throw kCorrupt;
        const uint32_t word = LoadU32(words);
        words += 4;
        const int m = n - available;
        available = 32 - m;
        const uint32_t result = uint32_t((uint64_t(pending) << m) | (word >> available));
        pending = word & uint32_t((uint64_t(1) << available) - 1);
        return result;
    }
};

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
    // callers that can never use more.
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
