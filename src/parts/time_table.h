// Time tables: a clock in seconds, sampled at one entry per millisecond, mapped to a
// remapped time and an integer tag. Built from linear ramps laid end to end; entries
// no ramp covers keep the identity mapping they get at construction.
#pragma once
#include <cstdint>
#include <vector>

struct TimeTable {
    int32_t seconds;             // capacity in seconds
    std::vector<float> values;   // entry i: remapped time for input i milliseconds
    std::vector<int32_t> tags;   // entry i: tag of the ramp that last wrote it
    float cursor = 0.0f;         // where the next appended ramp starts, seconds
    int32_t tag = 0;             // tag written with every entry a ramp fills
    float speed = 1.0f;          // the scene divides its ramp lengths by it

    // Identity mapping (entry i holds i / 1000) and tag 0 everywhere.
    explicit TimeTable(int32_t seconds = 1000);
};

// Overwrites the entries from startSeconds to endSeconds (either order, end excluded)
// with a ramp rising from fromValue in index order; entries outside the table are
// skipped. Does not move `cursor`.
void FillRamp(TimeTable& table, float startSeconds, float endSeconds, float fromValue, float toValue);

struct TimeLookup {
    float value;
    int32_t tag;
};

// The entry for time t: t x 1000 truncated, clamped into the table (a negative or NaN
// time gives the first entry, one at or past the end the last).
TimeLookup Lookup(const TimeTable& table, float t);
