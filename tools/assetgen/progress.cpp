#include "progress.h"

#include <cstdio>

static bool progressQuiet = false;

void SetProgressQuiet(bool quiet) { progressQuiet = quiet; }

Progress::Progress(std::string stepName) : name(std::move(stepName)) {}

void Progress::Update(double fraction)
{
    int tenth = int(fraction * 10.0);
    if (tenth <= lastTenth || tenth >= 10) return;
    lastTenth = tenth;
    if (progressQuiet || tenth == 0) return;
    std::printf("  %s: %d%%\n", name.c_str(), tenth * 10);
    std::fflush(stdout);
}

void Progress::Done(const std::string& detail)
{
    if (progressQuiet) return;
    std::printf("  %s: done%s%s\n", name.c_str(), detail.empty() ? "" : ", ", detail.c_str());
    std::fflush(stdout);
}
