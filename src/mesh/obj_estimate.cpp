// Sampling an OBJ text for its statement counts.
#include "mesh/obj_estimate.h"
#include "mesh/obj_cursor.h"

#include <cstring>

namespace {

constexpr size_t WindowSize = 4096, Windows = 32;

// The counts over the whole lines of a stretch of text; `counted` is how many bytes they cover.
// At the text's end (atEnd) a last line without its line end counts too.
ObjEstimate CountLines(const char* p, const char* end, bool atEnd, size_t& counted)
{
    ObjEstimate n;
    const char* const start = p;
    const char* last = p;  // after the last whole line
    while (p < end) {
        const auto* newline = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!newline && !atEnd) break;
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
        p = last = newline + (newline < end);
    }
    counted = size_t(last - start);
    return n;
}

}  // namespace

ObjEstimate EstimateObjCounts(uint64_t size, const ObjTextAt& textAt)
{
    size_t counted = 0;
    if (size <= WindowSize * Windows) {
        const std::string_view text = textAt(0, size_t(size));
        return CountLines(text.data(), text.data() + text.size(), true, counted);
    }
    ObjEstimate sampled;
    uint64_t covered = 0;
    for (size_t w = 0; w < Windows; ++w) {
        const uint64_t offset = w * (size - WindowSize) / (Windows - 1);
        const std::string_view window = textAt(offset, WindowSize);
        const char* p = window.data();
        const char* const stop = p + window.size();
        if (offset != 0) {  // from the first line that starts inside the window
            const auto* newline = static_cast<const char*>(std::memchr(p, '\n', window.size()));
            if (!newline) continue;
            p = newline + 1;
        }
        const ObjEstimate n = CountLines(p, stop, offset + window.size() == size, counted);
        sampled.positions += n.positions, sampled.triangles += n.triangles;
        covered += counted;
    }
    if (covered == 0) return {};
    const double scale = double(size) / double(covered);
    return {int64_t(double(sampled.positions) * scale + 0.5), int64_t(double(sampled.triangles) * scale + 0.5)};
}
