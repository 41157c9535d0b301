// The settling of saves, common to every system: a path is reported once its events
// have stopped for kFileSettleTicks.
#include "platform/file_watch.h"

TFileWatch::~TFileWatch()
{
    CloseFileWatch(*this);
}

std::vector<std::string> SavedFiles(TFileWatch& watch, int64_t now)
{
    for (const std::string& path : ReadFolderEvents(watch))
        watch.pending[path] = now;
    std::vector<std::string> settled;
    for (auto it = watch.pending.begin(); it != watch.pending.end();) {
        if (now - it->second >= kFileSettleTicks) {
            settled.push_back(it->first);
            it = watch.pending.erase(it);
        } else {
            ++it;
        }
    }
    return settled;
}
