// Clean-up of unfinished outputs. The scene may end the process with exit() and a person may
// press Ctrl-C at any frame: either way no partial file is left behind under any name, and
// an ffmpeg child does not go on to finish a video of its own. The handler touches only
// fixed slots with async-signal-safe calls.
#include "capture.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kSlots = 8;
constexpr size_t kPathMax = 4096;

struct Slot {
    volatile sig_atomic_t used = 0;
    char path[kPathMax] = {};
};
Slot slots[kSlots];
volatile sig_atomic_t childPid = 0;

void RemoveAll()
{
    if (childPid > 0)
        kill(pid_t(childPid), SIGKILL);
    for (Slot& s : slots)
        if (s.used)
            unlink(s.path);
}

void OnSignal(int sig)
{
    RemoveAll();
    signal(sig, SIG_DFL);
    raise(sig);
}

void Install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    std::atexit(RemoveAll);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        signal(sig, OnSignal);
    // A dead ffmpeg shows as a failed write, not as a silent end of the process.
    signal(SIGPIPE, SIG_IGN);
}

}  // namespace

void GuardTemporary(const std::string& path)
{
    Install();
    for (Slot& s : slots)
        if (!s.used && path.size() < kPathMax) {
            std::memcpy(s.path, path.c_str(), path.size() + 1);
            s.used = 1;
            return;
        }
}

void ReleaseTemporary(const std::string& path)
{
    for (Slot& s : slots)
        if (s.used && path == s.path)
            s.used = 0;
}

void GuardChild(int pid)
{
    Install();
    childPid = pid;
}
