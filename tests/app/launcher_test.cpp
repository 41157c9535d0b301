// The launcher rows: hover bands, the click latch, option wrap and the window choice.
#include "app/launcher.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

int Hovered(const TLauncherMenu& m)
{
    int h = -1;
    for (size_t i = 0; i < m.items.size(); ++i)
        if (m.items[i].hover) {
            EXPECT_EQ(h, -1) << "two rows hovered";
            h = int(i);
        }
    return h;
}

// A click as a person makes it: a frame with the button down, then one with it up.
void Click(TLauncherMenu& m, float y)
{
    LauncherMouse(m, y, true);
    LauncherMouse(m, y, false);
}

}  // namespace

TEST(Launcher, HoverBandsTouchButNeverOverlap)
{
    TLauncherMenu m;
    BuildLauncher(m);
    const struct { float y; int row; } cases[] = {
        {0, -1}, {20, -1}, {30, -1},  // the title is never hovered
        {64, -1}, {64.5f, 1}, {93.9f, 1}, {94, -1}, {94.5f, 2}, {123.9f, 2}, {124, -1},
        {150, -1}, {184, -1}, {184.1f, 3}, {213.9f, 3}, {214, -1}, {239, -1},
    };
    for (const auto& c : cases) {
        LauncherMouse(m, c.y, false);
        EXPECT_EQ(Hovered(m), c.row) << "y = " << c.y;
    }
}

// A click steps its row's option once (the resolution wraps after its three); holding and
// moving over another row clicks nothing more; a click on Run ends the launcher.
TEST(Launcher, ClickStepsOnceWrapsAndRunEndsTheLauncher)
{
    TLauncherMenu m;
    BuildLauncher(m);
    LauncherMouse(m, 110, true);
    for (float y = 110; y > 70; y -= 5)
        LauncherMouse(m, y, true);
    LauncherMouse(m, 80, false);
    EXPECT_EQ(m.items[2].selected, 1);
    EXPECT_EQ(m.items[1].selected, 0);
    // A click outside every row only sets the latch.
    Click(m, 150);
    EXPECT_EQ(m.items[1].selected + m.items[2].selected + m.items[3].selected, 1);
    for (int w : {2560, 1280, 1920}) {
        Click(m, 80);
        EXPECT_EQ(LauncherChoice(m).width, w);
    }
    EXPECT_FALSE(m.done);
    Click(m, 200);
    EXPECT_TRUE(m.done);
    EXPECT_EQ(m.items[3].selected, 1);
}

TEST(Launcher, ChoicesMapToTheDemoWindow)
{
    const struct { int res, mode, w, h; bool full; int x, y; } cases[] = {
        {0, 0, 1920, 1080, true, 0, 0},   {1, 0, 2560, 1440, true, 0, 0},   {2, 0, 1280, 720, true, 0, 0},
        {0, 1, 1920, 1080, false, 10, 140}, {1, 1, 2560, 1440, false, 10, 140}, {2, 1, 1280, 720, false, 10, 140},
        {5, 3, 1280, 720, false, 10, 140},  // counts not yet wrapped by drawing
    };
    for (const auto& c : cases) {
        TLauncherMenu m;
        BuildLauncher(m);
        m.items[1].selected = c.res;
        m.items[2].selected = c.mode;
        const TWindowChoice w = LauncherChoice(m);
        EXPECT_EQ(std::tie(w.width, w.height, w.fullscreen, w.x, w.y), std::tie(c.w, c.h, c.full, c.x, c.y))
            << "resolution " << c.res << ", mode " << c.mode;
    }
}
