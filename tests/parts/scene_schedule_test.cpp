// The scene's clock and timeline without GL: the controller's transport, the shader times,
// keyframes, camera, clear colour, titles, counting digits, pacing and dispatch size.
#include "app/demo.h"
#include "parts/clips.h"
#include "parts/schedule.h"
#include "platform/platform.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace {

struct SceneClock : testing::Test {
    TDemo demo;
    Part_Clips clips;
    void SetUp() override
    {
        demo.state.nano = &demo.nano_kontrol2;
        clips.demo = &demo;
        clips.state = &demo.state;
        demo.state.deltaTime = 0.25f;
    }
    void Press(int n, float v) { demo.nano_kontrol2.values[n].store(v); }
};

}  // namespace

TEST_F(SceneClock, TransportButtonsMoveTheClock)
{
    // A step is 2 ms besides the frame's 0.25 s; the knob at 127 sets the clock to 127 x 1.8.
    const struct { const char* what; int control; float value; int toggle; float after; } cases[] = {
        {"runs", -1, 0, 0, 10.25f},
        {"paused by 44", -1, 0, 1, 10.0f},
        {"paused, released", -1, 0, 2, 10.0f},
        {"59 steps forward", 59, 127.0001f, 0, 10.252f},
        {"58 steps back", 58, 127.0001f, 1, 9.998f},
        {"a value of 1 is not held", 59, 1.0f, 1, 10.0f},
        {"43 sets from knob 22", 43, 127.0001f, 0, 228.60019f},
    };
    for (const auto& c : cases) {
        for (int n : {43, 44, 45, 58, 59}) Press(n, 0.0f);
        Press(22, 127.0001f);
        demo.nano_kontrol2.toggles[44].store(c.toggle);
        if (c.control >= 0) Press(c.control, c.value);
        clips.time = 10.0f;
        const int64_t start = SteadyTicks100ns();
        clips.Update();
        const double ms = double(SteadyTicks100ns() - start) / 1e4;
        EXPECT_FLOAT_EQ(clips.time, c.after) << c.what;
        // The knob's factor is the float just above 1.8; the one just below gives the
        // neighbouring float, which only an exact comparison tells apart.
        if (c.control == 43)
            EXPECT_EQ(clips.time, c.after) << c.what;
        if (c.control == 58 || (c.control == 59 && c.value > 1.0f))
            EXPECT_GE(ms, 19.0) << c.what << ": a step costs 20 ms";
    }
    // 45 writes the clock / 1.2 into knob 22, until the knob's next message.
    Press(43, 0.0f);
    Press(45, 127.0001f);
    demo.nano_kontrol2.toggles[44].store(1);
    clips.time = 36.0f;
    clips.Update();
    EXPECT_FLOAT_EQ(demo.nano_kontrol2.value(22), 30.0f);
}

TEST_F(SceneClock, ShaderTimesLagAndTheOverlaySaysSo)
{
    // Before 300 s the warp ramp: at 100 s, 100000 / 300001 x 300 + 0.0005; ttime is that
    // truncated to whole milliseconds.
    const struct { float time; float cttime, ttime; const char* line3; } cases[] = {
        {100.0f, 100.00017f, 100.0f, "full ttime: 100.250"},
        {350.0f, 350.0f, 350.0f, "full ttime: 350.250"},       // past 300 s the identity
        {12.3456f, 12.34546f, 12.345f, "full ttime: 12.596"},
    };
    for (const auto& c : cases) {
        clips.time = c.time;
        clips.Update();
        EXPECT_NEAR(clips.cttime, c.cttime, 2e-5f) << c.time;
        EXPECT_EQ(clips.fttime, clips.cttime);
        EXPECT_FLOAT_EQ(clips.ttime, c.ttime) << c.time;
        EXPECT_EQ(clips.theType, 0);
        EXPECT_EQ(demo.state.overlayLine3, c.line3);
    }
    // The A key holds the clock at -100; the times come from the tables' first entries.
    demo.state.keys[SDL_SCANCODE_A] = true;
    clips.Update();
    clips.Update();
    EXPECT_EQ(clips.time, -100.0f);
    EXPECT_FLOAT_EQ(clips.cttime, 0.0005f);
    EXPECT_EQ(clips.ttime, 0.0f);
    EXPECT_EQ(demo.state.overlayLine1, "ttime: 0.000");
    EXPECT_EQ(demo.state.overlayLine2, "cttime: 0.001");
    EXPECT_EQ(demo.state.overlayLine3, "full ttime: -100.000");
}

