// Which files in a few watched folders were saved: written and closed, or moved into place
// (as editors do that save through a temporary file). A file is reported once nothing has
// happened to it for kFileSettleTicks, so a save made of several writes gives one report.
// Linux watches through inotify, Windows through its directory-change notification; the
// watch never blocks the caller.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

constexpr int64_t kFileSettleTicks = 100 * 10000;  // 100 ms in 100 ns ticks

struct TFileWatch {
    TFileWatch() = default;
    TFileWatch(const TFileWatch&) = delete;
    TFileWatch& operator=(const TFileWatch&) = delete;
    ~TFileWatch();

    void* native = nullptr;                  // the system's watch; null until a folder is watched
    std::map<std::string, int64_t> pending;  // path -> steady clock of its last event
};

// Starts watching `folder` (not its subfolders). False when it cannot be watched, a
// missing folder for one.
bool WatchFolder(TFileWatch& watch, const std::string& folder);

// The files saved and settled by `now` (steady clock, 100 ns ticks), each as the watched
// folder's name as given, a slash and the file's name; every save is reported once.
std::vector<std::string> SavedFiles(TFileWatch& watch, int64_t now);

// Ends every watch; the record can watch again afterwards.
void CloseFileWatch(TFileWatch& watch);

// The system's side: the paths with an event since the last call (repeats allowed).
std::vector<std::string> ReadFolderEvents(TFileWatch& watch);
