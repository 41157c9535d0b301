// The two statements that make up nearly all of a large OBJ file, in their plain shape:
// "f a b c" with three unsigned position indices and "v x y z" with three plain decimals,
// one space before each and nothing after but the line end. Read from one look at the line,
// they give exactly what the general reading gives, at a fraction of its branches; any other
// shape (more corners, slashes, signs, tabs, comments, long numbers, the end of the text
// near) is left to the general reading.
#pragma once
#include "mesh/decimal_parse.h"

#include <cstdint>

// After an "f" keyword: the three indices as written, and the line end ('\n'), or nullptr.
inline const char* PlainTriangle(const char* p, const char* end, int64_t (&indices)[3])
{
#if defined(__SSE2__)
    if (end - p < 40) return nullptr;  // 32 characters looked at, and 8 read past a number's start
    uint32_t spaces = 0;
    const uint32_t digits = decimal_detail::DigitsAndOne(p, ' ', spaces);
    int at = 0;
    for (int64_t& index : indices) {
        if (!((spaces >> at) & 1)) return nullptr;
        ++at;
        // Up to 8 digits, the most one load holds; longer indices go to the general reading.
        const int length = std::countr_zero(~digits >> at);
        if (length < 1 || length > 8) return nullptr;
        index = int64_t(decimal_detail::LeadingValue(decimal_detail::Load8(p + at), length));
        at += length;  // at most 27
    }
    if (p[at] == '\r') ++at;
    return p[at] == '\n' ? p + at : nullptr;
#else
    (void)p, (void)end, (void)indices;
    return nullptr;
#endif
}

// After a "v" keyword: the three coordinates, and the line end ('\n'), or nullptr.
inline const char* PlainVertex(const char* readable, const char* p, const char* end, float (&xyz)[3])
{
    for (float& value : xyz) {
        if (p == end || *p != ' ') return nullptr;
        ++p;
        const bool negative = p < end && *p == '-';
        p += negative;
        uint64_t w = 0;
        int fractionDigits = 0;
        const char* const stop = decimal_detail::PlainDecimal(readable, p, end, w, fractionDigits);
        if (!stop || !decimal_detail::RoundToFloat(w, -fractionDigits, negative, value)) return nullptr;
        p = stop;  // PlainDecimal leaves at least a character after it
    }
    if (*p == '\r') ++p;
    return p < end && *p == '\n' ? p : nullptr;
}
