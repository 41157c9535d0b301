// A whole file mapped read-only into memory: large data files are parsed in place, with
// no copy and no freshly allocated buffer to fault in page by page.
#pragma once
#include <cstddef>
#include <string>

struct MappedFile {
    const char* data = nullptr;  // null when the file could not be opened or is empty
    size_t size = 0;
    bool opened = false;         // the file exists and could be read (it may be empty)

    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

private:
    [[maybe_unused]] void* handle_ = nullptr;  // the mapping object on Windows
    std::string copy_;        // where mapping is refused (a pipe, say), the bytes read instead
};
