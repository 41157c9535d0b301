// Damaged containers: cut at every length and with every single bit flipped. Each decode either
// succeeds or raises one of the library's constant messages; the sanitizers catch any access
// outside the container (held in a buffer of exactly its length) or the caller's arrays.
#include "crt_test_util.h"

#include <gtest/gtest.h>

#include <string>

using namespace crttest;

TEST(CrtCorruption, TruncationsFailAndBitFlipsDecodeOrFailCleanly)
{
    size_t decoded = 0, failed = 0;
    const auto seeds = SeedContainers();
    for (size_t s = 0; s < seeds.size(); ++s) {
        const std::vector<uint8_t>& seed = seeds[s];
        Decoded d;
        ASSERT_EQ(DecodeAll(seed, d), nullptr) << "seed " << s;
        for (size_t L = 0; L < seed.size(); ++L) {
            const char* m = DecodeAll({seed.begin(), seed.begin() + long(L)}, d, 1 << 20);
            ASSERT_TRUE(IsLibraryMessage(m)) << "seed " << s << " cut at " << L << ": " << (m ? m : "decoded");
        }
        for (size_t i = 0; i < 8 * seed.size(); ++i) {
            std::vector<uint8_t> bytes = seed;
            bytes[i / 8] ^= uint8_t(1 << (i % 8));
            // No arrays when damaged counts ask for more than a million values ("too large").
            const char* m = DecodeAll(bytes, d, 1 << 20);
            decoded += !m;
            failed += IsLibraryMessage(m);
            ASSERT_TRUE(!m || IsLibraryMessage(m) || std::string(m) == "too large")
                << "seed " << s << " bit " << i << ": " << m;
        }
    }
    // Both outcomes occur: flips in value bits decode, flips in structure fail.
    EXPECT_GT(decoded, 0u);
    EXPECT_GT(failed, 0u);
}
