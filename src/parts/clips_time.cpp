// The scene's clock: the controller's transport, the warp table and the shader times.
#include "parts/clips.h"

#include "app/demo.h"
#include "platform/platform.h"

#include <SDL.h>

#include <cstdio>

namespace {

// The controls of the transport.
enum {
    kKnob6 = NANO_KONTROL2_ROTARY_KNOB_6,            // read or written by the two set buttons
    kSetFromKnob = NANO_KONTROL2_BUTTON_BACK,        // held: the clock takes the knob's value x 1.8
    kPause = NANO_KONTROL2_BUTTON_FOWARD,            // toggle: 0 runs the clock
    kSetKnob = NANO_KONTROL2_BUTTON_REC,             // held: the knob takes the clock's value / 1.2
    kStepBack = NANO_KONTROL2_BUTTON_TRACK_BACK,     // held: 2 ms back per frame
    kStepForward = NANO_KONTROL2_BUTTON_TRACK_FOWARD,  // held: 2 ms forward per frame
};

bool Held(const NanoKONTROL2& nano, int n) { return nano.value(n) > 1.0f; }

std::string Format(const char* format, float value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, double(value));
    return text;
}

}  // namespace

bool ScenePaused(const NanoKONTROL2& nano) { return nano.toggle(kPause) != 0; }

void SetScenePaused(NanoKONTROL2& nano, bool paused)
{
    nano.toggles[kPause].store(paused ? 2 : 0, std::memory_order_relaxed);
}

void Part_Clips::Update()
{
    // The warp table is rebuilt every frame (its speed could change between frames).
    timeWarpTable.cursor = 0.0f;
    timeWarpTable.tag = 0;
    const float length = 300.0f / timeWarpTable.speed;
    FillRamp(timeWarpTable, timeWarpTable.cursor, timeWarpTable.cursor + length, 0.0f, 300.0f);
    timeWarpTable.cursor += length;

    // The shader times are looked up before this frame's advance: they lag by one frame.
    const float curve = Lookup(timeWarpTable, time).value;

    if (NanoKONTROL2* nano = state->nano) {
        if (!ScenePaused(*nano))
            time += state->deltaTime;
        if (Held(*nano, kStepForward)) {
            SleepMs(20);
            time = float(double(time) + 0.002);
        }
        if (Held(*nano, kStepBack)) {
            SleepMs(20);
            time = float(double(time) - 0.002);
        }
        if (Held(*nano, kSetFromKnob))
            time = float(double(nano->value(kKnob6)) * double(1.80000007f));  // the float just above 1.8
        if (Held(*nano, kSetKnob))
            nano->values[kKnob6].store(time / 1.2f, std::memory_order_relaxed);
    } else {
        time += state->deltaTime;
    }
    if (state->keys[SDL_SCANCODE_A])
        time = -100.0f;

    cttime = curve;
    fttime = curve;
    const TimeLookup type = Lookup(timeTypeTable, curve);
    theType = type.tag;
    ttime = type.value;

    state->overlayLine1 = Format("ttime: %.03f", ttime);
    state->overlayLine2 = Format("cttime: %.03f", cttime);
    state->overlayLine3 = Format("full ttime: %.03f", time);
}
