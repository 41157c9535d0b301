// Reading position in an OBJ text held in memory: whitespace-separated tokens and
// scanf-like number conversions. Numbers are read only within the current line, so a
// statement with fewer numbers than expected stops at its line end.
#pragma once
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

struct ObjCursor {
    const char* p;
    const char* end;  // the text is zero-terminated at end

    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

    bool AtLineEnd() const { return p == end || *p == '\n'; }
    void SkipBlanks()
    {
        while (p < end && IsBlank(*p)) ++p;
    }
    void SkipLine()
    {
        const void* newline = std::memchr(p, '\n', size_t(end - p));
        p = newline ? static_cast<const char*>(newline) + 1 : end;
    }

    // The next token, across line ends; empty at the end of the text.
    std::string_view Token()
    {
        while (p < end && (IsBlank(*p) || *p == '\n')) ++p;
        return LineToken();
    }
    // The next token on this line; empty at the line end.
    std::string_view LineToken()
    {
        SkipBlanks();
        const char* start = p;
        while (p < end && !IsBlank(*p) && *p != '\n') ++p;
        return {start, size_t(p - start)};
    }
    std::string_view PeekLineToken()
    {
        const char* saved = p;
        const std::string_view token = LineToken();
        p = saved;
        return token;
    }

    bool Literal(char c)
    {
        if (p < end && *p == c) {
            ++p;
            return true;
        }
        return false;
    }

    // "%d": optional sign and decimal digits after blanks. A number too large for 64 bits
    // is consumed and reads as the largest value, which no index check accepts.
    bool Int(int64_t& value)
    {
        SkipBlanks();
        const char* q = p < end && *p == '+' ? p + 1 : p;
        if (q < end && *q == '+') return false;
        const auto [stop, error] = std::from_chars(q, end, value);
        if (stop == q) return false;
        if (error == std::errc::result_out_of_range) value = std::numeric_limits<int64_t>::max();
        p = stop;
        return true;
    }

    // "%f": a decimal float after blanks.
    bool Float(float& value)
    {
        SkipBlanks();
        const char* q = p < end && *p == '+' ? p + 1 : p;
        if (q < end && (*q == '+' || *q == '-') && q != p) return false;
        const auto [stop, error] = std::from_chars(q, end, value);
        if (stop == q) return false;
        if (error == std::errc::result_out_of_range) value = std::strtof(q, nullptr);  // inf or 0
        p = stop;
        return true;
    }
};
