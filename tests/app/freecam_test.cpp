// The event step, and the free camera: initial pose, drags, wheel zoom, and the short camera file.
#include "app/demo.h"
#include "platform/platform.h"

#include "support/scratch.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

// Within tol of each expected component, relative to its size beyond 1 (the fly moves go far).
void ExpectVec(const float v[3], const float e[3], float tol = 2e-5f)
{
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(v[k], e[k], tol * std::max(1.0f, std::fabs(e[k]))) << "component " << k;
}

// One frame of the camera step with the mouse at (x, y) and the given buttons.
void Frame(TDemo& d, int x, int y, bool left, bool middle, bool right, float wheelDelta = 0)
{
    d.state.mousePixelX = x, d.state.mousePixelY = y;
    d.state.mouseLeft = left, d.state.mouseMiddle = middle, d.state.mouseRight = right;
    d.state.wheelDelta = wheelDelta;
    CameraStep(d);
}

}  // namespace

// A frame without a button leaves the whole record as it was, wherever the mouse goes.
TEST(FreeCam, NoButtonNoChange)
{
    TDemo d;
    const TFreeCam before = d.state.camera;
    for (int i = 0; i < 10; ++i)
        Frame(d, 13 * i, 400 - 7 * i, false, false, false);
    EXPECT_EQ(std::memcmp(&before, &d.state.camera, sizeof before), 0);
}

