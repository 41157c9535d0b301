// The overlay step, built with and without HOLLOWMERE_DEBUG: the panel, its text, the tweak
// values and "FreeCam.bin" every 30 passes only with it; the GL reset and _kz either way.
#include "app/demo.h"
#include "platform/test_support.h"
#include "support/gl_window.h"

#include <unistd.h>

#include <cstring>
#include <iterator>

namespace {

#if HOLLOWMERE_DEBUG
constexpr bool kDebug = true;
#else
constexpr bool kDebug = false;
#endif
constexpr int W = 320, H = 240;
using Pixel = const unsigned char*;

bool Near(Pixel p, int r, int g, int b, int tolerance)
{
    return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}
bool Background(Pixel p) { return Near(p, 51, 102, 153, 1); }
bool Panel(Pixel p) { return Near(p, 23, 46, 69, 2); }  // the background at 45 %
bool Grey(Pixel p) { return Near(p, 204, 204, 204, 8); }
bool Text(Pixel p) { return p[0] > 200 || p[1] > 200; }  // grey, magenta, yellow or green

// Pixels of the window in rows [top, bottom) (top row 0) and columns [left, right) that satisfy `pred`.
int Count(int top, int bottom, int left, int right, bool (*pred)(Pixel))
{
    const std::vector<unsigned char> px = ReadPixels(0, 0, W, H);
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) n += pred(&px[size_t((H - 1 - y) * W + x) * 4]);
    return n;
}

// The baseline of overlay text line `line`, in rows from the top; glyphs rise 10 rows above it.
int Baseline(int line) { return int(2.4 + 11.0 * (line + 1)); }

// Works in a scratch directory, where the camera file goes.
struct OverlayTest : testing::Test {
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

// "FreeCam.bin" holds the camera's image after passes 30, 60 and 90 of the debug build,
// and is never written without it.
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
        std::ifstream f("FreeCam.bin", std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
        EXPECT_TRUE(bytes.size() == sizeof(TFreeCam) && !std::memcmp(bytes.data(), &demo.state.camera, sizeof(TFreeCam))) << pass;
    }
    EXPECT_EQ(written, (kDebug ? std::vector<int>{30, 60, 90} : std::vector<int>{}));
}

// With the switch, the panel, the fixed lines and a listing of each controller that has
// sent a value, with its tweak values; hidden or without it, nothing drawn or refreshed.
TEST_F(OverlayTest, PanelTextAndControllerListing)
{
    TDemoState& s = demo.state;
    s.nano = &demo.nano_kontrol2;
    s.mouseX = 0.25f, s.deltaTime = 0.02f, s._k3 = 0.5f;
    s.overlayLine1 = "full ttime: 12.345";
    for (std::vector<unsigned char> m : {std::vector<unsigned char>{0xB0, 5, 127}, {0xB0, 16, 0}, {0xB0, 23, 127}})
        MidiInCallback(0.0, &m, &demo.nano_kontrol2);
    glClearColor(51 / 255.0f, 102 / 255.0f, 153 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (bool show : {false, true}) {
        s.showOverlay = show;
        glEnable(GL_BLEND);
        DebugOverlay(demo);
        EXPECT_TRUE(!glIsEnabled(GL_BLEND) && glGetError() == GL_NO_ERROR);
        if (show && kDebug)
            break;
        EXPECT_EQ(Count(0, H, 0, W, Background), W * H) << "nothing drawn";
        EXPECT_TRUE(s._nx == 0.0f && s._ix == 0 && s._k3 == 0.5f && s._kz == -1.0f) << "tweak values as the scene wrote them";
    }
    if (!kDebug)
        return;
    // Panel: x in [0, 32), y in [0, 72), where no text covers it; text only in the left half.
    EXPECT_GT(Count(0, 72, 0, 32, Panel), 32 * 72 / 2);
    EXPECT_EQ(Count(74, H, 0, 32, Panel) + Count(0, 72, 34, 40, Panel), 0) << "the panel ends at 0.4 and -0.8";
    EXPECT_EQ(Count(0, H, W / 2, W, Background), (W / 2) * H);
    for (int line : {1, 2, 3, 5, 7}) EXPECT_GT(Count(Baseline(line) - 10, Baseline(line) + 1, 0, W / 2, Grey), 5) << line;
    EXPECT_EQ(Count(Baseline(8) - 10, Baseline(10) + 1, 0, W / 2, Grey), 0) << "lines 8 to 10 are empty";
    // The listing from line 11: fader 5 with _nx and _ix, knob 16 with _k0, knob 23 with _kz.
    for (int line = 11; line <= 17; ++line) EXPECT_GT(Count(Baseline(line) - 8, Baseline(line) - 1, 0, W / 2, Text), 5) << line;
    EXPECT_EQ(Count(Baseline(17) + 1, H, 0, W, Background), (H - Baseline(17) - 1) * W) << "nothing below";
    EXPECT_TRUE(std::abs(s._nx - 1.0f) < 1e-5f && s._ix == 127 && std::abs(s._kz - 1.0f) < 1e-5f) << s._nx << " " << s._ix;
    EXPECT_TRUE(std::abs(s._k0 + 1.0f) < 1e-5f && std::abs(s._k3 + 1.0f) < 1e-5f) << "controls sent 0 or never moved read as -1";
}
