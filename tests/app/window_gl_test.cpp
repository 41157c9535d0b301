// The window, its GL context and the launcher drawing, under Xvfb with Mesa.
#include "app/demo.h"
#include "app/font.h"
#include "support/gl_window.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Pixel (x, y) with y counted from the top, as the launcher counts it.
const unsigned char* At(const std::vector<unsigned char>& px, int width, int height, int x, int y)
{
    return &px[(size_t(height - 1 - y) * width + x) * 4];
}

// Counts pixels in the band [y0, y1) from the top that satisfy pred.
template <class Pred>
int CountBand(const std::vector<unsigned char>& px, int width, int height, int y0, int y1, Pred pred)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < width; ++x)
            n += pred(At(px, width, height, x, y)) ? 1 : 0;
    return n;
}

}  // namespace

TEST(Window, ContextTakesFixedFunctionAndCompute)
{
    GLTestWindow w(380, 240);
    ASSERT_TRUE(w.ok);
    EXPECT_STREQ(SDL_GetWindowTitle(w.win.window), "Hollowmere");
    EXPECT_EQ(SDL_GL_GetCurrentContext(), w.win.context) << "drawing goes to the window's own context, not the renderer's";
    EXPECT_FLOAT_EQ(w.win.aspect, 1.5833334f);
    int width = 0, height = 0;
    SDL_GetWindowSize(w.win.window, &width, &height);
    EXPECT_EQ(width, 380);
    EXPECT_EQ(height, 240);

    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    EXPECT_GE(major * 10 + minor, 43) << glGetString(GL_VERSION);

    // Immediate mode and the matrix stack work in this context.
    while (glGetError() != GL_NO_ERROR) {}
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glBegin(GL_TRIANGLES);
    glVertex2f(0, 0);
    glVertex2f(1, 0);
    glVertex2f(0, 1);
    glEnd();
    glPopMatrix();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // And a compute shader compiles.
    const char* src = "#version 430\nlayout(local_size_x = 1) in;\nvoid main() {}\n";
    GLuint cs = glCreateShader(GL_COMPUTE_SHADER);
    glShaderSource(cs, 1, &src, nullptr);
    glCompileShader(cs);
    GLint ok = 0;
    glGetShaderiv(cs, GL_COMPILE_STATUS, &ok);
    EXPECT_EQ(ok, GL_TRUE);
    glDeleteShader(cs);
}

// The capture tool's window: never shown, and its back buffer takes drawing and reads back.
TEST(Window, HiddenWindowDrawsUnseen)
{
    TGLWindow w;
    ASSERT_TRUE(w.Init(0, 0, 96, 54, false, true));
    const Uint32 flags = SDL_GetWindowFlags(w.window);
    EXPECT_TRUE((flags & SDL_WINDOW_HIDDEN) && !(flags & SDL_WINDOW_SHOWN)) << std::hex << flags;
    EXPECT_TRUE(w.width == 96 && w.height == 54);
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glReadBuffer(GL_BACK);
    const auto px = ReadPixels(0, 0, 96, 54);
    EXPECT_TRUE(px[0] == 0 && px[1] == 255 && px[2] == 0 && px[px.size() - 3] == 255);
    DestroyWindow(w);
}

TEST(Launcher, DrawsItsRowsAndBrightensTheHoveredOne)
{
    GLTestWindow w(380, 240);
    ASSERT_TRUE(w.ok);
    TDemo demo;
    demo.glWindow = w.win;  // the record copies the handles; the test window owns them
    demo.state.mousePixelY = 200;  // over Run
    LauncherFrame(demo);
    const auto px = ReadPixels(0, 0, 380, 240);

    // Title (row 1, y 10..30): yellowish text; hover band rows are grey-blue or white.
    const int title = CountBand(px, 380, 240, 10, 30, [](const unsigned char* p) { return p[0] > 100 && p[1] > 100 && p[2] < p[0]; });
    EXPECT_GT(title, 50);
    const int resolution = CountBand(px, 380, 240, 70, 90, [](const unsigned char* p) {
        return p[2] > p[0] + 20 && p[2] > 60;  // (0.4, 0.4, 0.6)
    });
    EXPECT_GT(resolution, 50);
    // Run is hovered: bright green, no red.
    const int run = CountBand(px, 380, 240, 190, 210, [](const unsigned char* p) { return p[1] > 200 && p[0] < 40; });
    EXPECT_GT(run, 30);
    // Between the rows nothing is drawn.
    const int gap = CountBand(px, 380, 240, 150, 170, [](const unsigned char* p) { return p[0] + p[1] + p[2] > 0; });
    EXPECT_EQ(gap, 0);

    // Once the launcher is closed the frame only clears.
    demo.launcherClosed = true;
    LauncherFrame(demo);
    const auto cleared = ReadPixels(0, 0, 380, 240);
    EXPECT_EQ(CountBand(cleared, 380, 240, 0, 240, [](const unsigned char* p) { return p[0] + p[1] + p[2] > 0; }), 0);
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
    const auto px = ReadPixels(0, 0, 120, 60);
    EXPECT_EQ(CountBand(px, 120, 60, 0, 60, [](const unsigned char* p) { return p[0] > 0; }), 0);
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
