#include "engine/standardseries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "engine/standardvalues.h"

namespace stelvane {

// The tables against what is known of the series: their lengths and
// tolerances, and every value the formula 10^(i/n) rounded to the series'
// digits but for the known exceptions, which are one digit off (so each
// series is every other value of the next finer, and each steps within its
// tolerance).
TEST(StandardSeries, TablesHoldTheKnownFactsOfTheSeries)
{
    const struct {
        StandardSeries series;
        std::size_t n;
        double digits, tolerance;
        std::set<double> offFormula;
    } cases[] = {
        {StandardSeries::E6, 6, 10, 0.2, {3.3, 4.7}},
        {StandardSeries::E12, 12, 10, 0.1, {2.7, 3.3, 3.9, 4.7, 8.2}},
        {StandardSeries::E24, 24, 10, 0.05, {2.7, 3.0, 3.3, 3.6, 3.9, 4.3, 4.7, 8.2}},
        {StandardSeries::E48, 48, 100, 0.02, {}},
        {StandardSeries::E96, 96, 100, 0.01, {}},
        {StandardSeries::E192, 192, 100, 0.005, {9.2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(SeriesName(c.series));
        const auto t = SeriesValues(c.series);
        ASSERT_EQ(t.size(), c.n);
        EXPECT_EQ(SeriesFromName(SeriesName(c.series)), c.series);
        EXPECT_DOUBLE_EQ(SeriesTolerancePercent(c.series), 100 * c.tolerance);
        for (std::size_t i = 0; i < c.n; ++i) {
            const double formula = std::round(c.digits * std::pow(10.0, double(i) / c.n)) / c.digits;
            EXPECT_EQ(std::fabs(t[i] - formula) > 1e-9, c.offFormula.count(t[i]) == 1) << t[i];
            EXPECT_NEAR(t[i], formula, 1.01 / c.digits) << t[i];
        }
    }
    EXPECT_FALSE(SeriesFromName("E5") || SeriesFromName("E24 ") || SeriesFromName(""));
}

// The nearest value by ratio, in decades from picofarads to megohms: every
// series value stays, and the ratio midpoint between neighbours (the last
// and the next decade's first among them) splits them.
TEST(StandardSeries, NearestValueSplitsNeighboursAtTheirRatioMidpoint)
{
    for (StandardSeries series : kAllSeries) {
        SCOPED_TRACE(SeriesName(series));
        const auto t = SeriesValues(series);
        for (double decade : {1e-12, 1e-9, 1.0, 1e3, 1e6})
            for (std::size_t i = 0; i < t.size(); ++i) {
                const double lower = t[i] * decade, upper = (i + 1 < t.size() ? t[i + 1] : 10.0) * decade;
                const double middle = std::sqrt(lower * upper);
                EXPECT_NEAR(NearestInSeries(lower, series) / lower, 1, 1e-12);
                EXPECT_NEAR(NearestInSeries(middle * (1 - 1e-9), series) / lower, 1, 1e-12);
                EXPECT_NEAR(NearestInSeries(middle * (1 + 1e-9), series) / upper, 1, 1e-12);
                EXPECT_TRUE(InSeries(lower, series) && !InSeries(middle, series));
            }
    }
    // E24 rounds as "Nearest 5%" does; what has no nearest value is kept
    for (float v : {85418.0f, 9.539f, 9.54f, 1000.0f, 0.05f, 7.77e6f})
        EXPECT_EQ(RoundToSeries(v, StandardSeries::E24), NearestStandardValueOf(v)) << v;
    for (double v : {0.0, -47.0, double(INFINITY)}) EXPECT_EQ(NearestInSeries(v, StandardSeries::E96), v);
    EXPECT_EQ(CoarsestSeriesHolding(4.7e-9), StandardSeries::E6);
    EXPECT_EQ(CoarsestSeriesHolding(1.02e3), StandardSeries::E96);
    EXPECT_EQ(CoarsestSeriesHolding(85418), std::nullopt);
}

}  // namespace stelvane
