// A text file read in blocks of whole lines, for readers whose statements never span a line
// end: they need not hold the file whole, and a block stays in the cache while it is read.
#pragma once
#include <cstdio>
#include <string_view>
#include <vector>

class LineBlocks {
public:
    explicit LineBlocks(const char* path);
    ~LineBlocks();
    LineBlocks(const LineBlocks&) = delete;
    LineBlocks& operator=(const LineBlocks&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    // The next run of whole lines, each with its line end except perhaps the file's last;
    // false at the end of the file or when reading fails (then Failed() is true). The text
    // stays valid until the next call.
    bool Next(std::string_view& lines);
    bool Failed() const { return failed_; }

private:
    std::FILE* file_;
    std::vector<char> buffer_;
    size_t start_ = 0, filled_ = 0;  // handed out up to start_, read up to filled_
    bool atEnd_ = false, failed_ = false;
};
