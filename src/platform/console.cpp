#include "platform/console.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// Which of the process's own streams an ostream is, and the descriptor behind it.
int StreamDescriptor(const std::ostream& s)
{
    if (&s == &std::cout) return 1;
    if (&s == &std::cerr || &s == &std::clog) return 2;
    return -1;
}

bool colouredOut = false, colouredErr = false;

#ifdef _WIN32
WORD defaultAttributes = 0;
#endif

void RegisterRestore()
{
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(RestoreConsoleColour); });
}

std::ostream& SetColour(std::ostream& s, int attribute)
{
    const int fd = StreamDescriptor(s);
    const bool terminal = fd > 0 && IsTerminal(fd);
    const bool requested = s.iword(ConsoleColourSlot()) != 0;
    if (!terminal && !requested)
        return s;
#ifdef _WIN32
    if (!terminal)
        return s;  // the console API needs a console; a plain stream gets nothing
    s.flush();
    HANDLE h = GetStdHandle(fd == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (defaultAttributes == 0) {
        if (!GetConsoleScreenBufferInfo(h, &info)) return s;
        defaultAttributes = info.wAttributes;
    }
    if (!GetConsoleScreenBufferInfo(h, &info)) return s;
    SetConsoleTextAttribute(h, WORD((info.wAttributes & ~0x0F) | attribute));
#else
    // ANSI foreground codes only, so the terminal's background stays as it is.
    const char* code = "\033[37m";
    switch (attribute) {
    case 10: code = "\033[92m"; break;
    case 11: code = "\033[96m"; break;
    case 12: code = "\033[91m"; break;
    case 15: code = "\033[97m"; break;
    default: break;
    }
    s << code;
#endif
    if (fd == 1) colouredOut = true;
    if (fd == 2) colouredErr = true;
    if (fd > 0) RegisterRestore();
    return s;
}

}  // namespace

int ConsoleColourSlot()
{
    static const int slot = std::ios_base::xalloc();
    return slot;
}

std::ostream& BrightGreen(std::ostream& s) { return SetColour(s, 10); }
std::ostream& White(std::ostream& s) { return SetColour(s, 7); }
std::ostream& BrightCyan(std::ostream& s) { return SetColour(s, 11); }
std::ostream& BrightRed(std::ostream& s) { return SetColour(s, 12); }
std::ostream& BrightWhite(std::ostream& s) { return SetColour(s, 15); }

void RestoreConsoleColour()
{
#ifdef _WIN32
    if (defaultAttributes == 0) return;
    if (colouredOut) SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), defaultAttributes);
    if (colouredErr) SetConsoleTextAttribute(GetStdHandle(STD_ERROR_HANDLE), defaultAttributes);
#else
    // printf and cout share the C stream; flush both so the reset lands after the text.
    if (colouredOut) { std::cout << "\033[39m" << std::flush; std::fflush(stdout); }
    if (colouredErr) { std::cerr << "\033[39m" << std::flush; }
#endif
    colouredOut = colouredErr = false;
}
