// Strings, entropy-coded byte arrays (raw or Tunstall) and bit blocks.
#include "crt/stream.h"

#include "crt/tunstall.h"
#include "crt/workspace.h"

#include <algorithm>
#include <array>

namespace crt {

std::string InputStream::readString()
{
    const size_t L = readU16();
    need(L);
    const char* text = reinterpret_cast<const char*>(position);
    position += L;
    return std::string(text, strnlen(text, L));
}

namespace {

// Word bytes of a Tunstall block into `out` (room for `decoded` bytes plus the scratch slack):
// a short word moves as one 16-byte copy, whose excess the next word or the slack overwrites
// (the table's spare bytes keep the copy inside it).
void SpellWords(const TunstallTable& dict, const uint8_t* code, uint32_t C, size_t decoded, uint8_t* out)
{
    static_assert(TunstallTable::kTableSlack >= 16);
    const uint8_t* table = dict.table.data();
    const int* offsets = dict.offsets.data();
    const int* lengths = dict.lengths.data();
    uint8_t* dst = out;
    for (uint32_t i = 0; i + 1 < C; ++i) {
        const int w = code[i];
        const size_t o = size_t(offsets[w]), L = size_t(lengths[w]);
        if (L <= 16)
            std::memcpy(dst, table + o, 16);
        else
            std::memcpy(dst, table + o, L);
        dst += L;
    }
    std::memcpy(dst, table + offsets[code[C - 1]], decoded - size_t(dst - out));
}

} // namespace

ByteSpan InputStream::readBytes(Scratch<uint8_t>& room, size_t maxLength, size_t repeatLimit)
{
    if (entropy == ENTROPY_NONE) {
        const uint32_t L = readU32();
        if (L > maxLength)
            throw kCorrupt;
        need(L);
        const ByteSpan view{position, L};
        position += L;
        return view;
    }
    if (entropy != ENTROPY_TUNSTALL)
        throw kUnknownEntropy;

    const int n = readU8();
    need(size_t(n) * 2);
    std::array<TunstallPair, 256> pairs;
    for (int k = 0; k < n; ++k) {
        pairs[size_t(k)].symbol = position[0];
        pairs[size_t(k)].probability = position[1];
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
    if (n == 1) {
        const size_t L = std::min(size_t(decoded), repeatLimit);
        uint8_t* out = room.get(L);
        std::memset(out, pairs[0].symbol, L);
        return {out, L};
    }

    TunstallTable& dict = ThreadWorkspace().tunstall;
    dict.build(pairs.data(), n);
    // The words before the last must fall short of the decoded length and the last must reach it.
    if (C == 0)
        throw kCorrupt;
    // Lengths by word number, where a number without a word counts as 2^32 bytes: the sum of up
    // to 2^32 of them cannot wrap, and one of them outgrows any decoded length.
    std::array<uint64_t, 256> length;
    for (size_t w = 0; w < length.size(); ++w)
        length[w] = w < size_t(dict.words()) ? uint64_t(dict.lengths[w]) : uint64_t(1) << 32;
    uint64_t total = 0;
    for (uint32_t i = 0; i + 1 < C; ++i)
        total += length[code[i]];
    if (total >= uint64_t(decoded) || total + length[code[C - 1]] < uint64_t(decoded) ||
        length[code[C - 1]] > uint64_t(UINT32_MAX))
        throw kCorrupt;

    uint8_t* out = room.get(size_t(decoded));
    SpellWords(dict, code, C, size_t(decoded), out);
    return {out, size_t(decoded)};
}

std::vector<uint8_t> InputStream::readByteArray(size_t maxLength, size_t repeatLimit)
{
    Scratch<uint8_t> room;
    const ByteSpan view = readBytes(room, maxLength, repeatLimit);
    return std::vector<uint8_t>(view.data, view.data + view.size);
}

BitReader InputStream::readBitBlock()
{
    const uint32_t W = readU32();
    skip((4 - size_t(position - start) % 4) % 4);
    if (W > remaining() / 4)
        throw kTruncated;
    BitReader bits;
    bits.words = position;
    position += size_t(W) * 4;
    bits.wordsEnd = position;
    return bits;
}

} // namespace crt
