// Integer blocks: a bit block of signed fields and the bit-length arrays that say how wide each
// field is, one array per component or one shared by the components of a vertex.
//
// The widths of an array are checked once, before any field is read: none above 32, and all of
// them together inside the block's words. The fields are then cut from the words by their bit
// position alone, with no test for the end of the words, and a vertex whose shared fields fit in
// 32 bits takes them all in one cut.
#include "crt/stream.h"
#include "crt/workspace.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace crt {

namespace {

// Fields of 0 to 32 bits, most significant bit first, at a running bit position in the words.
// A field is cut from the two words around its first bit, so the second word may be the one
// after the block: the caller makes sure that 4 readable bytes follow the words.
struct FieldCursor {
    const uint8_t* words = nullptr;
    uint64_t position = 0; // bits taken so far

    uint32_t read(unsigned n)
    {
        const uint8_t* at = words + (position >> 5) * 4;
        uint64_t two; // the word at `at` in the high half
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&two, at, 8);
            two = std::rotl(two, 32);
        } else {
            two = uint64_t(LoadU32(at)) << 32 | LoadU32(at + 4);
        }
        const uint64_t aligned = two << (position & 31); // the field's first bit at bit 63
        position += n;
        return uint32_t((aligned >> 1) >> (63 - n)); // 0 for a field of 0 bits
    }
};

// What one bit-length array asks of the block.
struct Widths {
    uint64_t bits = 0; // the sum of the widths
    size_t read = 0;   // entries up to the last non-zero width: the rest are zeros and read nothing
};

Widths CheckWidths(const ByteSpan& lengths)
{
    // Plain loops over the bytes, which the compiler turns into vector code.
    uint8_t widest = 0;
    uint64_t sum = 0;
    for (size_t j = 0; j < lengths.size; ++j) {
        widest = std::max(widest, lengths.data[j]);
        sum += lengths.data[j];
    }
    if (widest > 32)
        throw kCorrupt;
    Widths w{sum, lengths.size};
    while (w.read > 0 && lengths.data[w.read - 1] == 0)
        --w.read;
    return w;
}

// Fields of `bits` bits in all must lie inside the block's words.
void CheckRoom(const InputStream& in, const BitReader& block, uint64_t bits)
{
    if (bits > uint64_t(block.wordsEnd - block.words) * 8)
        throw kCorrupt;
    // A bit-length array (at least its 4-byte count) always follows the words.
    if (in.end - block.wordsEnd < 4)
        throw kTruncated;
}

// Per width h (0 to 32): 2^(h-1), the bias of shared fields and the half of per-component ones,
// and the mask of h low bits.
struct WidthConstants {
    uint32_t bias, mask;
};
constexpr std::array<WidthConstants, 33> kWidths = [] {
    std::array<WidthConstants, 33> w{};
    for (unsigned h = 0; h <= 32; ++h)
        w[h] = {uint32_t((uint64_t(1) << h) >> 1), uint32_t((uint64_t(1) << h) - 1)};
    return w;
}();

// Shared widths: all N fields of a vertex at once when they fit in 32 bits, one by one otherwise.
// Each field is stored plus 2^(h-1); the bias of width 32 is 2^31 like the others.
template <int N, typename T>
void SharedFields(FieldCursor& bits, const uint8_t* widths, size_t count, T* out)
{
    for (size_t j = 0; j < count; ++j, out += N) {
        const unsigned h = widths[j];
        const uint32_t bias = kWidths[h].bias;
        if (N * h <= 32) {
            const uint32_t t = bits.read(N * h);
            const uint32_t mask = kWidths[h].mask;
            for (int i = 0; i < N; ++i)
                out[i] = T(((t >> ((N - 1 - i) * h)) & mask) - bias);
        } else {
            for (int i = 0; i < N; ++i)
                out[i] = T(bits.read(h) - bias);
        }
    }
}

// Shared widths for any component count.
template <typename T>
void SharedFields(FieldCursor& bits, const uint8_t* widths, size_t count, T* out, int N)
{
    for (size_t j = 0; j < count; ++j) {
        const unsigned h = widths[j];
        const uint32_t bias = kWidths[h].bias;
        for (int i = 0; i < N; ++i)
            *out++ = T(bits.read(h) - bias);
    }
}

template <typename T>
uint32_t ReadSigned(InputStream& in, T* values, int N, uint32_t maxEntries)
{
    const BitReader block = in.readBitBlock();
    Scratch<uint8_t>& room = ThreadWorkspace().lengths;
    FieldCursor bits{block.words};
    uint64_t taken = 0;
    uint32_t count = 0;
    for (int i = 0; i < N; ++i) {
        const ByteSpan lengths = in.readBytes(room, maxEntries);
        count = uint32_t(lengths.size);
        if (!values)
            continue;
        const Widths w = CheckWidths(lengths);
        taken += w.bits;
        CheckRoom(in, block, taken);
        T* out = values + i;
        const uint8_t* h = lengths.data;
        // Width h holds t: 2^(h-1) and above stand for themselves, below for -(t + 2^(h-1)),
        // which is t - (2t + 2^(h-1)). The signs of residuals are a coin toss, so the choice is
        // a mask rather than a branch the processor would mispredict half the time.
        for (size_t j = 0; j < w.read; ++j, out += N) {
            const uint32_t t = bits.read(h[j]);
            const uint32_t half = kWidths[h[j]].bias;
            const uint32_t negative = 0u - uint32_t(t < half);
            *out = T(t - (negative & (2 * t + half)));
        }
        for (size_t j = w.read; j < count; ++j, out += N)
            *out = T(0);
    }
    return count;
}

template <typename T>
uint32_t ReadShared(InputStream& in, T* values, int N, uint32_t maxEntries)
{
    const BitReader block = in.readBitBlock();
    const ByteSpan lengths = in.readBytes(ThreadWorkspace().lengths, maxEntries);
    const uint32_t count = uint32_t(lengths.size);
    if (!values)
        return count;
    const Widths w = CheckWidths(lengths);
    CheckRoom(in, block, w.bits * uint64_t(N));
    FieldCursor bits{block.words};
    // The usual component counts get loops of their own, unrolled over the components.
    switch (N) {
    case 1: SharedFields<1>(bits, lengths.data, w.read, values); break;
    case 2: SharedFields<2>(bits, lengths.data, w.read, values); break;
    case 3: SharedFields<3>(bits, lengths.data, w.read, values); break;
    case 4: SharedFields<4>(bits, lengths.data, w.read, values); break;
    default: SharedFields(bits, lengths.data, w.read, values, N); break;
    }
    std::fill(values + w.read * size_t(N), values + size_t(count) * size_t(N), T(0));
    return count;
}

} // namespace

uint32_t InputStream::readSignedValues(int32_t* values, int N, uint32_t maxEntries)
{
    return ReadSigned(*this, values, N, maxEntries);
}
uint32_t InputStream::readSignedValues(uint8_t* values, int N, uint32_t maxEntries)
{
    return ReadSigned(*this, values, N, maxEntries);
}
uint32_t InputStream::readSharedValues(int32_t* values, int N, uint32_t maxEntries)
{
    return ReadShared(*this, values, N, maxEntries);
}
uint32_t InputStream::readSharedValues(uint8_t* values, int N, uint32_t maxEntries)
{
    return ReadShared(*this, values, N, maxEntries);
}

} // namespace crt
