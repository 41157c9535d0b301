#include "parts/time_table.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Milliseconds of a time in seconds: the product in single precision, truncated toward
// zero. Held in 64 bits and kept finite, so no float-to-integer conversion overflows.
int64_t MillisecondIndex(float seconds)
{
    const float product = seconds * 1000.0f;
    if (std::isnan(product))
        return 0;
    return int64_t(std::clamp(double(product), -4.0e15, 4.0e15));
}

}  // namespace

TimeTable::TimeTable(int32_t capacitySeconds)
    : seconds(std::max(capacitySeconds, 1)),
      values(size_t(seconds) * 1000),
      tags(size_t(seconds) * 1000, 0)
{
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = float(double(i) / 1000.0);
}

void FillRamp(TimeTable& table, float startSeconds, float endSeconds, float fromValue, float toValue)
{
    const int64_t s = MillisecondIndex(startSeconds);
    const int64_t e = MillisecondIndex(endSeconds);
    if (s == e)
        return;
    const int64_t base = std::min(s, e);
    // The denominator is |e - s + 1| as ever, except that a one-entry descending ramp
    // (e = s - 1) would divide 0 by 0: its single entry takes fromValue.
    float n = float(std::llabs(e - s + 1));
    if (n == 0.0f)
        n = 1.0f;
    const float range = toValue - fromValue;
    const int64_t size = int64_t(table.values.size());
    const int64_t first = std::max<int64_t>(base, 0);
    const int64_t last = std::min(std::max(s, e), size);  // excluded
    for (int64_t i = first; i < last; ++i) {
        const float v = float(i - base) / n * range + fromValue;
        table.values[size_t(i)] = float(double(v) + 0.0005);
        table.tags[size_t(i)] = table.tag;
    }
}

TimeLookup Lookup(const TimeTable& table, float t)
{
    const int64_t last = int64_t(table.values.size()) - 1;
    const size_t i = size_t(std::clamp<int64_t>(MillisecondIndex(t), 0, last));
    return {table.values[i], table.tags[i]};
}
