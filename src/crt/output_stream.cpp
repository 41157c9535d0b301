// The writer's side of the stream layouts.
#include "crt/output_stream.h"

#include "crt/tunstall.h"

#include <bit>
#include <cstring>

namespace crt {

void OutputStream::writeU16(uint16_t v)
{
    bytes.push_back(uint8_t(v));
    bytes.push_back(uint8_t(v >> 8));
}

void OutputStream::writeU32(uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(uint8_t(v >> (8 * i)));
}

void OutputStream::writeF32(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    writeU32(bits);
}

void OutputStream::writeString(const std::string& text)
{
    const std::string stored = text.substr(0, text.find('\0')).substr(0, 65534);
    writeU16(uint16_t(stored.size() + 1));
    bytes.insert(bytes.end(), stored.begin(), stored.end());
    bytes.push_back(0);
}

void OutputStream::writeByteArray(const uint8_t* data, size_t size)
{
    if (size > 0x7fffffff)
        throw kBadMesh;
    if (entropy == ENTROPY_NONE) {
        writeU32(uint32_t(size));
        bytes.insert(bytes.end(), data, data + size);
        return;
    }
    if (entropy != ENTROPY_TUNSTALL)
        throw kUnknownEntropy;
    const std::vector<TunstallPair> pairs = TunstallPairs(data, size);
    writeU8(uint8_t(pairs.size()));
    for (const TunstallPair& p : pairs) {
        writeU8(p.symbol);
        writeU8(p.probability);
    }
    writeI32(int32_t(size));
    std::vector<uint8_t> code;
    if (pairs.size() > 1) {
        TunstallTable dict;
        dict.build(pairs);
        code = TunstallCompress(dict, data, size);
    }
    writeU32(uint32_t(code.size()));
    bytes.insert(bytes.end(), code.begin(), code.end());
}

void OutputStream::writeBitBlock(const std::vector<uint32_t>& words)
{
    writeU32(uint32_t(words.size()));
    while (bytes.size() % 4)
        bytes.push_back(0);
    for (uint32_t w : words)
        writeU32(w);
}

namespace {

// Bit length of |v| (|INT_MIN| is 2^31, length 32).
int SignedLength(int32_t v)
{
    const uint32_t mag = v < 0 ? 0u - uint32_t(v) : uint32_t(v);
    return 32 - std::countl_zero(mag);
}

// Minimal two's-complement width: 0 for 0, 1 for -1.
int TwosWidth(int32_t v)
{
    if (v == 0)
        return 0;
    const uint32_t m = v < 0 ? ~uint32_t(v) : uint32_t(v);
    return std::min(32, 33 - std::countl_zero(m));
}

template <typename T>
int32_t Value(T v)
{
    if constexpr (sizeof(T) == 1)
        return int8_t(v);
    else
        return int32_t(v);
}

template <typename T>
void WriteSigned(OutputStream& out, const T* values, int N, uint32_t count)
{
    BitWriter bits;
    std::vector<std::vector<uint8_t>> lengths(static_cast<size_t>(N), std::vector<uint8_t>(count));
    for (int i = 0; i < N; ++i)
        for (uint32_t j = 0; j < count; ++j) {
            const int32_t v = Value(values[size_t(N) * j + size_t(i)]);
            const int h = SignedLength(v);
            lengths[size_t(i)][j] = uint8_t(h);
            if (h)
                bits.write(v > 0 ? uint32_t(v) : 0u - uint32_t(v) - (uint32_t(1) << (h - 1)), h);
        }
    out.writeBitBlock(bits.finish());
    for (const auto& l : lengths)
        out.writeByteArray(l);
}

template <typename T>
void WriteShared(OutputStream& out, const T* values, int N, uint32_t count)
{
    BitWriter bits;
    std::vector<uint8_t> lengths(count);
    for (uint32_t j = 0; j < count; ++j) {
        int h = 0;
        for (int i = 0; i < N; ++i)
            h = std::max(h, TwosWidth(Value(values[size_t(N) * j + size_t(i)])));
        lengths[j] = uint8_t(h);
        if (h)
            for (int i = 0; i < N; ++i)
                bits.write(uint32_t(Value(values[size_t(N) * j + size_t(i)])) + (uint32_t(1) << (h - 1)), h);
    }
    out.writeBitBlock(bits.finish());
    out.writeByteArray(lengths);
}

} // namespace

void OutputStream::writeSignedValues(const int32_t* values, int N, uint32_t count) { WriteSigned(*this, values, N, count); }
void OutputStream::writeSignedValues(const uint8_t* values, int N, uint32_t count) { WriteSigned(*this, values, N, count); }
void OutputStream::writeSharedValues(const int32_t* values, int N, uint32_t count) { WriteShared(*this, values, N, count); }
void OutputStream::writeSharedValues(const uint8_t* values, int N, uint32_t count) { WriteShared(*this, values, N, count); }

} // namespace crt
