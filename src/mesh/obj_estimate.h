// How many "v" lines and fan triangles an OBJ text holds, estimated from evenly spread samples
// of it, so that the loader can size its arrays once instead of growing them by copies.
#pragma once
#include <cstdint>
#include <functional>
#include <string_view>

struct ObjEstimate {
    int64_t positions = 0;  // "v" lines
    int64_t triangles = 0;  // of the "f" lines' fans
};

// The bytes of the text at offset, up to length of them (fewer at its end).
using ObjTextAt = std::function<std::string_view(uint64_t offset, size_t length)>;

// Exact for a short text (it is read whole); within a few per cent for a long one whose
// statements are spread evenly enough (the samples add up to 128 KiB).
ObjEstimate EstimateObjCounts(uint64_t size, const ObjTextAt& textAt);

inline ObjEstimate EstimateObjCounts(std::string_view text)
{
    return EstimateObjCounts(text.size(), [text](uint64_t offset, size_t length) { return text.substr(offset, length); });
}
