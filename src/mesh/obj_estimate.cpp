// Sampling an OBJ text for its statement counts.
#include "mesh/obj_estimate.h"
#include "mesh/obj_cursor.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t WindowSize = 4096, Windows = 32;

// The counts over the lines that start in a stretch of text, a last line without its line end
// read as far as the stretch goes.
ObjEstimate CountLines(const char* p, const char* end)
{
    ObjEstimate n;
    while (p < end) {
        auto* newline = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!newline) newline = end;
        while (p < newline && ObjCursor::IsBlank(*p)) ++p;
        if (newline - p >= 2 && ObjCursor::IsBlank(p[1])) {
            if (p[0] == 'v') {
                ++n.positions;
            } else if (p[0] == 'f') {
                int corners = 0;
                for (const char* q = p + 1; q < newline; ++q) corners += !ObjCursor::IsBlank(*q) && ObjCursor::IsBlank(q[-1]);
                n.triangles += corners > 2 ? corners - 2 : 0;
            }
        }
        p = newline + (newline < end);
    }
    return n;
}

}  // namespace

ObjEstimate EstimateObjCounts(uint64_t size, const ObjTextAt& textAt)
{
    if (size <= WindowSize * Windows) {
        const std::string_view text = textAt(0, size_t(size));
        return CountLines(text.data(), text.data() + text.size());
    }
    ObjEstimate sampled;
    uint64_t covered = 0;
    for (size_t w = 0; w < Windows; ++w) {
        const uint64_t offset = w * (size - WindowSize) / (Windows - 1);
        const std::string_view window = textAt(offset, WindowSize);
        const char* p = window.data();
        // The window's statements are those of the lines that start in it, its last line
        // read as far as the window goes. Every byte of it counts as sampled: a window inside
        // one long line is a sample too, which holds no statement.
        if (offset != 0) {
            const auto* newline = static_cast<const char*>(std::memchr(p, '\n', window.size()));
            p = newline ? newline + 1 : window.data() + window.size();
        }
        const ObjEstimate n = CountLines(p, window.data() + window.size());
        sampled.positions += n.positions, sampled.triangles += n.triangles;
        covered += window.size();
    }
    if (covered == 0) return {};
    const double scale = double(size) / double(covered);
    const ObjEstimate e{int64_t(double(sampled.positions) * scale + 0.5), int64_t(double(sampled.triangles) * scale + 0.5)};
    // No more than the text can hold: a "v" line takes at least three bytes, a fan corner two.
    return {std::min(e.positions, int64_t(size / 3)), std::min(e.triangles, int64_t(size / 2))};
}
