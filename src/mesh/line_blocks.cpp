// Reading a file in blocks that end on a line end.
#include "mesh/line_blocks.h"
#include "platform/loading.h"

#include <cstring>

namespace {
// Large enough that a block costs few reads, small enough to stay in the cache.
constexpr size_t BlockSize = size_t(1) << 16;
}  // namespace

LineBlocks::LineBlocks(const char* path) : file_(std::fopen(path, "r")) {}

LineBlocks::~LineBlocks()
{
    if (file_) std::fclose(file_);
}

bool LineBlocks::Next(std::string_view& lines)
{
    if (!file_ || failed_) return false;
    // The unfinished line after the last block moves to the front.
    if (start_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + start_, filled_ - start_);
        filled_ -= start_;
        start_ = 0;
    }
    for (;;) {
        if (atEnd_) {
            if (filled_ == 0) return false;
            lines = {buffer_.data(), filled_};
            start_ = filled_;
            return true;
        }
        // A line longer than the buffer makes it grow.
        if (filled_ == buffer_.size()) buffer_.resize(buffer_.empty() ? BlockSize : 2 * buffer_.size());
        const size_t read = std::fread(buffer_.data() + filled_, 1, buffer_.size() - filled_, file_);
        if (read == 0) {
            if (std::ferror(file_)) {
                failed_ = true;
                return false;
            }
            atEnd_ = true;
            continue;
        }
        // What came before this read holds no line end.
        for (size_t k = filled_ + read; k > filled_; --k)
            if (buffer_[k - 1] == '\n') {
                lines = {buffer_.data(), k};
                start_ = k;
                filled_ += read;
                return true;
            }
        filled_ += read;
    }
}

int64_t LineBlocks::Size() const
{
    return file_ ? FileSize(file_) : -1;
}

std::string_view LineBlocks::At(uint64_t offset, size_t n)
{
    look_.resize(n);
    look_.resize(file_ ? ReadFileAt(file_, offset, look_.data(), n) : 0);
    return look_;
}
