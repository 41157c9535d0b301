// The frame plan: which scene times are kept, and every frame that runs to reach them on the
// fixed step, so that the particles have taken as many steps as in a real run.
#include "capture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Slack for times that are whole multiples of the step but not exactly so in binary.
constexpr double kSlack = 1e-9;

}  // namespace

std::vector<double> KeptTimes(const TCaptureOptions& options)
{
    if (options.kind == CaptureKind::Stills)
        return options.at;
    std::vector<double> times;
    const double end = std::min(options.to, kSceneEnd);
    for (int64_t n = 0; options.kind != CaptureKind::Timing || n < options.timing; ++n) {
        const double t = options.from + double(n) / options.fps;
        // --to is excluded; so is the scene's end, where the scene ends the process.
        if (t >= end - kSlack || float(t) >= float(kSceneEnd))
            break;
        times.push_back(t);
    }
    return times;
}

std::vector<TPlannedFrame> PlanFrames(const std::vector<double>& kept, double step, double warmup)
{
    std::vector<TPlannedFrame> plan;
    for (size_t i = 0; i < kept.size(); ++i) {
        const double target = kept[i];
        // Frames at target - k * step for k = count .. 1: back to scene time 0 for the first,
        // to just after the previous kept frame for the others.
        int64_t count = 0;
        if (i == 0)
            count = int64_t(std::floor(target / step + kSlack));
        else
            count = int64_t(std::ceil((target - kept[i - 1]) / step - kSlack)) - 1;
        for (int64_t k = count; k >= 1; --k) {
            const double back = double(k) * step;
            plan.push_back({target - back, back <= warmup + kSlack, -1});
        }
        plan.push_back({target, true, int(i)});
    }
    return plan;
}

float PartTimeBefore(float target, float step)
{
    float before = target - step;
    // Float rounding of the subtraction and of the part's addition can miss the target by an
    // ulp; the neighbours of the first guess always contain one that lands on it.
    float best = before;
    float bestMiss = std::fabs((best + step) - target);
    float down = before, up = before;
    for (int i = 0; i < 8 && bestMiss > 0.0f; ++i) {
        down = std::nextafter(down, -INFINITY);
        up = std::nextafter(up, INFINITY);
        for (float c : {down, up}) {
            const float miss = std::fabs((c + step) - target);
            if (miss < bestMiss)
                best = c, bestMiss = miss;
        }
    }
    return best;
}

std::string StillName(double time)
{
    char name[64];
    std::snprintf(name, sizeof name, "frame_%08.3f.png", time);
    return name;
}

std::string SequenceName(int index)
{
    char name[64];
    std::snprintf(name, sizeof name, "frame_%06d.png", index);
    return name;
}

std::vector<TPlannedFrame> TimingPlan(const std::vector<double>& kept, double step, double warmup)
{
    // The capture's own plan without the frames that only step the clock.
    std::vector<TPlannedFrame> plan = PlanFrames(kept, step, warmup);
    std::erase_if(plan, [](const TPlannedFrame& frame) { return !frame.draw; });
    return plan;
}
