// The overlay step, built with and without HOLLOWMERE_DEBUG: the panel, its text, the tweak
// values and "FreeCam.bin" every 30 passes only with it; the GL reset and _kz either way.
#include "app/demo.h"
#include "platform/test_support.h"
#include "support/gl_window.h"

#include <unistd.h>

#include <cstring>
#include <iterator>

#if HOLLOWMERE_DEBUG
constexpr bool kDebug = true;
#else
constexpr bool kDebug = false;
#endif
constexpr int W = 320, H = 240;
using Pixel = const unsigned char*;

static bool Near(Pixel p, int r, int g, int b, int tolerance)
{
    return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}
static bool Background(Pixel p) { return Near(p, 51, 102, 153, 1); }
static bool Panel(Pixel p) { return Near(p, 23, 46, 69, 2); }  // the background at 45 %
static bool Grey(Pixel p) { return Near(p, 204, 204, 204, 8); }
static bool Magenta(Pixel p) { return p[0] > 200 && p[1] < 90 && p[2] > 200; }
static bool Green(Pixel p) { return p[0] < 90 && p[1] > 200 && p[2] < 180; }
static bool Yellow(Pixel p) { return p[0] > 200 && p[1] > 200 && p[2] < 180; }

// Pixels of the window in rows [top, bottom) (top row 0) and columns [left, right) that satisfy `pred`.
static int Count(int top, int bottom, int left, int right, bool (*pred)(Pixel))
{
    const std::vector<unsigned char> px = ReadPixels(0, 0, W, H);
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) n += pred(&px[size_t((H - 1 - y) * W + x) * 4]);
    return n;
}

// The baseline of overlay text line `line`, in rows from the top; glyphs rise 10 rows above it.
static int Baseline(int line) { return int(2.4 + 11.0 * (line + 1)); }

// "FreeCam.bin" holds the camera's image after passes 30, 60 and 90 with the switch, and
// is never written without it. Then, with the switch, the panel, the fixed lines and a
// listing of each controller that has sent a value, with its tweak values; hidden or
// without the switch, nothing is drawn or refreshed. The GL state is reset either way.
TEST(Overlay, CameraFilePanelAndListing)
{
    GLTestWindow window{W, H};
    ASSERT_TRUE(window.ok);
    ASSERT_EQ(chdir(ScratchDir(kDebug ? "overlay_debug_test" : "overlay_test").c_str()), 0);
    TDemo demo;
    demo.glWindow.width = W, demo.glWindow.height = H;
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
    ASSERT_EQ(chdir(HOLLOWMERE_BINARY_DIR), 0);

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
    // Listing from line 11: fader 5 (magenta) with _nx and _ix (green), knob 16 (yellow)
    // with _k0 (green), knob 23 (yellow) with _kz (green); nothing below.
    const std::pair<int, bool (*)(Pixel)> listing[] = {{11, Magenta}, {12, Green}, {13, Green}, {14, Yellow},
                                                       {15, Green},   {16, Yellow}, {17, Green}};
    for (const auto& [line, colour] : listing)
        for (auto other : {Magenta, Green, Yellow})
            EXPECT_EQ(Count(Baseline(line) - 8, Baseline(line) - 1, 0, W / 2, other) > (other == colour ? 5 : 0), other == colour)
                << "line " << line;
    EXPECT_EQ(Count(Baseline(17) + 1, H, 0, W, Background), (H - Baseline(17) - 1) * W);
    EXPECT_TRUE(std::abs(s._nx - 1.0f) < 1e-5f && s._ix == 127 && std::abs(s._kz - 1.0f) < 1e-5f) << s._nx << " " << s._ix;
    EXPECT_TRUE(std::abs(s._k0 + 1.0f) < 1e-5f && std::abs(s._k3 + 1.0f) < 1e-5f) << "controls sent 0 or never moved read as -1";
}
