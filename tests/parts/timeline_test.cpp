// The parts list: the demo's own (the scene alone), appending, the part flags and the
// current-part rule.
#include "app/demo.h"
#include "parts/clips.h"

#include <gtest/gtest.h>

// The loader stays beside the list: the scene is its one part, current from the start.
TEST(Timeline, ThePartsListHoldsExactlyTheScene)
{
    TDemo d;
    CreateParts(d);
    ASSERT_EQ(d.parts.size(), 1u);
    EXPECT_NE(dynamic_cast<Part_Clips*>(d.parts[0]), nullptr);
    EXPECT_TRUE(d.parts[0]->index == 0 && d.parts[0]->flags[0] && d.parts[0]->flags[1] && !d.parts[0]->flags[2]);
    ASSERT_NE(d.loader, nullptr);
    EXPECT_EQ(d.loader->demo, &d);
    EXPECT_EQ(d.currentPart, 0);
    delete d.parts[0];
    delete d.loader;
}

TEST(Timeline, AppendRecordsIndexAndFlagsFollowTheLauncher)
{
    TDemo d;
    Part_Loader a, b;  // parts whose operations do nothing
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
    // Both parts start at 5 s; a switch adds the clock's fraction to the newly current part.
    const struct { float clock; int current, prev, after; float timeA, timeB; } cases[] = {
        {0.0f, 0, 0, 0, 5.0f, 5.0f},          // first frame: both indices 0, no adjustment
        {27999.5f, 1, 1, 0, 5.5f, 5.0f},      // a switch to part 0 adds the clock's fraction
        {12.25f, 0, 1, 0, 5.25f, 5.0f},       // part 0 was current, part 1 the previous one
        {-3.0f, 1, 1, 1, 5.0f, 5.0f},         // outside [0, 28000) the index stays
        {28000.5f, 1, 0, 1, 5.0f, 5.5f},      // a switch to part 1 advances part 1, not part 0
        {28000.0f, 1, 1, 1, 5.0f, 5.0f},
    };
    for (const auto& c : cases) {
        TDemo d;
        Part_Loader a, b;  // parts whose operations do nothing
        a.time = b.time = 5.0f;
        AppendPart(d, &a);
        AppendPart(d, &b);
        d.clock = c.clock;
        d.currentPart = c.current;
        d.prevPart = c.prev;
        SelectCurrentPart(d);
        EXPECT_TRUE(d.currentPart == c.after && d.prevPart == c.after) << "clock " << c.clock;
        EXPECT_TRUE(a.time == c.timeA && b.time == c.timeB) << "clock " << c.clock << ": " << a.time << ", " << b.time;
    }
}
