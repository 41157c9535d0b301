// The playing position worked out from the buffers handed to the device: steps of a
// timeline of hand-overs, moves and readings, each reading checked.
#include "platform/play_clock.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t kRate = 192000;     // bytes a second
constexpr int64_t kMs = 10000;         // 100 ns ticks in a millisecond
constexpr int64_t kT = 1000000 * kMs;  // an arbitrary start on the steady clock

struct Step {
    char kind;  // 'h' handed (a = start, b = end), 'm' moved (a = position), 'r' read (b = expected)
    int64_t ms;
    uint64_t a, b;
};

}  // namespace

TEST(PlayClock, ReadingsFollowTheBuffersHandedOverSmoothlyAndNeverGoBack)
{
    const struct {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        {"a move reads its place until the device takes the music from there",
         {{'m', 0, 96000, 0}, {'r', 0, 0, 96000}, {'r', 50, 0, 96000}, {'h', 60, 96000, 100096},
          {'r', 60, 0, 96000}, {'r', 70, 0, 97920}, {'r', 80, 0, 99840}}},
        {"between buffers the reading runs on with the clock, up to the end of what was handed",
         {{'h', 0, 0, 4096}, {'r', 5, 0, 960}, {'r', 21, 0, 4032}, {'r', 40, 0, 4096}, {'h', 42, 4096, 8192},
          {'r', 42, 0, 4096}, {'r', 52, 0, 4096 + 1920}}},
        {"a buffer taken late: the reading waits at the end of the last one",
         {{'h', 0, 0, 4096}, {'r', 20, 0, 3840}, {'r', 30, 0, 4096}, {'h', 33, 4096, 8192}, {'r', 34, 0, 4096 + 192}}},
        {"a start a little behind the last reading (a converter's estimate of what it holds): no step back",
         {{'h', 0, 0, 4096}, {'r', 20, 0, 3840}, {'h', 21, 3800, 7896}, {'r', 21, 0, 3840}, {'r', 22, 0, 3992}}},
        {"music the converter took ahead of the device does not count: the buffer's own start does",
         {{'h', 0, 8192, 12288}, {'r', 0, 0, 8192}, {'r', 1, 0, 8384}}},
        {"readings are whole stereo frames",
         {{'h', 0, 2, 4098}, {'r', 0, 0, 0}, {'r', 1, 0, 192}}},
        {"a move back is the one way down",
         {{'h', 0, 192000, 196096}, {'r', 10, 0, 193920}, {'m', 11, 960, 0}, {'r', 11, 0, 960}}},
        {"a long stall keeps the reading at the end of the music handed over",
         {{'h', 0, 0, 4096}, {'r', 3600000, 0, 4096}}},
    };
    for (const auto& c : cases) {
        TPlayClock clock;
        int index = 0;
        for (const Step& s : c.steps) {
            const int64_t ticks = kT + s.ms * kMs;
            if (s.kind == 'h')
                ClockHanded(clock, s.a, s.b, ticks);
            else if (s.kind == 'm')
                ClockMoved(clock, s.a);
            else
                EXPECT_EQ(ClockRead(clock, ticks, kRate), s.b) << c.what << ", step " << index;
            ++index;
        }
    }
}
