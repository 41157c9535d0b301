// Damaged containers: cut at every length and with every single bit flipped. Each decode either
// succeeds or raises one of the library's constant messages; the sanitizers catch any access
// outside the container (held in a buffer of exactly its length) or the caller's arrays.
#include "crt_seed_meshes.h"
#include "crt_test_util.h"

#include <gtest/gtest.h>

using namespace crt;
using crttest::DecodeAll;
using crttest::Decoded;

namespace {

bool LibraryMessage(const char* m)
{
    for (const char* known : {kNotCrtFile, kUnknownEntropy, kTopologyFailed, kNoPosition, kPositionOverloaded,
                              kNormalFormatEstimate, kNormalFormatDiff, kColorOutputFormat, kUnsupportedFormat,
                              kTruncated, kCorrupt, kColorChannels, kOutputTooSmall, kNoIndexArray,
                              kNoPositionValues, kOutOfMemory})
        if (m == known)
            return true;
    return false;
}

constexpr size_t kMaxElements = 1 << 20; // skip decoding when damaged counts ask for huge arrays

} // namespace

TEST(CrtCorruption, EveryTruncationFails)
{
    for (const auto& seed : crttest::SeedContainers()) {
        Decoded whole;
        ASSERT_EQ(DecodeAll(seed.bytes, whole), nullptr) << seed.name;
        for (size_t L = 0; L < seed.bytes.size(); ++L) {
            const std::vector<uint8_t> cut(seed.bytes.begin(), seed.bytes.begin() + long(L));
            Decoded d;
            const char* m = DecodeAll(cut, d, kMaxElements);
            ASSERT_TRUE(m && LibraryMessage(m)) << seed.name << " cut at " << L << ": " << (m ? m : "decoded");
        }
    }
}

TEST(CrtCorruption, EveryBitFlipDecodesOrFailsCleanly)
{
    size_t decoded = 0, failed = 0;
    for (const auto& seed : crttest::SeedContainers()) {
        for (size_t i = 0; i < seed.bytes.size(); ++i)
            for (int bit = 0; bit < 8; ++bit) {
                std::vector<uint8_t> bytes = seed.bytes;
                bytes[i] ^= uint8_t(1 << bit);
                Decoded d;
                const char* m = DecodeAll(bytes, d, kMaxElements);
                if (!m) {
                    ++decoded;
                    continue;
                }
                if (std::string(m) == "too large")
                    continue;
                ++failed;
                ASSERT_TRUE(LibraryMessage(m)) << seed.name << " byte " << i << " bit " << bit << ": " << m;
            }
    }
    // Both outcomes occur: flips in value bits decode, flips in structure fail.
    EXPECT_GT(decoded, 0u);
    EXPECT_GT(failed, 0u);
}
