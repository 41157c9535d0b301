// The overlay step after the frame driver: GL reset, the pass counter and the shader
// errors always; with the HOLLOWMERE_DEBUG build option also the camera save every 30
// passes and the text panel with mouse, frame-rate, clock, scene and controller values.
#include "app/demo.h"
#include "app/error_text.h"
#include "shaders/gl_state.h"
#include "shaders/shader.h"

#include <GL/glew.h>

#if HOLLOWMERE_DEBUG
#include "app/font.h"
#include "app/transport.h"
#include "platform/audio.h"

#include <cstdio>
#endif

namespace {

#if HOLLOWMERE_DEBUG
constexpr int kCameraSavePeriod = 30;  // overlay passes between two saves of "FreeCam.bin"
constexpr int kFirstControllerLine = 11;

// A controller value 0..127 mapped to [-1, 1].
float Signed(const NanoKONTROL2& nano, int n)
{
    return nano.value(n) * 2.0f / 127.0f - 1.0f;
}

void DrawPanel()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glColor4f(0.0f, 0.0f, 0.0f, 0.55f);
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, 0.4f);
    glVertex2f(-0.8f, 0.4f);
    glVertex2f(-0.8f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

struct OverlayWriter {
    TOverlayText ctx;
    const float offset[3] = {0.0f, 0.0f, 0.0f};
    const float scale[3] = {1.0f, 1.0f, 1.0f};

    void Line(int line, const std::string& text, float r = 0, float g = 0, float b = 0)
    {
        ctx.colour[0] = r;
        ctx.colour[1] = g;
        ctx.colour[2] = b;
        DrawOverlayText(ctx, text, line, offset, scale);
    }
    template <class... Args>
    void Format(int line, const char* format, Args... args)
    {
        char text[128];
        snprintf(text, sizeof text, format, args...);
        Line(line, text);
    }
    template <class... Args>
    void Green(int line, const char* format, Args... args)
    {
        char text[128];
        snprintf(text, sizeof text, format, args...);
        Line(line, text, 0.0f, 1.0f, 0.0f);
    }
};

void RefreshTweakValues(TDemoState& s, const NanoKONTROL2& nano)
{
    s._nx = Signed(nano, NANO_KONTROL2_FADER_5);
    s._ny = Signed(nano, NANO_KONTROL2_FADER_6);
    s._nz = Signed(nano, NANO_KONTROL2_FADER_7);
    s._kx = Signed(nano, NANO_KONTROL2_ROTARY_KNOB_5);
    s._ky = Signed(nano, NANO_KONTROL2_ROTARY_KNOB_6);
    s._kz = Signed(nano, NANO_KONTROL2_ROTARY_KNOB_7);
    float* k[6] = {&s._k0, &s._k1, &s._k2, &s._k3, &s._k4, &s._k5};
    for (int i = 0; i < 6; ++i)
        *k[i] = Signed(nano, NANO_KONTROL2_ROTARY_KNOB_0 + i);
    s._ix = int32_t(nano.value(NANO_KONTROL2_FADER_5));
    s._iy = int32_t(nano.value(NANO_KONTROL2_FADER_6));
    s._iz = int32_t(nano.value(NANO_KONTROL2_FADER_7));
}

// Every controller that has sent something, with the tweak values derived from it.
void DrawControllerListing(OverlayWriter& out, const TDemoState& s, const NanoKONTROL2& nano)
{
    int line = kFirstControllerLine;
    for (int n = 0; n < 100; ++n) {
        const float v = nano.value(n);
        if (!(v > 1e-7f))
            continue;
        char text[64];
        snprintf(text, sizeof text, "NANO: %d => %.0f", n, double(v));
        if (n <= NANO_KONTROL2_FADER_7)
            out.Line(line++, text, 1.0f, 0.0f, 1.0f);
        else if (n >= NANO_KONTROL2_ROTARY_KNOB_0 && n <= 24)  // the knobs, and the unnamed number after them
            out.Line(line++, text, 1.0f, 1.0f, 0.0f);
        else
            out.Line(line++, text, 0.4f, 0.4f, 0.9f);
        switch (n) {
        case NANO_KONTROL2_FADER_5: out.Green(line++, "_nx: => %.03f", double(s._nx)); out.Green(line++, "_ix: => %d", s._ix); break;
        case NANO_KONTROL2_FADER_6: out.Green(line++, "_ny: => %.03f", double(s._ny)); out.Green(line++, "_iy: => %d", s._iy); break;
        case NANO_KONTROL2_FADER_7: out.Green(line++, "_nz: => %.03f", double(s._nz)); out.Green(line++, "_iz: => %d", s._iz); break;
        case NANO_KONTROL2_ROTARY_KNOB_5: out.Green(line++, "_kx: => %.03f", double(s._kx)); break;
        case NANO_KONTROL2_ROTARY_KNOB_6: out.Green(line++, "_ky: => %.03f", double(s._ky)); break;
        case NANO_KONTROL2_ROTARY_KNOB_7: out.Green(line++, "_kz: => %.03f", double(s._kz)); break;
        case NANO_KONTROL2_ROTARY_KNOB_0: out.Green(line++, "_k0: => %.03f", double(s._k0)); break;
        case NANO_KONTROL2_ROTARY_KNOB_1: out.Green(line++, "_k1: => %.03f", double(s._k1)); break;
        case NANO_KONTROL2_ROTARY_KNOB_2: out.Green(line++, "_k2: => %.03f", double(s._k2)); break;
        case NANO_KONTROL2_ROTARY_KNOB_3: out.Green(line++, "_k3: => %.03f", double(s._k3)); break;
        case NANO_KONTROL2_ROTARY_KNOB_4: out.Green(line++, "_k4: => %.03f", double(s._k4)); break;
        default: break;
        }
    }
}

void DrawOverlay(TDemo& demo)
{
    TDemoState& s = demo.state;
    DrawPanel();
    OverlayWriter out;
    out.ctx.viewWidth = float(demo.glWindow.width);
    out.ctx.viewHeight = float(demo.glWindow.height);
    out.Format(1, "X: %.03f", double(s.mouseX));
    out.Format(2, "Y: %.03f", double(s.mouseY));
    out.Format(3, "Z: %.03f", double(s.wheel));
    out.Format(5, "FPS: %.02f", 1.0 / double(s.deltaTime));
    out.Line(7, s.overlayLine1);
    out.Line(8, s.overlayLine2);
    // The transport's clock: the current part's time, the music's, and the pause.
    if (demo.currentPart >= 0 && size_t(demo.currentPart) < demo.parts.size()) {
        char clock[96];
        snprintf(clock, sizeof clock, "clock: %.03f music: %.03f%s", double(demo.parts[size_t(demo.currentPart)]->time),
                 double(ChannelGetPosition(demo.musicChannel)) / double(kMusicBytesPerSecond),
                 TransportPaused(demo) ? " PAUSED" : "");
        out.Line(9, clock, 0.4f, 0.9f, 1.0f);
    }
    out.Line(10, s.overlayLine3);
    // Before the start-up has pointed it at the controller there is nothing to show.
    if (s.nano) {
        RefreshTweakValues(s, *s.nano);
        DrawControllerListing(out, s, *s.nano);
    }
    LoadIdentityMatrices();
}
#endif

}  // namespace

void DebugOverlay(TDemo& demo)
{
    ResetGLState();
    demo.frameCounter += 1;
#if HOLLOWMERE_DEBUG
    if (demo.frameCounter % kCameraSavePeriod == 0)
        WriteCameraFile(demo.state.camera, "FreeCam.bin");  // a failing save is silent
#endif
    demo.state._kz = -1.0f;
#if HOLLOWMERE_DEBUG
    if (demo.state.showOverlay)
        DrawOverlay(demo);
#endif
    // In every build: the errors of a shader build that failed, until a good build clears them.
    if (demo.state.showOverlay)
        DrawErrorText(ShaderErrors(), float(demo.glWindow.width), float(demo.glWindow.height));
}
