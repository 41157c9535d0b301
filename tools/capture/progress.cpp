// Progress on standard error: one line rewritten in place on a terminal, a plain line per
// tenth of the frames elsewhere (logs, CI). Reads the wall clock between frames only.
#include "capture.h"

#include "platform/platform.h"

#include <cstdio>

namespace {

std::string Clock(double seconds)
{
    const long s = long(seconds + 0.5);
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

double Seconds(int64_t since)
{
    return TicksToSeconds(SteadyTicks100ns() - since);
}

}  // namespace

std::string ProgressText(size_t done, size_t total, double sceneTime, double seconds)
{
    char text[160];
    if (seconds <= 0.0 || done == 0) {
        std::snprintf(text, sizeof text, "%zu/%zu frames, scene %.3f s", done, total, sceneTime);
        return text;
    }
    const double rate = double(done) / seconds;
    std::snprintf(text, sizeof text, "%zu/%zu frames, scene %.3f s, %.1f fps, ETA %s", done, total, sceneTime, rate,
                  Clock(double(total - done) / rate).c_str());
    return text;
}

CaptureProgress::CaptureProgress(size_t totalFrames, bool toTerminal)
    : total(totalFrames), terminal(toTerminal), startTicks(SteadyTicks100ns())
{
}

void CaptureProgress::Update(size_t done, double sceneTime)
{
    framesRun = done;
    const double seconds = Seconds(startTicks);
    if (terminal) {
        // A few redraws a second are enough to read and cost nothing.
        if (done < total && seconds - lastPrint < 0.25)
            return;
        lastPrint = seconds;
        std::fprintf(stderr, "\rcapture: %s\033[K", ProgressText(done, total, sceneTime, seconds).c_str());
        std::fflush(stderr);
        return;
    }
    const int tenth = total ? int(done * 10 / total) : 10;
    if (tenth <= lastTenth)
        return;
    lastTenth = tenth;
    std::fprintf(stderr, "capture: %d%% %s\n", tenth * 10, ProgressText(done, total, sceneTime, seconds).c_str());
}

void CaptureProgress::Finish(const std::string& summary)
{
    if (terminal)
        std::fprintf(stderr, "\n");
    const double seconds = Seconds(startTicks);
    std::fprintf(stderr, "capture: %s in %.1f s (%zu frames run, %.1f a second)\n", summary.c_str(), seconds,
                 framesRun, seconds > 0.0 ? double(framesRun) / seconds : 0.0);
}
