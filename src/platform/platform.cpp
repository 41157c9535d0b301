#include "platform/platform.h"

#include <chrono>
#include <thread>

// Windows has its own calls for all of this; elsewhere SDL gives the desktop's bounds.
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <SDL.h>
#include <unistd.h>
#endif

void ConsoleHide()
{
#ifdef _WIN32
    ShowWindow(GetConsoleWindow(), SW_HIDE);
#endif
}

void ConsoleShow()
{
#ifdef _WIN32
    ShowWindow(GetConsoleWindow(), SW_SHOW);
#endif
}

void PreferWindowedVideo()
{
#if defined(__linux__)
    if (!SDL_getenv("SDL_VIDEODRIVER"))
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
#endif
}

DesktopRect GetDesktopRect()
{
#ifdef _WIN32
    RECT r;
    GetWindowRect(GetDesktopWindow(), &r);
    return {int32_t(r.left), int32_t(r.top), int32_t(r.right), int32_t(r.bottom)};
#else
    // SDL gives the primary display's bounds. The video subsystem it needs stays up for
    // the window set-up that follows: shutting it down and starting it again between the
    // two reopens the X connection, which upsets the GL dispatch now and then.
    PreferWindowedVideo();
    SDL_Rect b;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 && SDL_GetDisplayBounds(0, &b) == 0)
        return {b.x, b.y, b.x + b.w, b.y + b.h};
    return {0, 0, 1920, 1080};
#endif
}

void SleepMs(uint32_t milliseconds)
{
#ifdef _WIN32
    Sleep(milliseconds);
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
#endif
}

int64_t SteadyTicks100ns()
{
    using namespace std::chrono;
    return duration_cast<duration<int64_t, std::ratio<1, kTicksPerSecond>>>(steady_clock::now().time_since_epoch()).count();
}

bool IsTerminal(int fd)
{
#ifdef _WIN32
    return _isatty(fd) != 0;
#else
    return isatty(fd) != 0;
#endif
}
