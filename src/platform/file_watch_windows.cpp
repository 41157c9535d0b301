// The file watch over the directory-change notification: per folder a directory handle
// with one overlapped ReadDirectoryChangesW outstanding, checked without waiting.
#ifdef _WIN32
#include "platform/file_watch.h"

#include <windows.h>

#include <memory>

namespace {

struct FolderWatch {
    std::string folder;  // as given
    HANDLE directory = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    alignas(DWORD) char buffer[16384];
};

struct DirectoryWatch {
    std::vector<std::unique_ptr<FolderWatch>> folders;
};

constexpr DWORD kChanges = FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE;

std::wstring Wide(const std::string& text)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), n);
    return wide;
}

std::string Narrow(const wchar_t* text, size_t length)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, int(length), narrow.data(), n, nullptr, nullptr);
    return narrow;
}

bool Arm(FolderWatch& f)
{
    f.overlapped = OVERLAPPED{};
    return ReadDirectoryChangesW(f.directory, f.buffer, sizeof f.buffer, FALSE, kChanges, nullptr, &f.overlapped,
                                 nullptr) != 0;
}

}  // namespace

bool WatchFolder(TFileWatch& watch, const std::string& folder)
{
    auto f = std::make_unique<FolderWatch>();
    f->folder = folder;
    f->directory = CreateFileW(Wide(folder).c_str(), FILE_LIST_DIRECTORY,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (f->directory == INVALID_HANDLE_VALUE)
        return false;
    if (!Arm(*f)) {
        CloseHandle(f->directory);
        return false;
    }
    if (!watch.native)
        watch.native = new DirectoryWatch;
    static_cast<DirectoryWatch*>(watch.native)->folders.push_back(std::move(f));
    return true;
}

std::vector<std::string> ReadFolderEvents(TFileWatch& watch)
{
    std::vector<std::string> paths;
    if (!watch.native)
        return paths;
    for (auto& f : static_cast<DirectoryWatch*>(watch.native)->folders) {
        DWORD bytes = 0;
        if (!GetOverlappedResult(f->directory, &f->overlapped, &bytes, FALSE))
            continue;  // ERROR_IO_INCOMPLETE: nothing yet
        // Zero bytes: more changes than the buffer held; they are lost, the next ones are not.
        for (DWORD at = 0; bytes > 0 && at + sizeof(FILE_NOTIFY_INFORMATION) <= bytes;) {
            const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(f->buffer + at);
            if (info->Action == FILE_ACTION_ADDED || info->Action == FILE_ACTION_MODIFIED ||
                info->Action == FILE_ACTION_RENAMED_NEW_NAME)
                paths.push_back(f->folder + "/" + Narrow(info->FileName, info->FileNameLength / sizeof(wchar_t)));
            if (info->NextEntryOffset == 0)
                break;
            at += info->NextEntryOffset;
        }
        Arm(*f);
    }
    return paths;
}

void CloseFileWatch(TFileWatch& watch)
{
    if (auto* w = static_cast<DirectoryWatch*>(watch.native)) {
        for (auto& f : w->folders) {
            CancelIoEx(f->directory, &f->overlapped);
            DWORD bytes = 0;
            GetOverlappedResult(f->directory, &f->overlapped, &bytes, TRUE);  // the buffer is free after this
            CloseHandle(f->directory);
        }
        delete w;
    }
    watch.native = nullptr;
    watch.pending.clear();
}
#endif