namespace {

// Scripted gestures and where they leave the camera, worked out by hand from the camera's
// formulas. The initial turns (-30 degrees about z, then -90 about y) give the rows of R(orbit)
// r0 = (0, 1/2, -h), r1 = (0, h, 1/2), r2 = (1, 0, 0) with h = sqrt(3)/2; the eye sits at
// 0.65 * 5 * r0, the target at 0, and r1 is up. At zoom 0.65 one pixel of drag is 0.5 / 0.65 * 0.15 = 3/26 degree per
// button held. Each gesture starts at (0, 0), where its first frame only latches.
struct Step {
    int x, y;
    bool left, middle, right;
    float wheel = 0;
};
struct Gesture {
    const char* what;
    bool fly;
    std::vector<Step> steps;
    float eye[3], up[3], target[3];
};

constexpr float h = 0.8660254f;  // sqrt(3)/2 = cos 30 = sin 60
const float s18 = std::sin(18 * 0.017453292f), c18 = std::cos(18 * 0.017453292f);
// After a wheel notch the zoom is 0.689, so 260 pixels turn 260 * 0.075 / 0.689 degrees.
const float t28 = 260 * 0.075f / 0.689f * 0.017453292f;
// The initial eye, where the fly eye starts too: 3.25 * r0.
constexpr float e0[3] = {0, 1.625f, -3.25f * h};

const Gesture Gestures[] = {
    // The initial pose (in orbit mode); a middle drag alone keeps it, as the drag values only
    // grow with left or right.
    {"none, or the middle alone: the initial pose", false, {{0, 0, 0, 1, 0}, {100, 52, 0, 1, 0}},
     {e0[0], e0[1], e0[2]}, {0, h, 0.5f}, {0, 0, 0}},
    // r_i' = r_i M for the turn M about r1 by 30 degrees: r0 moves towards r2; r1 (the up
    // vector, the turn's axis) stays.
    {"left across turns about the up vector", false, {{0, 0, 1, 0, 0}, {260, 0, 1, 0, 0}},
     {3.25f * 0.5f, 3.25f * 0.5f * h, -3.25f * 0.75f}, {0, h, 0.5f}, {0, 0, 0}},
    // First 30 degrees about r2 (the vertical drag), then 30 about the old r1:
    // r0 M1 = (0, h, -1/2), then turned about r1: (h/2, 0.8080127, -0.3995191).
    {"left diagonal pitches first, then turns", false, {{0, 0, 1, 0, 0}, {260, 260, 1, 0, 0}},
     {3.25f * 0.4330127f, 3.25f * 0.8080127f, -3.25f * 0.3995191f}, {-0.25f, 0.5334936f, 0.8080127f}, {0, 0, 0}},
    // Only the horizontal drag rolls, by 0.6 * 30 = 18 degrees about the view axis r0.
    {"right rolls about the view axis", false, {{0, 0, 0, 0, 1}, {260, 200, 0, 0, 1}},
     {0, 1.625f, -3.25f * h}, {-s18, h * c18, 0.5f * c18}, {0, 0, 0}},
    // Both buttons count the drag twice (3/13 degree a pixel): 30 across and -15 down. The target
    // moves 0.7 * 0.65 * 0.002 * 5 = 0.00455 a degree: the vertical drag along r1, the horizontal along r2.
    {"both buttons pan in the view plane", false, {{0, 0, 1, 0, 1}, {130, -65, 1, 0, 1}},
     {0.1365f, 1.625f - 0.06825f * h, -3.25f * h - 0.034125f}, {0, h, 0.5f}, {0.1365f, -0.06825f * h, -0.034125f}},
    // Middle with left: 6 degrees down move the target 6 * 0.05 along r0; the drag across is unused.
    {"middle with left dollies along the view axis", false, {{0, 0, 1, 1, 0}, {100, 52, 1, 1, 0}},
     {0, 3.55f * 0.5f, -3.55f * h}, {0, h, 0.5f}, {0, 0.15f, -0.3f * h}},
    {"a wheel notch scales the next drag and the distance", false,
     {{0, 0, 0, 0, 0, +1}, {0, 0, 1, 0, 0}, {260, 0, 1, 0, 0}},
     {3.445f * std::sin(t28), 3.445f * 0.5f * std::cos(t28), -3.445f * h * std::cos(t28)}, {0, h, 0.5f}, {0, 0, 0}},
    // A hundred notches down in one frame stop the zoom at 0.2; below 0.4 a notch adds
    // 0.8 * 0.03 = 0.024, so the next frame's eye sits at 0.224 * 5 * r0.
    {"the zoom stops at 0.2, where a notch adds 0.024", false,
     {{0, 0, 0, 0, 0, -100}, {0, 0, 0, 0, 0, +1}, {0, 0, 0, 0, 0}}, {0, 0.56f, -1.12f * h}, {0, h, 0.5f}, {0, 0, 0}},
    // Released, moved and pressed 40 pixels further: the press only latches (the drag values
    // jump by the move), so the second gesture goes on from the first, 60 degrees in all.
    {"a new gesture starts where the last ended", false,
     {{0, 0, 1, 0, 0}, {260, 0, 1, 0, 0}, {300, 300, 0, 0, 0}, {340, 300, 1, 0, 0}, {600, 300, 1, 0, 0}},
     {3.25f * h, 3.25f * 0.25f, -3.25f * 0.5f * h}, {0, h, 0.5f}, {0, 0, 0}},
    // Fly: half a degree per degree of drag; yaw 30 about the vertical, then pitch 30 about the
    // horizontal axis at right angles: forward (cos30 cos30, -sin30, sin30 cos30).
    {"fly look yaws, then pitches", true, {{0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {520, 520, 1, 0, 0}},
     {e0[0], e0[1], e0[2]}, {0.5f * h, h, 0.25f}, {e0[0] + 0.75f, e0[1] - 0.5f, e0[2] + 0.5f * h}},
    // Walk: 3 degrees down move -20 * 3 along the heading (1, 0, 0), into both pan and eye offset.
    {"fly walk follows the heading", true, {{0, 0, 0, 0, 0}, {0, 0, 0, 0, 1}, {100, 26, 0, 0, 1}},
     {e0[0] - 120, e0[1], e0[2]}, {0, 1, 0}, {e0[0] - 119, e0[1], e0[2]}},
    // Move: side S = (0, 1, 0) x (1, 0, 0) = (0, 0, -1); 3 across and -6 down add -20 * 3 * S + (0, 120, 0).
    {"fly move slides sideways and up", true, {{0, 0, 0, 0, 0}, {0, 0, 1, 0, 1}, {13, -26, 1, 0, 1}},
     {e0[0], e0[1] + 240, e0[2] + 120}, {0, 1, 0}, {e0[0] + 1, e0[1] + 240, e0[2] + 120}},
    {"fly walk after a yaw takes the new heading", true,
     {{0, 0, 0, 0, 0}, {0, 0, 1, 0, 0}, {520, 0, 1, 0, 0}, {520, 0, 0, 0, 0}, {520, 0, 0, 0, 1}, {520, 26, 0, 0, 1}},
     {e0[0] - 120 * h, e0[1], e0[2] - 60}, {0, 1, 0}, {e0[0] - 120 * h + h, e0[1], e0[2] - 59.5f}},
};

}  // namespace

TEST(FreeCam, GesturesLeaveTheCameraWhereWorkedOut)
{
    for (const Gesture& g : Gestures) {
        SCOPED_TRACE(g.what);
        TDemo d;  // in orbit mode, unless the row asks for fly mode
        if (g.fly)
            d.state.camera.flyMode = 1;
        for (const Step& s : g.steps)
            Frame(d, s.x, s.y, s.left, s.middle, s.right, s.wheel);
        const TFreeCam& c = d.state.camera;
        ExpectVec(c.eye, g.eye);
        ExpectVec(c.up, g.up);
        ExpectVec(c.target, g.target);
    }
}

// The file's byte image is checked where it is written (the overlay's save) and read (the
// start-up); here the reader's rule for a short or missing file.
TEST(FreeCam, ShortCameraFileOverwritesTheLeadingBytesMissingNone)
{
    const std::filesystem::path path = ScratchDir("freecam_test") + "/FreeCam.bin";
    const float q[4] = {1, 2, 3, 4};
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(q), sizeof q);
    TFreeCam partial = TDemo().state.camera;
    const TFreeCam fresh = partial;
    ASSERT_TRUE(ReadCameraFile(partial, path.c_str()));
    EXPECT_EQ(std::memcmp(partial.orbit, q, 16), 0);
    EXPECT_EQ(std::memcmp(partial.fly, fresh.fly, sizeof(TFreeCam) - 16), 0);
    std::filesystem::remove(path);
    EXPECT_FALSE(ReadCameraFile(partial, path.c_str()));
    EXPECT_EQ(std::memcmp(partial.orbit, q, 16), 0);
}

