// The scene's two keyframe tracks: lines of seven numbers, a key time in seconds on the
// scene clock then the six tweak values k0..k5.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct Keyframe {
    float key;
    float k[6];
};

// The tables the scene follows: track 0 before 30 s, track 1 from 30 s to 179 s.
const std::vector<Keyframe>& KeyframeTrack(int track);

// One line per keyframe (three decimals, single spaces), each ended by a line break.
std::string FormatKeyframes(const std::vector<Keyframe>& track);

bool WriteKeyframes(const std::filesystem::path& dir);  // my0.txt and my1.txt
