// The Tunstall dictionary of 256 words shared by the reader and the writer. The compressed bytes
// are word numbers, so the construction must be reproduced step for step on both sides.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace crt {

struct TunstallPair {
    uint8_t symbol;
    uint8_t probability; // 0 to 255; the first pair is the most probable
};

struct TunstallTable {
    int wordBits = 8;                // the dictionary holds 2^wordBits words
    std::vector<TunstallPair> pairs;
    std::vector<int> offsets;        // per word number, first byte in `table`
    std::vector<int> lengths;        // per word number, byte length
    std::vector<uint8_t> table;      // the words' bytes, then kTableSlack spare bytes; grows as needed
    // Spare bytes after the words, so that any word up to this long can be copied as a whole block.
    static constexpr size_t kTableSlack = 16;
    // Working data of the construction, per word id; kept so that rebuilding allocates nothing.
    std::vector<uint32_t> slotProbability;
    std::vector<int> slotOffset, slotLength;

    // Builds the dictionary from the stored pairs (only meaningful for two or more pairs).
    void build(const TunstallPair* storedPairs, int count);
    void build(const std::vector<TunstallPair>& storedPairs) { build(storedPairs.data(), int(storedPairs.size())); }
    int words() const { return int(lengths.size()); }
};

// Writing side: the pairs of an array (every byte value that occurs, probability scaled to 255,
// most probable first) and the word numbers that spell it with `table`.
std::vector<TunstallPair> TunstallPairs(const uint8_t* data, size_t size);
std::vector<uint8_t> TunstallCompress(const TunstallTable& table, const uint8_t* data, size_t size);

} // namespace crt
