// std::from_chars into a float, with the same stop, value and error for every input, but
// inline and short for the plain decimals that fill OBJ files: the library's conversion
// costs more than the rest of reading a "v" line. Digits are taken eight at a time where
// the text allows, since a digit-by-digit loop is one long chain of dependent multiplications.
#pragma once
#include <algorithm>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The number readers sit on the hottest path of the loaders: a call per number, with its
// results passed through memory, costs as much as a short number's conversion.
#if defined(__GNUC__)
#define HOLLOWMERE_ALWAYS_INLINE [[gnu::always_inline]]
#else
#define HOLLOWMERE_ALWAYS_INLINE
#endif

namespace decimal_detail {

constexpr uint64_t Zeros = 0x3030303030303030u;  // eight '0' characters

// A high bit in every byte of eight characters that is not a digit.
inline uint64_t NonDigitBytes(uint64_t chars)
{
    return ((chars + 0x4646464646464646u) | (chars - Zeros)) & 0x8080808080808080u;
}

// The value of eight digit values (0-9, one a byte, the first in the lowest byte).
inline uint32_t EightDigitsValue(uint64_t digits)
{
    digits = digits * 10 + (digits >> 8);  // pairs
    digits = ((digits & 0x000000FF000000FFu) * (100 + (uint64_t(1000000) << 32)) +
              ((digits >> 16) & 0x000000FF000000FFu) * (1 + (uint64_t(10000) << 32))) >> 32;
    return uint32_t(digits);
}

inline uint64_t Load8(const char* s)
{
    uint64_t chars;
    std::memcpy(&chars, s, 8);
    return chars;
}

constexpr uint64_t PowersOfTenInt[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
constexpr double PowersOfTen[] = {1e-22, 1e-21, 1e-20, 1e-19, 1e-18, 1e-17, 1e-16, 1e-15, 1e-14,
                                  1e-13, 1e-12, 1e-11, 1e-10, 1e-9,  1e-8,  1e-7,  1e-6,  1e-5,
                                  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,
                                  1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11,  1e12,  1e13,
                                  1e14,  1e15,  1e16,  1e17,  1e18,  1e19,  1e20,  1e21,  1e22};

// The value of the first n (0 to 8) of eight characters, which are digits: they are shifted
// to the top behind zeros (in two steps, so that n = 0 shifts out everything).
inline uint64_t LeadingValue(uint64_t chars, int n)
{
    const int half = 32 - 4 * n;
    return EightDigitsValue(((chars - Zeros) << half) << half);
}

// Appends the run of digits at s to w (w * 10^n + run, modulo 2^64) and returns its end.
inline const char* AccumulateDigits(const char* s, const char* last, uint64_t& w)
{
    if constexpr (std::endian::native == std::endian::little) {
        while (last - s >= 8) {
            const uint64_t chars = Load8(s);
            const uint64_t nonDigits = NonDigitBytes(chars);
            if (nonDigits != 0) {
                // Fewer than eight digits: shift them to the top, behind zeros.
                const int n = std::countr_zero(nonDigits) / 8;
                if (n == 0) return s;
                w = w * PowersOfTenInt[n] + LeadingValue(chars, n);
                return s + n;
            }
            w = w * 100000000 + EightDigitsValue(chars - Zeros);
            s += 8;
        }
    }
    for (; s < last && unsigned(*s - '0') < 10; ++s) w = w * 10 + unsigned(*s - '0');
    return s;
}

#if defined(__SSE2__)
constexpr uint64_t PowersOfTen16[17] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000,
                                         10000000000, 100000000000, 1000000000000, 10000000000000,
                                         100000000000000, 1000000000000000, 10000000000000000};

// The value of the n (0 to 16) digits before stop: the 16 characters before stop, those
// before the digits masked to zero, in three rounds of pairwise multiply-adds.
inline uint64_t TrailingValue16(const char* stop, int n)
{
    alignas(16) static constexpr unsigned char Keep[32] = {0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
                                                           0,    0,    0,    0,    0,    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Keep + n));
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stop - 16));
    const __m128i digits = _mm_and_si128(_mm_sub_epi8(chars, _mm_set1_epi8('0')), keep);
    const __m128i zero = _mm_setzero_si128();
    const __m128i pairs = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(digits, zero), _mm_set_epi16(1, 10, 1, 10, 1, 10, 1, 10)),
                                          _mm_madd_epi16(_mm_unpackhi_epi8(digits, zero), _mm_set_epi16(1, 10, 1, 10, 1, 10, 1, 10)));
    const __m128i fours = _mm_madd_epi16(pairs, _mm_set_epi16(1, 100, 1, 100, 1, 100, 1, 100));
    const __m128i eights = _mm_madd_epi16(_mm_packs_epi32(fours, fours), _mm_set_epi16(1, 10000, 1, 10000, 1, 10000, 1, 10000));
    uint64_t both;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&both), eights);
    return (both & 0xFFFFFFFFu) * 100000000 + (both >> 32);
}
#endif

