// Writing the container: the exact layouts the reader expects (numbers, strings, entropy-coded
// byte arrays, bit blocks, integer blocks).
#pragma once
#include "crt/stream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace crt {

// Packs fields most significant bit first into 32-bit words; the last word is padded with zeros.
struct BitWriter {
    std::vector<uint32_t> words;
    uint64_t acc = 0; // pending bits, right-aligned
    int used = 0;     // number of pending bits (0 to 31)

    void write(uint32_t value, int n)
    {
        if (n == 0)
            return;
        acc = (acc << n) | (uint64_t(value) & ((uint64_t(1) << n) - 1));
        used += n;
        if (used >= 32) {
            used -= 32;
            words.push_back(uint32_t(acc >> used));
            acc &= (uint64_t(1) << used) - 1;
        }
    }
    // Pads the last word and returns all words.
    std::vector<uint32_t> finish()
    {
        if (used) {
            words.push_back(uint32_t(acc << (32 - used)));
            acc = 0;
            used = 0;
        }
        return words;
    }
};

struct OutputStream {
    int entropy = ENTROPY_TUNSTALL;
    std::vector<uint8_t> bytes;

    void writeU8(uint8_t v) { bytes.push_back(v); }
    void writeU16(uint16_t v);
    void writeU32(uint32_t v);
    void writeI32(int32_t v) { writeU32(uint32_t(v)); }
    void writeF32(float v);
    void writeString(const std::string& text);
    void writeByteArray(const uint8_t* data, size_t size);
    void writeByteArray(const std::vector<uint8_t>& data) { writeByteArray(data.data(), data.size()); }
    // Word count, zero padding to a multiple of 4 from the first byte, the words.
    void writeBitBlock(const std::vector<uint32_t>& words);

    // Integer blocks for `count` vertices of N values each (8-bit values are written as signed
    // bytes, which reads back to the same low 8 bits).
    void writeSignedValues(const int32_t* values, int N, uint32_t count);
    void writeSignedValues(const uint8_t* values, int N, uint32_t count);
    void writeSharedValues(const int32_t* values, int N, uint32_t count);
    void writeSharedValues(const uint8_t* values, int N, uint32_t count);
};

} // namespace crt
