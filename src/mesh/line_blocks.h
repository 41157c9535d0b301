// A text file read in blocks of whole lines, for readers whose statements never span a line
// end: they need not hold the file whole, and a block stays in the cache while it is read.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class LineBlocks {
public:
    explicit LineBlocks(const char* path);
    ~LineBlocks();
    LineBlocks(const LineBlocks&) = delete;
    LineBlocks& operator=(const LineBlocks&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    // The next run of whole lines, each with its line end except perhaps the file's last (a
    // carriage return not followed by a line feed is taken for a line end);
    // false at the end of the file or when reading fails (then Failed() is true). The text
    // stays valid until the next call.
    bool Next(std::string_view& lines);
    bool Failed() const { return failed_; }

    // The file's size in bytes, or -1 when it is no regular file (a pipe, a folder).
    int64_t Size() const;
    // Up to n bytes at offset, for a look ahead before the first Next; valid until the next call.
    std::string_view At(uint64_t offset, size_t n);

private:
    void EndLinesAtLoneReturns(size_t from, size_t to);

    std::FILE* file_;
    std::vector<char> buffer_;
    std::string look_;  // what At read
    size_t start_ = 0, filled_ = 0;  // handed out up to start_, read up to filled_
    bool atEnd_ = false, failed_ = false;
};
