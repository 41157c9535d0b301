// The scene's timeline: which keyframe sets the tweak values, where the camera is, the
// background colour, and which title objects are drawn when. Pure functions of the scene
// clock, so every rule can be checked without a GL context.
#pragma once
#include "parts/scene_data.h"

#include <cstdint>
#include <vector>

struct TDemoState;

// Smooth step from 0 (x <= 0) to 1 (x >= 1): 1 - (cos(pi x) + 1) / 2.
double Ease(double x);

// The record nearest to `time` (the earliest of equally near ones); null for an empty track.
const Keyframe* NearestKey(const KeyframeTrack& track, float time);

// The tweak values from the tracks: before 30 s all six from track 0, from 30 s to 179 s
// the first four from track 1 (the last two keep their values), later none.
void ApplyKeyframes(TDemoState& state, const KeyframeTrack& track0, const KeyframeTrack& track1, float time);

// The clear colour of the scene pass: near black, easing to a dark grey from 170 s to 180 s.
void ClearColour(float time, float rgba[4]);

// The camera: an orbit of the origin, on the z axis from 104.1 s to 116 s, fixed at
// (0, 0, 2) after 148 s.
void SceneEye(float time, float eye[3]);

// One title drawn over the particles: a perspective of `fov` degrees from `eye` to
// `target` (up is +y), one object of one mesh, black with the given alpha.
enum class TitleMesh { Text, Logo };
struct TitleRow {
    float fov;
    float eye[3];
    float target[3];
    float alpha;
    bool blended;
    TitleMesh mesh;
    int32_t object;
};

// The rows drawn at `time`, in drawing order; returns how many (at most four).
int ScheduledTitles(float time, TitleRow rows[4]);

// The text object of the closing row (from 179.8 s): the counting digits 9, 8, ..., 1,
// 10, ..., then object 20 blinking against the empty object 0, then 20 steady.
int32_t CountingObject(float time);

// The frame pacing: the sleep in milliseconds for the next frame, one less when the last
// frame ran slower than 30 per second, one more when faster, never below 0.
int32_t NextFrameSleep(int32_t sleepMs, double frameSeconds);

// Work groups per side of the particle step: 16 x 16 particles each, rounding up, so that a
// grid that is no multiple of 16 (or smaller than 16) is stepped whole; the step's
// invocations outside the grid do nothing.
constexpr int DispatchGroups(int grid) { return (grid + 15) / 16; }

// The cues of the timeline, in order: the start and every change of section (titles, the
// camera break, the face, the countdown), for the authors' transport to jump between.
const std::vector<float>& SceneCues();
