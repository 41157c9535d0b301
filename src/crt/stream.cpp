// Strings, entropy-coded byte arrays (raw or Tunstall), bit blocks and integer blocks.
#include "crt/stream.h"

#include "crt/tunstall.h"

namespace crt {

std::string InputStream::readString()
{
    const size_t L = readU16();
    need(L);
    const char* text = reinterpret_cast<const char*>(position);
    position += L;
    return std::string(text, strnlen(text, L));
}

std::vector<uint8_t> InputStream::readByteArray(size_t maxLength, size_t repeatLimit)
{
    if (entropy == ENTROPY_NONE) {
        const uint32_t L = readU32();
        if (L > maxLength)
            throw kCorrupt;
        need(L);
        std::vector<uint8_t> out(position, position + L);
        position += L;
        return out;
    }
    if (entropy != ENTROPY_TUNSTALL)
        throw kUnknownEntropy;

    const int n = readU8();
    need(size_t(n) * 2);
    std::vector<TunstallPair> pairs(static_cast<size_t>(n));
    for (auto& p : pairs) {
        p.symbol = position[0];
        p.probability = position[1];
        position += 2;
    }
    const int32_t decoded = readI32();
    const uint32_t C = readU32();
    need(C);
    const uint8_t* code = position;
    position += C;

    if (decoded < 0 || size_t(decoded) > maxLength)
        throw kCorrupt;
    if (decoded == 0)
        return {};
    if (n == 0)
        throw kCorrupt;
    if (n == 1)
        return std::vector<uint8_t>(std::min(size_t(decoded), repeatLimit), pairs[0].symbol);

    TunstallTable dict;
    dict.build(pairs);
    // The words before the last must fall short of the decoded length and the last must reach it.
    if (C == 0)
        throw kCorrupt;
    const int words = dict.words();
    size_t total = 0;
    for (uint32_t i = 0; i + 1 < C; ++i) {
        if (code[i] >= words)
            throw kCorrupt;
        total += size_t(dict.lengths[code[i]]);
    }
    if (code[C - 1] >= words || total >= size_t(decoded) ||
        total + size_t(dict.lengths[code[C - 1]]) < size_t(decoded))
        throw kCorrupt;

    std::vector<uint8_t> out(static_cast<size_t>(decoded));
    uint8_t* dst = out.data();
    const uint8_t* table = dict.table.data();
    for (uint32_t i = 0; i + 1 < C; ++i) {
        const int w = code[i];
        const size_t L = size_t(dict.lengths[w]);
        std::memcpy(dst, table + dict.offsets[w], L);
        dst += L;
    }
    std::memcpy(dst, table + dict.offsets[code[C - 1]], size_t(decoded) - total);
    return out;
}

BitReader InputStream::readBitBlock()
{
    const uint32_t W = readU32();
    skip((4 - size_t(position - start) % 4) % 4);
    if (W > remaining() / 4)
        throw kTruncated;
    BitReader bits;
    bits.wordCount = W;
    bits.first = bits.words = position;
    position += size_t(W) * 4;
    bits.wordsEnd = position;
    return bits;
}

namespace {

template <typename T>
uint32_t ReadSigned(InputStream& in, T* values, int N, uint32_t maxEntries)
{
    BitReader bits = in.readBitBlock();
    uint32_t count = 0;
    for (int i = 0; i < N; ++i) {
        const std::vector<uint8_t> lengths = in.readByteArray(maxEntries);
        count = uint32_t(lengths.size());
        if (!values)
            continue;
        T* out = values + i;
        for (uint32_t j = 0; j < count; ++j, out += N) {
            const int h = lengths[j];
            uint32_t v = 0;
            if (h) {
                if (h > 32)
                    throw kCorrupt;
                const uint32_t t = bits.read(h);
                const uint32_t half = uint32_t(1) << (h - 1);
                v = t < half ? 0u - (t + half) : t;
            }
            *out = T(v);
        }
    }
    return count;
}

template <typename T>
uint32_t ReadShared(InputStream& in, T* values, int N, uint32_t maxEntries)
{
    BitReader bits = in.readBitBlock();
    const std::vector<uint8_t> lengths = in.readByteArray(maxEntries);
    const uint32_t count = uint32_t(lengths.size());
    if (!values)
        return count;
    T* out = values;
    for (uint32_t j = 0; j < count; ++j) {
        const int h = lengths[j];
        if (h > 32)
            throw kCorrupt;
        // The bias of width 32 is 2^31 like every other width's 2^(h-1).
        const uint32_t bias = h ? uint32_t(1) << (h - 1) : 0;
        for (int i = 0; i < N; ++i)
            *out++ = h ? T(bits.read(h) - bias) : T(0);
    }
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
