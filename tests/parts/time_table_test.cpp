// Time tables: construction, ramps (both directions, clipped at the table's ends) and
// look-ups with the single-precision index rule.
#include "parts/time_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(TimeTable, FreshTableIsTheIdentityInMilliseconds)
{
    const TimeTable table;
    ASSERT_EQ(table.values.size(), 1000000u);
    EXPECT_EQ(table.cursor, 0.0f);
    EXPECT_EQ(table.tag, 0);
    EXPECT_EQ(table.speed, 1.0f);
    const struct {
        float t, value;
    } cases[] = {
        {12.3456f, 12.345f},
        {0.0f, 0.0f},
        {-5.0f, 0.0f},                                      // before the table: entry 0
        {-std::numeric_limits<float>::infinity(), 0.0f},
        {std::numeric_limits<float>::quiet_NaN(), 0.0f},
        {999.9995f, float(999999 / 1000.0)},
        {1000.0f, float(999999 / 1000.0)},                  // at or past the end: the last entry
        {1.0e30f, float(999999 / 1000.0)},
        {std::numeric_limits<float>::infinity(), float(999999 / 1000.0)},
    };
    for (const auto& c : cases) {
        const TimeLookup got = Lookup(table, c.t);
        EXPECT_EQ(got.value, c.value) << c.t;
        EXPECT_EQ(got.tag, 0) << c.t;
    }
}

TEST(TimeTable, ThreeHundredSecondRamp)
{
    TimeTable table;
    table.tag = 7;
    FillRamp(table, 0.0f, 300.0f, 0.0f, 300.0f);
    EXPECT_EQ(table.values[0], 0.0005f);
    EXPECT_EQ(table.values[150000], 150.0f);
    EXPECT_NEAR(table.values[299999], 299.9985f, 1e-4f);
    EXPECT_EQ(table.values[300000], 300.0f);  // not written: keeps its identity value
    EXPECT_EQ(table.tags[299999], 7);
    EXPECT_EQ(table.tags[300000], 0);
    EXPECT_EQ(Lookup(table, 150.0f).value, 150.0f);
    EXPECT_EQ(Lookup(table, 150.0f).tag, 7);
    EXPECT_EQ(table.cursor, 0.0f);  // the caller moves the cursor
}

TEST(TimeTable, RampDirectionsAndDenominator)
{
    const struct {
        const char* what;
        float start, end;
        int firstIndex;
        std::vector<float> written;  // before the 0.0005 offset
    } cases[] = {
        // Five entries over a denominator of 6: the last stops short of toValue.
        {"ascending", 0.010f, 0.015f, 10, {0.0f, 1.0f / 6, 2.0f / 6, 3.0f / 6, 4.0f / 6}},
        // Descending: entries 5..9 still rise in index order, over |5 - 10 + 1| = 4.
        {"descending", 0.010f, 0.005f, 5, {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}},
        // A one-entry descending ramp would divide 0 by 0: it takes fromValue.
        {"one entry descending", 0.010f, 0.009f, 9, {0.0f}},
    };
    for (const auto& c : cases) {
        TimeTable table;
        table.tag = 3;
        FillRamp(table, c.start, c.end, 0.0f, 1.0f);
        for (size_t k = 0; k < c.written.size(); ++k) {
            const size_t i = size_t(c.firstIndex) + k;
            EXPECT_FLOAT_EQ(table.values[i], c.written[k] + 0.0005f) << c.what << " entry " << i;
            EXPECT_TRUE(std::isfinite(table.values[i])) << c.what;
            EXPECT_EQ(table.tags[i], 3) << c.what;
        }
        const size_t before = size_t(c.firstIndex) - 1, after = size_t(c.firstIndex) + c.written.size();
        EXPECT_EQ(table.tags[before], 0) << c.what;
        EXPECT_EQ(table.tags[after], 0) << c.what;
    }
    TimeTable same;
    same.tag = 1;
    FillRamp(same, 2.0f, 2.0f, 5.0f, 6.0f);
    EXPECT_EQ(same.tags[2000], 0);
    EXPECT_EQ(same.values[2000], 2.0f);
}

TEST(TimeTable, RampsBeyondTheTableAreClipped)
{
    TimeTable table;
    table.tag = 2;
    FillRamp(table, 999.998f, 2000.0f, 10.0f, 20.0f);
    FillRamp(table, -1.0f, 0.002f, 0.0f, 1.0f);
    FillRamp(table, -3.0e38f, 3.0e38f, 0.0f, 1.0f);  // the whole table, no overflow
    FillRamp(table, std::numeric_limits<float>::quiet_NaN(), 0.001f, 4.0f, 5.0f);
    for (const size_t i : {size_t(0), size_t(1), size_t(500000), size_t(999999)}) {
        EXPECT_EQ(table.tags[i], 2) << i;
        EXPECT_TRUE(std::isfinite(table.values[i])) << i;
    }
    // A NaN start reads as 0: entry 0 starts the last ramp at its fromValue.
    EXPECT_EQ(table.values[0], 4.0005f);
}

}  // namespace
