// Time tables: the identity they start as, ramps (both directions, clipped at the
// table's ends) and look-ups with the single-precision index rule.
#include "parts/time_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(TimeTable, LookupsRampsAndClipping)
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
    const struct { float start, end; size_t first; std::vector<float> written; } cases[] = {  // written: less 0.0005
        {0.010f, 0.015f, 10, {0.0f, 1.0f / 6, 2.0f / 6, 3.0f / 6, 4.0f / 6}},  // over |15 - 10 + 1| = 6
        {0.010f, 0.005f, 5, {0.0f, 0.25f, 0.5f, 0.75f, 1.0f}},  // descending: still rising in index order, over 4
        {0.010f, 0.009f, 9, {0.0f}},  // one entry descending would divide 0 by 0: fromValue
        {2.0f, 2.0f, 2000, {}}};
    for (const auto& c : cases) {
        TimeTable table;
        table.tag = 3;
        FillRamp(table, c.start, c.end, 0.0f, 1.0f);
        for (size_t i = c.first; i < c.first + c.written.size(); ++i) {
            EXPECT_FLOAT_EQ(table.values[i], c.written[i - c.first] + 0.0005f) << c.start << " to " << c.end << " entry " << i;
            EXPECT_EQ(table.tags[i], 3) << i;
        }
        const size_t after = c.first + c.written.size();
        EXPECT_TRUE(table.tags[c.first - 1] == 0 && table.tags[after] == 0) << after;
        EXPECT_EQ(table.values[after], float(double(after) / 1000.0));  // untouched: identity
    }
}

}  // namespace
