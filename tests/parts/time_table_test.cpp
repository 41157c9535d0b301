// Time tables: the identity they start as, ramps (both directions, clipped at the
// table's ends) and look-ups with the single-precision index rule.
#include "parts/time_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(TimeTable, LookupsAndTheThreeHundredSecondRamp)
{
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    TimeTable table;
    ASSERT_EQ(table.values.size(), 1000000u);
    const float last = float(999999 / 1000.0);  // at or past the end: the last entry
    for (const auto& [t, value] : {std::pair{12.3456f, 12.345f}, {0.0f, 0.0f}, {-5.0f, 0.0f}, {-inf, 0.0f}, {nan, 0.0f},
                                   {999.9995f, last}, {1000.0f, last}, {1e30f, last}, {inf, last}})
        EXPECT_TRUE(Lookup(table, t).value == value && Lookup(table, t).tag == 0) << t;
    table.tag = 7;
    FillRamp(table, 0.0f, 300.0f, 0.0f, 300.0f);
    EXPECT_TRUE(table.values[0] == 0.0005f && table.values[150000] == 150.0f) << table.values[0] << " " << table.values[150000];
    EXPECT_NEAR(table.values[299999], 299.9985f, 1e-4f);
    EXPECT_EQ(table.values[300000], 300.0f);  // not written: keeps its identity value
    EXPECT_TRUE(table.tags[299999] == 7 && table.tags[300000] == 0 && Lookup(table, 150.0f).tag == 7);
    EXPECT_EQ(table.cursor, 0.0f);  // the caller moves the cursor
    // Ramps beyond the table's ends are clipped, with no overflow; a NaN start reads as 0.
    table.tag = 2;
    for (const auto& [start, end, from] : {std::tuple{999.998f, 2000.0f, 10.0f}, {-3.0e38f, 3.0e38f, 0.0f}, {nan, 0.001f, 4.0f}})
        FillRamp(table, start, end, from, from + 1.0f);
    for (const size_t i : {0u, 1u, 500000u, 999999u}) EXPECT_TRUE(table.tags[i] == 2 && std::isfinite(table.values[i])) << i;
    EXPECT_EQ(table.values[0], 4.0005f);
}

TEST(TimeTable, RampDirectionsAndDenominator)
{
    // From 0 to 1: five ascending entries over a denominator of |15 - 10 + 1| = 6; descending ones still rise
    // in index order, over |5 - 10 + 1| = 4; a one-entry descending ramp would divide 0 by 0: it takes fromValue.
    for (const auto& [start, end, first, n, step] : {std::tuple{0.010f, 0.015f, 10u, 5u, 1.0f / 6}, {0.010f, 0.005f, 5u, 5u, 0.25f},
                                                       {0.010f, 0.009f, 9u, 1u, 0.0f}, {2.0f, 2.0f, 2000u, 0u, 0.0f}}) {
        TimeTable table;
        table.tag = 3;
        FillRamp(table, start, end, 0.0f, 1.0f);
        for (unsigned i = first; i < first + n; ++i) {
            EXPECT_FLOAT_EQ(table.values[i], float(i - first) * step + 0.0005f) << start << " to " << end << " entry " << i;
            EXPECT_EQ(table.tags[i], 3) << i;
        }
        EXPECT_TRUE(table.tags[first - 1] == 0 && table.tags[first + n] == 0) << start << " to " << end;
        EXPECT_EQ(table.values[first + n], float((first + n) / 1000.0));  // untouched: identity
    }
}