TEST(SceneSchedule, KeyframesPickTheNearestRecordPerTrack)
{
    const KeyframeTrack t0 = {{0, 1, 1, 1, 1, 1, 1}, {10, 2, 2, 2, 2, 2, 2}, {20, 3, 3, 3, 3, 3, 3}};
    const KeyframeTrack t1 = {{40, 4, 4, 4, 4, 4, 4}, {60, 5, 5, 5, 5, 5, 5}};
    const struct { float time; const KeyframeTrack* second; float k0, k4; } cases[] = {
        {4.9f, &t1, 1, 1},
        {5.0f, &t1, 1, 1},      // a tie: the earlier record
        {5.1f, &t1, 2, 2},
        {29.9f, &t1, 3, 3},
        {50.0f, &t1, 4, 3},     // from 30 s track 1 sets k0..k3 only
        {55.0f, &t1, 5, 3},
        {178.9f, &t1, 5, 3},
        {179.0f, &t1, 7, 7},    // from 179 s nothing is touched
        {100.0f, nullptr, 0, 3},  // an empty track 1 gives zeros
    };
    const KeyframeTrack empty;
    for (const auto& c : cases) {
        TDemoState s;
        s._k0 = s._k4 = 7.0f;
        if (c.time >= 30.0f && c.time < 179.0f) s._k4 = 3.0f;  // what track 0 left
        ApplyKeyframes(s, t0, c.second ? *c.second : empty, c.time);
        EXPECT_EQ(s._k0, c.k0) << c.time;
        EXPECT_EQ(s._k3, c.time >= 179.0f ? 0.0f : c.k0) << c.time;
        EXPECT_EQ(s._k4, c.k4) << c.time;
    }
    EXPECT_EQ(NearestKey(empty, 3.0f), nullptr);
}

TEST(SceneSchedule, CameraClearColourAndTitles)
{
    // On the z axis strictly between 104.1 and 116 s, fixed after 148 s; elsewhere (the ends
    // of the axis stretch included) the orbit (sin 0.05t, 0, cos 0.051t).
    const struct { float time, x, z; } eyes[] = {
        {110.0f, 0.0f, 4.2f},           {150.0f, 0.0f, 2.0f},           {120.0f, -0.279415f, 0.986715f},
        {104.1f, -0.881101f, 0.561925f}, {116.0f, -0.464602f, 0.933341f}, {148.0f, 0.898708f, 0.301229f},
    };
    for (const auto& e : eyes) {
        float eye[3];
        SceneEye(e.time, eye);
        EXPECT_TRUE(std::fabs(eye[0] - e.x) < 1e-5f && eye[1] == 0.0f && std::fabs(eye[2] - e.z) < 1e-5f)
            << e.time << ": " << eye[0] << ", " << eye[1] << ", " << eye[2];
    }
    const struct { float time, grey; } clears[] = {{169.0f, 0.0f}, {175.0f, 0.01f}, {181.0f, 0.02f}};
    for (const auto& c : clears) {
        float rgba[4];
        ClearColour(c.time, rgba);
        EXPECT_NEAR(rgba[0], c.grey, 1e-7) << c.time;
        EXPECT_NEAR(rgba[2], c.grey + 0.01f, 1e-7) << c.time;
        EXPECT_EQ(rgba[3], 0.0f);
    }

    TitleRow rows[4];
    ASSERT_EQ(ScheduledTitles(10.0f, rows), 1);
    EXPECT_TRUE(rows[0].mesh == TitleMesh::Logo && rows[0].eye[2] == 13.5f && rows[0].fov == 10.0f && !rows[0].blended);
    ASSERT_EQ(ScheduledTitles(13.7f, rows), 1);
    EXPECT_TRUE(rows[0].mesh == TitleMesh::Text && rows[0].object == 11 && rows[0].alpha == 1.0f && rows[0].blended);
    for (const auto& [time, alpha] : {std::pair{16.0f, 1.0f}, {18.5f, 0.5f}}) {  // opaque until 16 s, then fading
        ASSERT_EQ(ScheduledTitles(time, rows), 1);
        EXPECT_NEAR(rows[0].alpha, alpha, 1e-6) << time;
    }
    EXPECT_EQ(ScheduledTitles(20.0f, rows), 0);
    ASSERT_EQ(ScheduledTitles(135.0f, rows), 1);
    EXPECT_NEAR(rows[0].alpha, 0.905, 0.001);
    EXPECT_TRUE(rows[0].object == 10 && rows[0].eye[1] == 0.5f && rows[0].target[1] == 0.5f && rows[0].eye[2] == 71.0f);
    ScheduledTitles(141.0f, rows);
    EXPECT_NEAR(rows[0].alpha, 0.095, 0.001);
    ASSERT_EQ(ScheduledTitles(185.0f, rows), 2);  // the counting row, then the faded second title
    EXPECT_TRUE(rows[0].fov == 9.0f && rows[0].eye[2] == 75.0f && !rows[0].blended && rows[1].object == 10);
    EXPECT_EQ(ScheduledTitles(201.0f, rows), 1);
}