// The event step: the frame time (a first frame, or one after a pause of more than 0.35 s,
// counts 0.05 s), keys echoed and held, the wheel; Escape and the window's close end the program.
TEST(EventStep, FrameTimeKeysWheelAndTheEnd)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
    TDemo d;
    d.glWindow.width = 640, d.glWindow.height = 480;
    HandleEvents(d);
    EXPECT_EQ(d.state.deltaTime, 0.05f) << "the first frame";
    d.state.lastTicks = SteadyTicks100ns() - 4000000;  // 0.4 s ago
    HandleEvents(d);
    EXPECT_EQ(d.state.deltaTime, 0.05f) << "after a pause";
    d.state.lastTicks = SteadyTicks100ns() - 1000000;  // 0.1 s ago: at least that
    HandleEvents(d);
    EXPECT_GE(d.state.deltaTime, 0.1f);

    SDL_Event key{};
    key.type = SDL_KEYDOWN, key.key.keysym.scancode = SDL_SCANCODE_SPACE, key.key.keysym.sym = SDLK_SPACE;
    SDL_PushEvent(&key);
    EXPECT_EQ(Printed([&] { HandleEvents(d); }), "KEY: 44\n");
    EXPECT_TRUE(d.state.keys[44]);
    key.type = SDL_KEYUP;
    SDL_PushEvent(&key);
    EXPECT_EQ(Printed([&] { HandleEvents(d); }), "");
    EXPECT_FALSE(d.state.keys[44]);

    const struct { int y; float delta, wheel; } notches[] = {{+1, +1, 0.2f}, {+3, +1, 0.4f}, {-1, -1, 0.2f}, {0, 0, 0.2f}};
    for (const auto& n : notches) {
        SDL_Event wheel{};
        wheel.type = SDL_MOUSEWHEEL, wheel.wheel.y = n.y;
        SDL_PushEvent(&wheel);
        HandleEvents(d);
        EXPECT_TRUE(d.state.wheelDelta == n.delta && std::abs(d.state.wheel - n.wheel) < 1e-6f) << n.y;
        if (&n == notches)
            EXPECT_NEAR(d.state.camera.zoom, 0.689f, 1e-6f) << "the camera step follows";
    }

    SDL_Event close{};
    close.type = SDL_WINDOWEVENT, close.window.event = SDL_WINDOWEVENT_CLOSE;
    key.type = SDL_KEYDOWN, key.key.keysym.scancode = SDL_SCANCODE_ESCAPE, key.key.keysym.sym = SDLK_ESCAPE;
    for (SDL_Event* end : {&close, &key})
        EXPECT_EXIT((SDL_PushEvent(end), HandleEvents(d)), testing::ExitedWithCode(0), "") << end->type;
    SDL_Quit();
}
