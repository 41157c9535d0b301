// The overlay step, built twice: with HOLLOWMERE_DEBUG it draws the panel and its text,
// refreshes the tweak values and saves "FreeCam.bin" every 30 passes; without it, it
// draws nothing and writes nothing. Both reset the GL state, count passes and set _kz.
#include "app/demo.h"
#include "platform/test_support.h"
#include "support/gl_window.h"

#include <unistd.h>

#include <cstring>

namespace {

#if HOLLOWMERE_DEBUG
constexpr bool kDebug = true;
#else
constexpr bool kDebug = false;
#endif
constexpr int W = 320, H = 240;
constexpr int kBackground[3] = {51, 102, 153};

// A pixel predicate: within `tolerance` of r, g, b; `inside` false negates it.
struct Near {
    int r, g, b, tolerance;
    bool inside = true;
    bool operator()(const unsigned char* p) const { return (std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance) == inside; }
};

// Pixels of the window in rows [top, bottom) (top row 0) and columns [left, right) that satisfy `pred`.
template <class Pred>
int Count(int top, int bottom, int left, int right, Pred pred)
{
    const std::vector<unsigned char> px = ReadPixels(0, 0, W, H);
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) n += pred(&px[size_t((H - 1 - y) * W + x) * 4]);
    return n;
}

// Rows of overlay text line `line`: its baseline sits 2.4 + 11 (line + 1) pixels below
// the top, glyphs rise 10 pixels above it; `inset` trims them.
int Line(int line, int inset = 0) { return int(2.4 + 11.0 * (line + 1) - 10.0) + inset; }
int LineEnd(int line, int inset = 0) { return int(2.4 + 11.0 * (line + 1)) + 1 - inset; }

// Works in a scratch directory, where the camera file goes.
class OverlayTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window.ok);
        static const std::string scratch = ScratchDir(kDebug ? "overlay_debug_test" : "overlay_test");
        ASSERT_EQ(chdir(scratch.c_str()), 0);
        demo.glWindow.width = W;
        demo.glWindow.height = H;
    }
    void TearDown() override { ASSERT_EQ(chdir(HOLLOWMERE_BINARY_DIR), 0); }

    GLTestWindow window{W, H};
    TDemo demo;
};

}  // namespace

// "FreeCam.bin" holds the camera's image after passes 30, 60 and 90 of the debug
// build, and is never written without it.
TEST_F(OverlayTest, CameraFileEveryThirtyPasses)
{
    std::vector<int> written;
    for (int pass = 1; pass <= 95; ++pass) {
        demo.state.camera.zoom = float(pass);
        std::filesystem::remove("FreeCam.bin");
        DebugOverlay(demo);
        EXPECT_EQ(demo.frameCounter, pass);
        if (!std::filesystem::exists("FreeCam.bin"))
            continue;
        written.push_back(pass);
        const std::string bytes = ReadFile("FreeCam.bin");
        EXPECT_TRUE(bytes.size() == sizeof(TFreeCam) && !std::memcmp(bytes.data(), &demo.state.camera, sizeof(TFreeCam))) << pass;
    }
    EXPECT_EQ(written, (kDebug ? std::vector<int>{30, 60, 90} : std::vector<int>{}));
}

