// For the fuzz targets that go through files: a failed check aborts, so libFuzzer keeps the input,
// and each process has its own scratch path, in memory where the system has a memory file system.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// The folder NAME_<process id> under /dev/shm (else /tmp), made on the first call and removed with
// what it holds at exit. A process has one such folder: the first call names it.
inline const std::filesystem::path& ScratchFolder(const std::string& name)
{
    namespace fs = std::filesystem;
    static const fs::path dir = [&] {
        const fs::path base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        const fs::path d = base / (name + "_" + std::to_string(getpid()));
        fs::create_directories(d);
        return d;
    }();
    // Registered after `dir` is made, so it runs before `dir` is destroyed.
    static const bool removed = (std::atexit([] {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }), true);
    (void)removed;
    return dir;
}
