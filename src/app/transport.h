// The keyboard transport of the development build: pause, frame steps while paused, seeks
// of 1 s and 10 s, and jumps between the timeline's cues, on the current part's clock. The
// pause is the controller's (NANO_KONTROL2_BUTTON_FOWARD's toggle), so the keyboard and a
// controller share it and the scene stops its clock the same way; the music follows the
// clock through the frame driver, as it does for the controller's transport.
#pragma once
#include <optional>
#include <vector>

struct TDemo;

enum class TransportKey { None, Pause, FrameBack, FrameForward, Back1, Forward1, Back10, Forward10, PreviousCue, NextCue };

constexpr float kTransportFrame = 1.0f / 30.0f;  // one frame step
// A jump to the previous cue from less than this after a cue goes to the cue before it.
constexpr float kCueGrace = 0.5f;

// P pauses and resumes; comma and period step a frame back and forward while paused; Left
// and Right seek 1 s, Down and Up 10 s; Page Up and Page Down jump to the previous and next
// cue. Any other scancode is None (A, the space bar and Escape keep their own meaning).
TransportKey TransportKeyOf(int scancode);

struct TTransportStep {
    float time;
    bool paused;
};

// What a key does at `time`: the new time, kept within [0, end - one frame] when the key
// moves it (the program ends at `end`), and whether the clock is paused afterwards. Frame
// steps act only while paused; `cues` are in increasing order.
TTransportStep ApplyTransportKey(TransportKey key, float time, bool paused, const std::vector<float>& cues, float end);

// The start time the command line gives ("--start SECONDS" or "--start=SECONDS"), if any.
std::optional<float> StartTimeArgument(int argc, const char* const* argv);

// The event step's share in the development build: a transport key applied to the current
// part, with one console line ("Transport - ...") saying where the clock is.
void TransportKeyPressed(TDemo& demo, int scancode);
// Whether the controller's pause holds the clock.
bool TransportPaused(const TDemo& demo);
// Sets the current part's clock, as the command line's start time does.
void TransportStartAt(TDemo& demo, float time);
