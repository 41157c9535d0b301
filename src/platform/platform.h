// Small layers over the operating-system calls the shell needs: console window,
// desktop rectangle, sleeping and the 100 ns steady clock. Windows uses its own API;
// everywhere else the portable versions below apply.
#pragma once
#include <cstdint>

struct DesktopRect {
    int32_t left, top, right, bottom;
};

// Hides or shows the console window the program was started from (no-op without one).
void ConsoleHide();
void ConsoleShow();

// Keeps SDL to the video drivers that open real windows, unless SDL_VIDEODRIVER names one:
// without a display SDL would fall back to its offscreen driver, and the program would run
// on with no window to show (and a GL context GLEW cannot use).
void PreferWindowedVideo();

// The desktop's rectangle in pixels; starts SDL's video subsystem, which stays up.
DesktopRect GetDesktopRect();

void SleepMs(uint32_t milliseconds);

// Monotonic clock in 100-nanosecond ticks.
int64_t SteadyTicks100ns();
constexpr int64_t kTicksPerSecond = 10000000;
// A span of those ticks in seconds.
inline double TicksToSeconds(int64_t ticks) { return double(ticks) / double(kTicksPerSecond); }

// True when the descriptor (1 standard output, 2 standard error) is an interactive terminal.
bool IsTerminal(int fd);