#if defined(__SSE2__)
// Bit k set where character k of the 32 from s is a digit; in `others`, where it is `other`.
inline uint32_t DigitsAndOne(const char* s, char other, uint32_t& others)
{
    uint32_t digits = 0;
    others = 0;
    for (int half = 0; half < 2; ++half) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * half));
        const __m128i offsets = _mm_sub_epi8(chars, _mm_set1_epi8('0'));
        const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(offsets, _mm_set1_epi8(9)), offsets);
        digits |= uint32_t(_mm_movemask_epi8(isDigit)) << (16 * half);
        others |= uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(chars, _mm_set1_epi8(other)))) << (16 * half);
    }
    return digits;
}
#endif

// [-]digits[.digits] with at most 7 integer digits, at most 31 characters and no exponent.
// Its extent is found from one look at 32 characters, since each number's end is where the
// next one's reading starts: a scan in steps would put every step on that path. It needs 33
// readable bytes. Returns the number's end, with w and the count of fraction digits, or
// nullptr when the number is not such a one. Past 16 digits (printed doubles often carry 17
// to 20), the rest are dropped when the 16 kept make w at least 10^12: that changes w by less
// than a part in 10^12, under 9008 units in the last place of the double that RoundToFloat
// forms, and leaves all kept fraction digits to one vector.
HOLLOWMERE_ALWAYS_INLINE inline const char* PlainDecimal(const char* readable, const char* s, const char* last, uint64_t& w, int& fractionDigits)
{
#if defined(__SSE2__)
    if (last - s < 33) return nullptr;
    uint32_t points = 0;
    const uint32_t digits = DigitsAndOne(s, '.', points);
    // The end first, from one count: it is what the next number waits for.
    const int length = std::countr_zero(~(digits | points));
    if (length > 31) return nullptr;
    const char* const stop = s + length;
    const uint32_t pointsIn = points & ((uint32_t(1) << length) - 1);
    if ((pointsIn & (pointsIn - 1)) != 0 || *stop == 'e' || *stop == 'E') return nullptr;  // a second point ends the number
    const bool point = pointsIn != 0;
    const int integer = point ? std::countr_zero(pointsIn) : length;
    const int written = point ? length - integer - 1 : 0;
    const int fraction = std::min(written, 16 - integer);  // the fraction digits kept
    if (integer > 7 || integer + written == 0) return nullptr;
    const char* const f = s + integer + 1;
    const char* const kept = point ? f + fraction : stop;  // where the kept digits end
    uint64_t value;  // w and fractionDigits stay as they were for a refused number
    if (kept - 16 >= readable) {
        // The kept fraction digits in one vector, the integer part in a word. A one-digit
        // integer part is the common case, and cheaper as it is.
        value = integer == 1 ? uint64_t(*s - '0') : LeadingValue(Load8(s), integer);
        value = value * PowersOfTen16[fraction] + TrailingValue16(kept, fraction);
    } else {
        // The fraction's digits lie in up to two words after the point.
        const int nb = std::min(fraction, 8), nc = std::max(fraction - 8, 0);
        value = LeadingValue(Load8(s), integer);
        value = value * PowersOfTenInt[nb] + LeadingValue(Load8(f), nb);
        value = value * PowersOfTenInt[nc] + LeadingValue(Load8(f + 8), nc);
    }
    // The least w allowed, 0 when no digit was dropped: one test, since whether digits were
    // dropped varies from number to number and a branch on it would often be mispredicted.
    const uint64_t least = PowersOfTen16[12] & (uint64_t(0) - uint64_t(fraction < written));
    if (value < least) return nullptr;
    w = value;
    fractionDigits = fraction;
    return stop;
#else
    (void)readable, (void)s, (void)last, (void)w, (void)fractionDigits;
    return nullptr;
#endif
}

