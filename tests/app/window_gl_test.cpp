// The window, its GL context and the launcher drawing, under Xvfb with Mesa.
#include "app/demo.h"
#include "app/font.h"
#include "support/gl_window.h"

#include <gtest/gtest.h>

// The window and its context, shown or, for the capture tool, never shown (its back buffer
// takes drawing and reads back, as the capture tool's GL test shows); that the context takes
// immediate mode, the matrix stacks and GLSL 4.3 compute shows in every drawing test and in
// the compute program's test.
TEST(Window, OpensTitledAtItsSizeWithItsOwnContextCurrent)
{
    for (bool hidden : {false, true}) {
        SCOPED_TRACE(hidden ? "hidden" : "shown");
        TGLWindow w;
        ASSERT_TRUE(w.Init(40, 40, 380, 240, false, hidden));
        EXPECT_STREQ(SDL_GetWindowTitle(w.window), "Hollowmere");
        EXPECT_EQ(SDL_GL_GetCurrentContext(), w.context) << "drawing goes to the window's own context, not the renderer's";
        EXPECT_FLOAT_EQ(w.aspect, 1.5833334f);
        int width = 0, height = 0;
        SDL_GetWindowSize(w.window, &width, &height);
        EXPECT_TRUE(width == 380 && height == 240 && w.width == 380 && w.height == 240) << width << "x" << height;
        const Uint32 flags = SDL_GetWindowFlags(w.window);
        EXPECT_EQ((flags & SDL_WINDOW_HIDDEN) != 0, hidden) << std::hex << flags;
        EXPECT_EQ((flags & SDL_WINDOW_SHOWN) != 0, !hidden) << std::hex << flags;
        DestroyWindow(w);
    }
}

// The rows in their colours; a hovered row is drawn bright: Run bright green, a grey-blue row white.
TEST(Launcher, DrawsItsRowsAndBrightensTheHoveredOne)
{
    GLTestWindow w(380, 240);
    ASSERT_TRUE(w.ok);
    TDemo demo;
    demo.glWindow = w.win;  // the record copies the handles; the test window owns them
    using Test = bool (*)(const unsigned char*);
    const Test drawn = [](const unsigned char* p) { return p[0] + p[1] + p[2] > 0; };
    const Test greyBlue = [](const unsigned char* p) { return p[2] > p[0] + 20 && p[2] > 60; };  // (0.4, 0.4, 0.6)
    const Test white = [](const unsigned char* p) { return p[0] > 230 && p[1] > 230 && p[2] > 230; };
    const Test green = [](const unsigned char* p) { return p[1] > 100 && p[1] < 200 && p[0] < 40; };  // (0, 0.6, 0)
    const Test brightGreen = [](const unsigned char* p) { return p[1] > 200 && p[0] < 40; };
    const struct { int mouseY; Test resolution, notResolution, run, notRun; } cases[] = {
        {200, greyBlue, white, brightGreen, green},  // over Run
        {80, white, greyBlue, green, brightGreen},   // over the resolution row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mouseY);
        demo.state.mousePixelY = c.mouseY;
        LauncherFrame(demo);
        const TopDownFrame f(380, 240);
        // Title (row 1, y 10..30): yellowish text.
        EXPECT_GT(f.Count(10, 30, [](const unsigned char* p) { return p[0] > 100 && p[1] > 100 && p[2] < p[0]; }), 50);
        EXPECT_TRUE(f.Count(70, 90, c.resolution) > 50 && f.Count(70, 90, c.notResolution) == 0);
        EXPECT_TRUE(f.Count(190, 210, c.run) > 30 && f.Count(190, 210, c.notRun) == 0);
        EXPECT_EQ(f.Count(150, 170, drawn), 0) << "between the rows nothing is drawn";
    }

    // Once the launcher is closed the frame only clears.
    demo.launcherClosed = true;
    LauncherFrame(demo);
    EXPECT_EQ(TopDownFrame(380, 240).Count(0, 240, drawn), 0);
    demo.glWindow = TGLWindow{};
}

TEST(Font, EmptyTextDrawsNothingAndLeavesTheSameState)
{
    GLTestWindow w(120, 60);
    ASSERT_TRUE(w.ok);
    const float zero[3] = {0, 0, 0}, one[3] = {1, 1, 1};
    auto state = [] {
        GLboolean depth = glIsEnabled(GL_DEPTH_TEST), blend = glIsEnabled(GL_BLEND), smooth = glIsEnabled(GL_POLYGON_SMOOTH);
        GLint depthMatrix = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthMatrix);
        return std::vector<int>{depth, blend, smooth, depthMatrix};
    };
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    DrawLauncherText("", zero, one);
    const auto afterEmpty = state();
    EXPECT_EQ(TopDownFrame(120, 60).Count(0, 60, [](const unsigned char* p) { return p[0] > 0; }), 0);
    DrawLauncherText("Hi", zero, one);
    EXPECT_EQ(state(), afterEmpty);

    TOverlayText ctx;
    ctx.viewWidth = 120;
    ctx.viewHeight = 60;
    DrawOverlayText(ctx, "", 0, zero, one);
    const auto overlayEmpty = state();
    DrawOverlayText(ctx, "FPS", 0, zero, one);
    EXPECT_EQ(state(), overlayEmpty);
}