TEST(SceneSchedule, CountingDigitsThenTheBlinkingAndSteadyTitle)
{
    EXPECT_EQ(CountingObject(180.0f), 9);  // u = 151.19, k = 151
    int previous = CountingObject(179.8f), steps = 0;
    for (float t = 179.8f; t < 190.5f; t += 0.01f) {
        const int n = CountingObject(t);
        ASSERT_TRUE(n >= 1 && n <= 10) << t;
        if (n != previous) {
            EXPECT_EQ(n, previous == 1 ? 10 : previous - 1) << t << ": counts down, 1 wraps to 10";
            ++steps;
        }
        previous = n;
    }
    EXPECT_GE(steps, 8);
    // The blink: 20 while sin(2 pi u + 0.48) < 0.4, else 0. Rows at the sine's top and bottom,
    // 0.01 rad either side of where it falls and rises through 0.4 (0.409, 0.391), and six
    // blinks later, just before the title holds.
    const struct { float time; int n; } blink[] = {
        {190.7588f, 0},  {190.9779f, 0}, {190.9817f, 20}, {191.3576f, 20},
        {191.7335f, 20}, {191.7374f, 0}, {197.9444f, 0},  {198.5432f, 20},
    };
    for (const auto& b : blink) EXPECT_EQ(CountingObject(b.time), b.n) << b.time;
    // Held from 198.7 s, through 199.15 s where the blink would be at the top of its sine.
    for (float t : {198.71f, 199.15f, 200.0f, 201.49f}) EXPECT_EQ(CountingObject(t), 20) << t;
}

TEST(SceneSchedule, PacingAndDispatch)
{
    const struct { int sleep; double seconds; int next; } pacing[] = {
        {30, 1.0 / 60, 31}, {30, 1.0 / 20, 29}, {0, 1.0 / 10, 0}, {1, 1.0 / 29.9, 0}, {5, 1.0 / 30, 6},
    };
    for (const auto& p : pacing) EXPECT_EQ(NextFrameSleep(p.sleep, p.seconds), p.next) << p.seconds;
    // Rounding up: every cell of any grid side from 1 to 3184 is stepped.
    const int dispatch[][2] = {{3184, 199}, {100, 7}, {15, 1}, {1, 1}, {16, 1}, {17, 2}, {256, 16}};
    for (const auto& d : dispatch) EXPECT_EQ(DispatchGroups(d[0]), d[1]) << d[0];
}

TEST(SceneSchedule, GridSettingFromTheEnvironmentAndTheRenderer)
{
    const char* const gpu = "NVIDIA GeForce RTX 4090/PCIe/SSE2";
    const char* const llvmpipe = "llvmpipe (LLVM 15.0.6, 256 bits)";
    const struct { const char* value; const char* renderer; int grid; int lines; } cases[] = {
        {nullptr, gpu, 3184, 0},      {"256", gpu, 256, 0},           {"1", gpu, 1, 0},
        {"0", gpu, 3184, 1},          {"-5", gpu, 3184, 1},           {"4000", gpu, 3184, 1},
        {"64x", gpu, 3184, 1},        {"", gpu, 3184, 0},             {nullptr, "", 3184, 0},
        {nullptr, llvmpipe, 256, 1},  {"", llvmpipe, 256, 1},         {"3184", llvmpipe, 3184, 0},
        {"64", llvmpipe, 64, 0},      {"0", llvmpipe, 256, 2},        {nullptr, "softpipe", 256, 1},
        {nullptr, "Google SwiftShader", 256, 1}, {nullptr, "AMD Radeon RX 7900 XTX (radeonsi, navi31)", 3184, 0},
    };
    for (const auto& c : cases) {
        if (c.value) setenv("HOLLOWMERE_PARTICLE_GRID", c.value, 1);
        else unsetenv("HOLLOWMERE_PARTICLE_GRID");
        int grid = 0;
        const std::string out = Printed([&] { grid = ParticleGridSetting(c.renderer); });
        const std::string what = std::string(c.value ? c.value : "unset") + " on " + c.renderer;
        EXPECT_EQ(grid, c.grid) << what;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), c.lines) << what << ": " << out;
        if (c.lines)
            EXPECT_NE(out.find("HOLLOWMERE_PARTICLE_GRID"), std::string::npos) << out;
    }
    unsetenv("HOLLOWMERE_PARTICLE_GRID");
}
