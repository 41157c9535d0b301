// One container decoded by four threads at once, each with its own decoder and working memory:
// every thread gets exactly the single-threaded result, also after its workspace has grown for
// a larger mesh and shrunk back to a smaller one. Runs under ThreadSanitizer in the tsan preset.
#include "crt_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

using namespace crt;
using namespace crttest;

TEST(CrtThreads, FourDecodersAtOnceMatchOneAlone)
{
    const Config cfg{ENTROPY_TUNSTALL, STRATEGY_PARALLELOGRAM, true, ESTIMATE_BORDER, 4, UINT8};
    const std::vector<uint8_t> small = Encode(Sheet("tube", 20, 12, false), cfg).bytes;
    const std::vector<uint8_t> large = Encode(Sheet("torus", 90, 60, true), cfg).bytes;
    Decoded wantSmall, wantLarge;
    ASSERT_EQ(DecodeAll(small, wantSmall), nullptr);
    ASSERT_EQ(DecodeAll(large, wantLarge), nullptr);
    const auto same = [](const Decoded& a, const Decoded& b) {
        return a.indices == b.indices && a.positions == b.positions && a.colors == b.colors && a.uvs == b.uvs &&
               std::memcmp(a.normals.data(), b.normals.data(), 4 * a.normals.size()) == 0; // NaNs compare too
    };
    int matches[4] = {0, 0, 0, 0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            // Small, large, small again: the second small decode reuses the grown workspace.
            for (int round = 0; round < 3; ++round) {
                const bool big = round == 1;
                Decoded got;
                if (!DecodeAll(big ? large : small, got) && same(got, big ? wantLarge : wantSmall))
                    ++matches[t];
            }
        });
    for (std::thread& t : threads)
        t.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(matches[t], 3) << "thread " << t;
}
