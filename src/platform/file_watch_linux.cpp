// The file watch over inotify: one non-blocking descriptor with a watch per folder, for
// files closed after writing and files moved in.
#ifdef __linux__
#include "platform/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

namespace {

struct InotifyWatch {
    int fd = -1;
    std::map<int, std::string> folders;  // watch descriptor -> folder as given
};

}  // namespace

bool WatchFolder(TFileWatch& watch, const std::string& folder)
{
    if (!watch.native) {
        const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (fd < 0)
            return false;
        watch.native = new InotifyWatch{fd, {}};
    }
    auto& w = *static_cast<InotifyWatch*>(watch.native);
    const int wd = inotify_add_watch(w.fd, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR);
    if (wd < 0)
        return false;
    w.folders[wd] = folder;
    return true;
}

std::vector<std::string> ReadFolderEvents(TFileWatch& watch)
{
    std::vector<std::string> paths;
    if (!watch.native)
        return paths;
    auto& w = *static_cast<InotifyWatch*>(watch.native);
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t n = read(w.fd, buffer, sizeof buffer);
        if (n <= 0)
            break;  // EAGAIN: nothing more for now (EINTR: the next call reads it)
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            const auto folder = w.folders.find(e->wd);
            if (e->len > 0 && folder != w.folders.end())
                paths.push_back(folder->second + "/" + std::string(e->name));  // the name is zero-padded
            at += ssize_t(sizeof(inotify_event)) + ssize_t(e->len);
        }
    }
    return paths;
}

void CloseFileWatch(TFileWatch& watch)
{
    if (auto* w = static_cast<InotifyWatch*>(watch.native)) {
        close(w->fd);  // ends every watch on it
        delete w;
    }
    watch.native = nullptr;
    watch.pending.clear();
}
#endif
