#include "platform/mapped_file.h"
#include "platform/loading.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

MappedFile::MappedFile(const std::string& path)
{
#ifdef _WIN32
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    opened = true;
    LARGE_INTEGER length;
    if (GetFileSizeEx(file, &length) && length.QuadPart > 0) {
        handle_ = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (handle_) {
            data = static_cast<const char*>(MapViewOfFile(handle_, FILE_MAP_READ, 0, 0, 0));
            size = data ? size_t(length.QuadPart) : 0;
        }
    }
    CloseHandle(file);
#else
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return;
    opened = true;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        void* p = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (p != MAP_FAILED) {
            data = static_cast<const char*>(p);
            size = size_t(st.st_size);
        }
    }
    if (!data) {
        if (FILE* f = fdopen(dup(fd), "rb")) {
            copy_ = ReadStream(f);
            std::fclose(f);
        }
        data = copy_.empty() ? nullptr : copy_.data();
        size = copy_.size();
    }
    ::close(fd);
#endif
}

MappedFile::~MappedFile()
{
    if (!data || (!copy_.empty() && data == copy_.data()))
        return;
#ifdef _WIN32
    UnmapViewOfFile(data);
    CloseHandle(handle_);
#else
    munmap(const_cast<char*>(data), size);
#endif
}