// A hidden overlay, and any overlay without the switch, leaves the screen and the tweak
// values as they were. With the switch on, the panel darkens the top-left corner, the
// fixed lines appear in light grey and every controller that has sent a value is listed
// in its colour with the tweak values derived from it. The GL state is reset either way.
TEST_F(OverlayTest, PanelTextAndControllerListing)
{
    TDemoState& s = demo.state;
    s.nano = &demo.nano_kontrol2;
    s.mouseX = 0.25f;
    s.deltaTime = 0.02f;
    s.overlayLine1 = "full ttime: 12.345";
    s._k3 = 0.5f;
    for (std::vector<unsigned char> m : {std::vector<unsigned char>{0xB0, 5, 127}, {0xB0, 16, 0}, {0xB0, 23, 127}})
        MidiInCallback(0.0, &m, &demo.nano_kontrol2);
    glClearColor(kBackground[0] / 255.0f, kBackground[1] / 255.0f, kBackground[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const Near background{kBackground[0], kBackground[1], kBackground[2], 1};
    for (bool show : {false, true}) {
        s.showOverlay = show;
        glEnable(GL_BLEND);
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(0.5f, 0, 0);
        DebugOverlay(demo);
        float m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        EXPECT_TRUE(!glIsEnabled(GL_BLEND) && m[12] == 0.0f && glGetError() == GL_NO_ERROR);
        EXPECT_NEAR(s._kz, (show && kDebug) ? 1.0f : -1.0f, 1e-5f);
        if (!show || !kDebug) {
            EXPECT_EQ(Count(0, H, 0, W, background), W * H) << "nothing drawn";
            EXPECT_TRUE(s._nx == 0.0f && s._ix == 0 && s._k3 == 0.5f) << "tweak values keep what the scene wrote";
        }
    }
    if (!kDebug)
        return;
    EXPECT_EQ(Count(0, H, W / 2, W, background), (W / 2) * H) << "the right half has no text or panel";
    // Panel: x in [0, 32), y in [0, 72): the background at 45 % where no text covers it.
    const Near dark{int(51 * 0.45 + 0.5), int(102 * 0.45 + 0.5), int(153 * 0.45 + 0.5), 2}, grey{204, 204, 204, 8};
    EXPECT_GT(Count(0, 72, 0, 32, dark), 32 * 72 / 2);
    EXPECT_EQ(Count(74, H, 0, 32, dark) + Count(0, 72, 34, 40, dark), 0) << "the panel ends at 0.4 and -0.8";
    for (int line : {1, 2, 3, 5, 7}) EXPECT_GT(Count(Line(line), LineEnd(line), 0, W / 2, grey), 5) << "line " << line;
    EXPECT_EQ(Count(Line(8), LineEnd(10), 0, W / 2, grey), 0) << "lines 8 to 10 are empty";

    // Listing from line 11: fader 5 (magenta) with _nx and _ix (green), knob 16 (yellow)
    // with _k0 (green), knob 23 (yellow) with _kz (green); nothing below.
    bool (*magenta)(const unsigned char*) = [](const unsigned char* c) { return c[0] > 200 && c[1] < 90 && c[2] > 200; };
    bool (*green)(const unsigned char*) = [](const unsigned char* c) { return c[0] < 90 && c[1] > 200 && c[2] < 180; };
    bool (*yellow)(const unsigned char*) = [](const unsigned char* c) { return c[0] > 200 && c[1] > 200 && c[2] < 180; };
    const std::pair<int, bool (*)(const unsigned char*)> listing[] = {{11, magenta}, {12, green}, {13, green}, {14, yellow}, {15, green}, {16, yellow}, {17, green}};
    for (const auto& [line, colour] : listing)
        for (auto other : {magenta, green, yellow}) {
            const int n = Count(Line(line, 2), LineEnd(line, 2), 0, W / 2, other);
            EXPECT_TRUE(other == colour ? n > 5 : n == 0) << "line " << line << ": " << n;
        }
    EXPECT_EQ(Count(Line(18), H, 0, W, Near{kBackground[0], kBackground[1], kBackground[2], 1, false}), 0);
    EXPECT_TRUE(std::abs(s._nx - 1.0f) < 1e-5f && s._ix == 127 && std::abs(s._k0 + 1.0f) < 1e-5f) << s._nx << " " << s._ix << " " << s._k0;
    EXPECT_TRUE(std::abs(s._ny + 1.0f) < 1e-5f && std::abs(s._k3 + 1.0f) < 1e-5f) << "controls never moved read as -1";
}
