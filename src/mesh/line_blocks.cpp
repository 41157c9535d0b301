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
            if (buffer_[filled_ - 1] == '\r') buffer_[filled_ - 1] = '\n';
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
        EndLinesAtLoneReturns(filled_, filled_ + read);
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

// Files written with a carriage return alone at each line end (as old Macintosh programs did)
// read as lines too: such a return becomes a line end. One at the end of what has been read
// waits for the next byte, which may be the line feed of a CR LF pair.
void LineBlocks::EndLinesAtLoneReturns(size_t from, size_t to)
{
    for (size_t k = from > 0 ? from - 1 : 0; k + 1 < to; ++k) {
        const auto* r = static_cast<char*>(std::memchr(&buffer_[k], '\r', to - 1 - k));
        if (!r) return;
        k = size_t(r - buffer_.data());
        if (buffer_[k + 1] != '\n') buffer_[k] = '\n';
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
