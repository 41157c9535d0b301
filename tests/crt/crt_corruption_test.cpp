// Damaged containers: cut at every length and with every single bit flipped. Each decode either
// succeeds or raises one of the library's constant messages; the sanitizers catch any access
// outside the container (held in a buffer of exactly its length) or the caller's arrays.
#include "crt_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace crt;

TEST(CrtCorruption, TruncationsFailAndBitFlipsDecodeOrFailCleanly)
{
    const auto known = [](const char* m) {
        for (const char* k : {kNotCrtFile, kUnknownEntropy, kTopologyFailed, kNoPosition, kPositionOverloaded,
                              kNormalFormatEstimate, kNormalFormatDiff, kColorOutputFormat, kUnsupportedFormat,
                              kTruncated, kCorrupt, kColorChannels, kOutputTooSmall, kNoIndexArray,
                              kNoPositionValues, kOutOfMemory})
            if (m == k)
                return true;
        return false;
    };
    // The seeds are also the fuzzer's: written afresh, beside an emptied directory for its finds.
    const std::filesystem::path fuzz = HOLLOWMERE_BINARY_DIR "/tests/crt/fuzz";
    std::filesystem::remove_all(fuzz);
    std::filesystem::create_directories(fuzz / "corpus");
    std::filesystem::create_directories(fuzz / "seeds");
    const size_t limit = 1 << 20; // no arrays when damaged counts ask for more ("too large")
    size_t decoded = 0, failed = 0;
    const auto seeds = crttest::SeedContainers();
    for (size_t s = 0; s < seeds.size(); ++s) {
        const std::vector<uint8_t>& seed = seeds[s];
        std::ofstream(fuzz / "seeds" / ("seed-" + std::to_string(s)), std::ios::binary)
            .write(reinterpret_cast<const char*>(seed.data()), std::streamsize(seed.size()));
        crttest::Decoded d;
        ASSERT_EQ(crttest::DecodeAll(seed, d), nullptr) << "seed " << s;
        for (size_t L = 0; L < seed.size(); ++L) {
            const char* m = crttest::DecodeAll({seed.begin(), seed.begin() + long(L)}, d, limit);
            ASSERT_TRUE(m && known(m)) << "seed " << s << " cut at " << L << ": " << (m ? m : "decoded");
        }
        for (size_t i = 0; i < 8 * seed.size(); ++i) {
            std::vector<uint8_t> bytes = seed;
            bytes[i / 8] ^= uint8_t(1 << (i % 8));
            const char* m = crttest::DecodeAll(bytes, d, limit);
            const bool large = m && std::string(m) == "too large";
            decoded += !m;
            failed += m && !large;
            ASSERT_TRUE(!m || large || known(m)) << "seed " << s << " bit " << i << ": " << m;
        }
    }
    // Both outcomes occur: flips in value bits decode, flips in structure fail.
    EXPECT_GT(decoded, 0u);
    EXPECT_GT(failed, 0u);
}
