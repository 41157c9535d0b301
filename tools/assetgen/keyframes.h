// The scene's two keyframe tracks: lines of seven numbers, a key time in seconds on the
// scene clock then the six tweak values k0..k5. What each value does is written down once,
// in data/shaders2/tweaks.cpp, which every shader includes; the names below follow it.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct TrackRecord {
    float key;
    float k[6];
};

// The tweak values in the order of k0..k5.
enum Tweak { kBrightness, kFlow, kFace, kPalette, kTrails, kGlow, kTweakCount };
extern const char* const kTweakNames[kTweakCount];  // "brightness", "flow", ...

// One authored point of a track: the values at `time`, and how they move on to the next
// point's: eased (a smooth ramp) or held (a cut at the next point).
struct ControlPoint {
    double time;
    float k[kTweakCount];
    bool eased;
};

// The authored points: track 0 covers 0 to 30 s (all six values; trails and glow keep
// their last values for the rest of the show), track 1 covers 30 to 179 s (k0..k3).
const std::vector<ControlPoint>& ControlPoints(int track);

// A track's value of one tweak at time t from its points (before the first: the first;
// after the last: the last).
float ControlValue(const std::vector<ControlPoint>& points, int tweak, double t);

// How hard the music hits at t, 0 to about 1: drums and hits decaying over a fifth of a
// second, from the soundtrack's own notes. Brightness breathes with it.
double MusicPulse(double t);

// The records written: one per frame at 30 frames a second over the track's span (the
// scene picks the nearest record, so a ramp plays smoothly and a cut lands on its frame),
// brightness lifted by the music's pulse.
const std::vector<TrackRecord>& TrackRecords(int track);

// One line per keyframe (three decimals, single spaces), each ended by a line break.
std::string FormatKeyframes(const std::vector<TrackRecord>& track);

bool WriteKeyframes(const std::filesystem::path& dir);  // my0.txt and my1.txt
