// The parts list: appending, the part flags and the current-part rule.
#include "app/demo.h"

#include <gtest/gtest.h>

namespace {

struct CountingPart : Part {
    int renders = 0, updates = 0, inits = 0;
    void Render() override { ++renders; }
    void Update() override { ++updates; }
    void Init() override { ++inits; }
};

}  // namespace

TEST(Timeline, AppendRecordsIndexAndFlagsFollowTheLauncher)
{
    TDemo d;
    CountingPart a, b;
    AppendPart(d, &a);
    AppendPart(d, &b);
    EXPECT_EQ(a.index, 0);
    EXPECT_EQ(b.index, 1);
    a.flags[2] = b.flags[2] = true;

    InitPartFlags(d);  // Run not clicked: the first flag stays
    EXPECT_TRUE(a.flags[0] && a.flags[1] && !a.flags[2]);
    EXPECT_TRUE(b.flags[0] && !b.flags[1] && !b.flags[2]);

    d.launcher.items[3].selected = 1;  // as after the launcher closed
    InitPartFlags(d);
    EXPECT_TRUE(!a.flags[0] && a.flags[1] && !a.flags[2]);
    EXPECT_TRUE(!b.flags[0] && !b.flags[1] && !b.flags[2]);
}

TEST(Timeline, CurrentPartFollowsTheClockWindow)
{
    const struct { float clock; int current, prev; float timeAfter; } cases[] = {
        {0.0f, 0, 0, 5.0f},          // first frame: both indices 0, no adjustment
        {27999.5f, 0, 0, 5.0f},
        {12.25f, 0, 1, 5.25f},       // a switch to part 0 adds the clock's fraction
        {-3.0f, 1, 1, 5.0f},         // outside [0, 28000) the index stays
        {28000.5f, 1, 0, 5.0f},      // a switch to part 1 advances part 1, not part 0
    };
    for (const auto& c : cases) {
        TDemo d;
        CountingPart a, b;
        a.time = b.time = 5.0f;
        AppendPart(d, &a);
        AppendPart(d, &b);
        d.clock = c.clock;
        d.currentPart = c.current;
        d.prevPart = c.prev;
        SelectCurrentPart(d);
        const int expected = (c.clock >= 0 && c.clock < 28000) ? 0 : c.current;
        EXPECT_EQ(d.currentPart, expected) << "clock " << c.clock;
        EXPECT_EQ(d.prevPart, d.currentPart);
        EXPECT_FLOAT_EQ(a.time, c.timeAfter) << "clock " << c.clock;
        const bool switchedToB = expected == 1 && c.prev != 1;
        EXPECT_FLOAT_EQ(b.time, switchedToB ? 5.5f : 5.0f) << "clock " << c.clock;
    }
}