// w * 10^exponent (w below 10^19, the exponent within 22 of zero) rounded to a float, or false
// when that needs the library: near a midpoint between two floats, or near the float range's
// ends. The double w * 10^k carries three roundings (of w, of the power, of the product), so
// it is within three units in its last place of the exact value, and within 9011 when w
// has dropped digits past the sixteenth; unless it lies within 2^14 such units of a
// midpoint, rounding it to float gives the correctly rounded float. That refuses about one
// number in 16000; the float's 24 bits leave 29 of the double's below them. (A
// multiplication: a division would wait several times longer.)
inline bool RoundToFloat(uint64_t w, int64_t exponent, bool negative, float& value)
{
    if (FLT_EVAL_METHOD != 0) return false;
    const double d = double(w) * PowersOfTen[exponent + 22];
    const uint64_t belowFloat = std::bit_cast<uint64_t>(d) & ((uint64_t(1) << 29) - 1);
    const bool nearMidpoint = belowFloat - (uint64_t(1) << 28) + (uint64_t(1) << 14) < (uint64_t(1) << 15);
    if (w != 0 && (d < 1e-37 || d > 1e38 || nearMidpoint)) return false;
    // The sign by a multiplication: it is as often one as the other, and a branch on it
    // would be mispredicted about every second number.
    static constexpr double Signs[2] = {1.0, -1.0};
    value = float(d * Signs[negative]);
    return true;
}

}  // namespace decimal_detail

// std::from_chars into a float (general format). Plain decimals with at most 19 significant
// digits and a decimal exponent within 22 of zero are converted here; everything else
// (inf, nan, long or extreme numbers, values near the float range's ends or near a midpoint
// between floats) goes to the library.
inline std::from_chars_result DecimalToFloat(const char* first, const char* last, float& value)
{
    using namespace decimal_detail;
    const char* s = first;
    const bool negative = s < last && *s == '-';
    s += negative;
    // What cannot start a number (as at a line's end after its last number) fails at once.
    if (s == last) return {first, std::errc::invalid_argument};
    const char lower = char(*s | 0x20);
    if (unsigned(*s - '0') >= 10 && *s != '.' && lower != 'i' && lower != 'n') return {first, std::errc::invalid_argument};
    uint64_t w = 0;  // meaningless past 19 digits, which go to the library
    int fractionDigits = 0;
    if (const char* stop = PlainDecimal(first, s, last, w, fractionDigits)) {
        if (RoundToFloat(w, -fractionDigits, negative, value)) return {stop, std::errc{}};
        return std::from_chars(first, last, value);
    }
    // Any other decimal: leading zeros, digits eight at a time, an exponent.
    const char* const mantissa = s;
    while (s < last && *s == '0') ++s;  // leading zeros are not significant
    const char* const integer = s;
    s = AccumulateDigits(s, last, w);
    int64_t significant = s - integer, exponent = 0;  // 64 bits: a number may be as long as the file
    bool anyDigit = s != mantissa;
    if (s < last && *s == '.') {
        const char* const fraction = ++s;
        if (significant == 0)
            while (s < last && *s == '0') ++s;
        const char* const digits = s;
        s = AccumulateDigits(s, last, w);
        significant += s - digits;
        exponent = -(s - fraction);
        anyDigit = anyDigit || s != fraction;
    }
    // The exponent part counts only when digits follow the 'e' and its sign.
    if (anyDigit && s < last && (*s == 'e' || *s == 'E')) {
        const char* t = s + 1;
        const bool down = t < last && *t == '-';
        t += t < last && (*t == '-' || *t == '+');
        if (t < last && unsigned(*t - '0') < 10) {
            int64_t e = 0;
            for (; t < last && unsigned(*t - '0') < 10; ++t)
                if (e < 10000) e = e * 10 + (*t - '0');
            exponent += down ? -e : e;
            s = t;
        }
    }
    if (anyDigit && significant <= 19 && exponent >= -22 && exponent <= 22 && RoundToFloat(w, exponent, negative, value))
        return {s, std::errc{}};
    return std::from_chars(first, last, value);
}
