// Reading position in an OBJ text held in memory: whitespace-separated tokens and
// scanf-like number conversions. Numbers are read only within the current line, so a
// statement with fewer numbers than expected stops at its line end.
#pragma once
#include "mesh/decimal_parse.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

struct ObjCursor {
    const char* p;
    const char* end;
    const char* begin = p;  // where the readable text starts, for readers that look behind p

    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

    void SkipBlanks()
    {
        while (p < end && IsBlank(*p)) ++p;
    }
    void SkipLine()
    {
        // Most statements end right where their reading stopped.
        if (p < end && *p == '\n') {
            ++p;
            return;
        }
        const void* newline = std::memchr(p, '\n', size_t(end - p));
        p = newline ? static_cast<const char*>(newline) + 1 : end;
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
        // Indices are short: up to 18 digits cannot overflow and are read here.
        const char* s = q + (q < end && *q == '-');
        const char* const digits = s;
        uint64_t magnitude = 0;
        for (; s < end && s - digits < 18 && unsigned(*s - '0') < 10; ++s) magnitude = magnitude * 10 + unsigned(*s - '0');
        if (s == digits) return false;
        if (s == end || unsigned(*s - '0') >= 10) {
            value = *q == '-' ? -int64_t(magnitude) : int64_t(magnitude);
            p = s;
            return true;
        }
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
        const auto [stop, error] = DecimalToFloat(q, end, value);
        if (stop == q) return false;
        if (error == std::errc::result_out_of_range) value = std::strtof(std::string(q, stop).c_str(), nullptr);  // inf or 0
        p = stop;
        return true;
    }
};
