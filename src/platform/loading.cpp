#include "platform/loading.h"

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

int64_t FileSize(std::FILE* file)
{
#ifdef _WIN32
    struct _stat64 st;
    if (_fstat64(_fileno(file), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return -1;
#else
    struct stat st;
    if (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
#endif
    return int64_t(st.st_size);
}

size_t ReadFileAt(std::FILE* file, uint64_t offset, char* to, size_t n)
{
#ifdef _WIN32
    if (_fseeki64(file, int64_t(offset), SEEK_SET) != 0) return 0;
    const size_t got = std::fread(to, 1, n, file);
    _fseeki64(file, 0, SEEK_SET);
    std::clearerr(file);
    return got;
#else
    size_t got = 0;
    while (got < n) {
        const ssize_t r = pread(fileno(file), to + got, n - got, off_t(offset + got));
        if (r <= 0) break;
        got += size_t(r);
    }
    return got;
#endif
}

void PrefaultForWriting(void* begin, size_t bytes)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // madvise takes whole pages: those that lie wholly within the range.
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t first = (uintptr_t(begin) + page - 1) & ~(page - 1);
    const uintptr_t last = (uintptr_t(begin) + bytes) & ~(page - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#else
    (void)begin, (void)bytes;
#endif
}

std::string ReadStream(std::FILE* file)
{
    std::string bytes;
    if (const int64_t size = FileSize(file); size > 0) bytes.reserve(size_t(size));
    char block[1 << 16];
    for (size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) bytes.append(block, got);
    return bytes;
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    const std::string bytes = ReadStream(file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}
