// The overlay step, built with and without HOLLOWMERE_DEBUG: the panel, its texts, the tweak
// values and "FreeCam.bin" every 30 passes only with it; the GL reset and _kz either way.
#include "app/demo.h"
#include "app/font.h"
#include "platform/loading.h"
#include "support/gl_window.h"
#include "support/scratch.h"

#include <unistd.h>

#include <cstring>

#if HOLLOWMERE_DEBUG
constexpr bool kDebug = true;
#else
constexpr bool kDebug = false;
#endif
constexpr int W = 320, H = 240;
constexpr unsigned char kBackground[3] = {51, 102, 153}, kPanel[3] = {23, 46, 69};  // the panel: the background at 45 %

namespace {

struct Line {
    int line;
    std::string text;
    const float* colour;  // all 0: the drawer's default grey
};

bool Near(const unsigned char* p, const unsigned char* q)
{
    return std::abs(p[0] - q[0]) <= 2 && std::abs(p[1] - q[1]) <= 2 && std::abs(p[2] - q[2]) <= 2;
}

// The window shows exactly `lines`, each as the overlay drawer draws that text alone, over the
// background and, with `panel`, the panel in x < 32 and y < 72 (from the top) where no text
// covers it. Clears the window to draw the expected picture.
void ExpectShows(const std::vector<Line>& lines, bool panel)
{
    const TopDownFrame got(W, H);
    glClear(GL_COLOR_BUFFER_BIT);
    const float zero[3] = {0, 0, 0}, one[3] = {1, 1, 1};
    for (const Line& l : lines) {
        TOverlayText ctx;
        std::copy(l.colour, l.colour + 3, ctx.colour);
        ctx.viewWidth = W, ctx.viewHeight = H;
        DrawOverlayText(ctx, l.text, l.line, zero, one);
    }
    const TopDownFrame want(W, H);
    int wrong = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const unsigned char* text = want.At(x, y);
            const unsigned char* expected = !Near(text, kBackground) ? text : panel && x < 32 && y < 72 ? kPanel : kBackground;
            if (!Near(got.At(x, y), expected) && wrong++ == 0)  // text lines are 11 rows apart, from row 2
                ADD_FAILURE() << "first wrong pixel at x " << x << ", y " << y << ", near line " << (y - 2) / 11;
        }
    EXPECT_EQ(wrong, 0);
}

}  // namespace

// "FreeCam.bin" holds the camera's image after passes 30, 60 and 90 with the switch, and
// is never written without it. Then, with the switch, the panel, the fixed lines, the clock
// and a listing of each controller that has sent a value, with its tweak values; hidden or
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
        if (const std::optional<std::string> bytes = ReadWholeFile("FreeCam.bin")) {
            written.push_back(pass);
            EXPECT_TRUE(bytes->size() == sizeof(TFreeCam) && !std::memcmp(bytes->data(), &demo.state.camera, sizeof(TFreeCam))) << pass;
        }
    }
    EXPECT_EQ(written, (kDebug ? std::vector<int>{30, 60, 90} : std::vector<int>{}));
    ASSERT_EQ(chdir(HOLLOWMERE_BINARY_DIR), 0);

    TDemoState& s = demo.state;
    s.nano = &demo.nano_kontrol2;
    s.mouseX = 0.25f, s.deltaTime = 0.02f, s._k3 = 0.5f;
    s.overlayLine1 = "full ttime: 12.345";
    Part_Loader part;
    part.time = 12.5f;
    AppendPart(demo, &part);
    // Fader 5 up, knob 16 down, knob 23 up, and the pause button (44) pressed.
    for (std::vector<unsigned char> m : {std::vector<unsigned char>{0xB0, 5, 127}, {0xB0, 16, 0}, {0xB0, 23, 127}, {0xB0, 44, 127}})
        MidiInCallback(0.0, &m, &demo.nano_kontrol2);
    glClearColor(kBackground[0] / 255.0f, kBackground[1] / 255.0f, kBackground[2] / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (bool show : {false, true}) {
        s.showOverlay = show;
        glEnable(GL_BLEND);
        DebugOverlay(demo);
        EXPECT_TRUE(!glIsEnabled(GL_BLEND) && glGetError() == GL_NO_ERROR);
        if (show && kDebug)
            break;
        ExpectShows({}, false);
        EXPECT_TRUE(s._nx == 0.0f && s._ix == 0 && s._k3 == 0.5f && s._kz == -1.0f) << "tweak values as the scene wrote them";
    }
    if (!kDebug)
        return;
    const float grey[3] = {}, cyan[3] = {0.4f, 0.9f, 1.0f}, magenta[3] = {1, 0, 1}, yellow[3] = {1, 1, 0}, green[3] = {0, 1, 0},
                blue[3] = {0.4f, 0.4f, 0.9f};
    ExpectShows({{1, "X: 0.250", grey}, {2, "Y: 0.000", grey}, {3, "Z: 0.000", grey}, {5, "FPS: 50.00", grey},
                 {7, "full ttime: 12.345", grey}, {9, "clock: 12.500 music: 0.000 PAUSED", cyan},
                 {11, "NANO: 5 => 127", magenta}, {12, "_nx: => 1.000", green}, {13, "_ix: => 127", green},
                 {14, "NANO: 16 => 0", yellow}, {15, "_k0: => -1.000", green}, {16, "NANO: 23 => 127", yellow},
                 {17, "_kz: => 1.000", green}, {18, "NANO: 44 => 127", blue}},
                true);
    EXPECT_TRUE(std::abs(s._nx - 1.0f) < 1e-5f && s._ix == 127 && std::abs(s._kz - 1.0f) < 1e-5f) << s._nx << " " << s._ix;
    EXPECT_TRUE(std::abs(s._k0 + 1.0f) < 1e-5f && std::abs(s._k3 + 1.0f) < 1e-5f) << "controls sent 0 or never moved read as -1";
}
