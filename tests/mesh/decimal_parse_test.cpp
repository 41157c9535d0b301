// The loader's float reading against std::from_chars: the same stop, error and bits for the
// shapes its short paths take and for everything they hand on.
#include "mesh/decimal_parse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

// Compares on the text alone and with a long tail after it, which lets the short reading
// (it looks 32 characters ahead) take the number.
void ExpectAsFromChars(const std::string& number)
{
    for (const std::string& text : {number, number + " 0.5 0.25\n" + std::string(40, ' '), number + std::string(40, '7')}) {
        float expected = 1234.5f, got = 1234.5f;
        const char* first = text.data();
        const auto want = std::from_chars(first, first + text.size(), expected);
        const auto have = DecimalToFloat(first, first + text.size(), got);
        ASSERT_EQ(have.ptr - first, want.ptr - first) << '"' << text << '"';
        ASSERT_EQ(int(have.ec), int(want.ec)) << '"' << text << '"';
        ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << '"' << text << "\": " << got << " vs " << expected;
    }
}

TEST(DecimalToFloat, EdgesOfEachShape)
{
    const char* const numbers[] = {
        "", "-", "+1", ".", "-.", ".5", "-.5", "5.", "0", "-0", "-0.0", "007.5", "0.000000000000000000001",
        "1e", "1e+", "1e-", "1E5", "1e+5", "1e-5", "1.5e3x", "1.e5", ".e5", "e5", "1..2", "1/2", " 1", "x",
        "inf", "-Infinity", "nan", "NaN(1)", "0x1p3",
        "1e22", "1e23", "1e-22", "1e-23", "3.4e38", "3.5e38", "1e-37", "1e-38", "1e-45", "1e-50", "0e999",
        "1e99999999999999999999", "1234567.5", "12345678.5", "1234567890123456789", "12345678901234567890",
        "18446744073709551616", "0.35444599999999998", "0.12345678901234567890", "0.1234567890123456789012",
        "16777217", "16777216.5", "1.00000005960464477539", "1.0000000596046448", "1.00000011920928955078125",
        // Past 16 digits: exactly 16 and one more, the least and the greatest value kept, and
        // below it; past 19: dropped digits that decide nothing, a midpoint, too few digits
        // kept, 31 and 32 characters.
        "1234567.123456789", "1234567.1234567891", "0.0010000000000000009", "0.0009999999999999999", "0.00012345678901234567",
        "0.354445999999999981234", "-0.21984200000000000100", "1234567.1234567890123456789", "1.000000059604644775390625",
        "1.000000059604644775390626", "0.000000000000000000012345", "0.0000000123456789012345678", "0.1234567890123456789012345678",
        "0.12345678901234567890123456789", "1234567.12345678901234567890123"};
    for (const char* n : numbers) ExpectAsFromChars(n);
}

TEST(DecimalToFloat, MidpointsBetweenFloatsAndTheirNeighbours)
{
    std::mt19937 random(5);
    for (int k = 0; k < 20000; ++k) {
        const uint32_t bits = random() & 0x7fffffffu;
        float f;
        std::memcpy(&f, &bits, sizeof f);
        if (!(f > 1e-30f && f < 1e30f)) continue;
        const double midpoint = (double(f) + double(std::nextafter(f, 1e38f))) / 2;
        char text[64];
        for (int digits : {9, 17, 18, 19, 25}) {
            std::snprintf(text, sizeof text, "%.*g", digits, midpoint);
            ExpectAsFromChars(text);
            std::snprintf(text, sizeof text, "%.*f", digits % 12, midpoint);
            ExpectAsFromChars(text);
        }
        // Twenty and more fraction digits, of which the reading keeps the first sixteen.
        if (f > 1e-7f && f < 1e7f)
            for (int places : {19, 20, 23, 26}) {
                std::snprintf(text, sizeof text, "%.*f", places, midpoint);
                ExpectAsFromChars(text);
                std::snprintf(text, sizeof text, "%.*f", places, double(f));
                ExpectAsFromChars(text);
            }
    }
}

TEST(DecimalToFloat, RandomDecimals)
{
    std::mt19937 random(7);
    auto digits = [&](unsigned most) {
        std::string s(random() % (most + 1), '0');
        for (char& c : s) c = char('0' + random() % 10);
        return s;
    };
    for (int k = 0; k < 100000; ++k) {
        std::string s = random() % 3 == 0 ? "-" : "";
        s += digits(9);
        if (random() % 4 != 0) s += "." + digits(21);
        if (random() % 6 == 0) s += std::string(1, "eE"[random() % 2]) + (random() % 2 ? "-" : "") + digits(3);
        ExpectAsFromChars(s);
    }
}

}  // namespace
