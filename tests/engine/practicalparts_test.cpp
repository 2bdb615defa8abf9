#include "engine/practicalparts.h"
#include "engine/sensitivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "engine/stageanalysis.h"
#include "tests/engine/engine_test_support.h"

namespace stelvane::testing {

// The closed forms against central differences of the stage analysis, on
// stages from the start-up design to unequal capacitors and a tiny R2, and
// the sum rules that follow from scaling: w0 goes as 1/R and 1/C, so its
// sensitivities to the resistors sum to -1 and to the capacitors too; Q and
// the gain do not change when all resistors or all capacitors scale.
TEST(Sensitivity, ClosedFormsMatchDifferencesOfTheStageAnalysis) {
    const StageParts stages[] = {
        {85418, 1222, 242205, 1e-8, 1e-8}, {74136, 1061, 210215, 1e-8, 1e-8},  {10e3, 2.2e3, 100e3, 1e-9, 10e-9},
        {47e3, 470, 330e3, 47e-9, 4.7e-9},  {147e3, 31, 1.01e6, 1e-8, 1e-8},     {1e3, 1e6, 1e3, 1e-6, 3e-12},
    };
    constexpr double h = 1e-3;
    for (const StageParts& parts : stages) {
        SCOPED_TRACE(::testing::PrintToString(parts));
        const StageSensitivities closed = SensitivitiesOf(parts);
        for (int p = 0; p < 5; ++p) {
            double figures[2][3], logPart[2];
            for (int side = 0; side < 2; ++side) {
                DesignState s;
                s.Order = 1;
                std::array<Single*, 5> at{&s.R[1][1], &s.R[1][2], &s.R[1][3], &s.C[1][1], &s.C[1][2]};
                for (int q = 0; q < 5; ++q) *at[q] = Single(parts[q] * (q == p ? (side ? 1 + h : 1 - h) : 1));
                AnalyzeStageParts(s);
                logPart[side] = std::log(double(*at[p]));
                figures[side][0] = std::log(s.StageFoActual[1]), figures[side][1] = std::log(s.StageQActual[1]);
                figures[side][2] = std::log(s.StageGainActual[1]);
            }
            const double step = logPart[1] - logPart[0];
            EXPECT_NEAR(closed.f0[p], (figures[1][0] - figures[0][0]) / step, 5e-4) << kStagePartNames[p];
            EXPECT_NEAR(closed.q[p], (figures[1][1] - figures[0][1]) / step, 5e-4) << kStagePartNames[p];
            EXPECT_NEAR(closed.gain[p], (figures[1][2] - figures[0][2]) / step, 5e-4) << kStagePartNames[p];
        }
        const struct { const StageParts& s; double resistors, capacitors; } sums[] = {
            {closed.f0, -1, -1}, {closed.q, 0, 0}, {closed.gain, 0, 0}};
        for (const auto& sum : sums) {
            EXPECT_NEAR(sum.s[0] + sum.s[1] + sum.s[2], sum.resistors, 1e-12);
            EXPECT_NEAR(sum.s[3] + sum.s[4], sum.capacitors, 1e-12);
        }
        EXPECT_TRUE(closed.f0[2] == -0.5 && closed.f0[3] == -0.5 && closed.f0[4] == -0.5);
    }
    EXPECT_TRUE(std::isnan(SensitivitiesOf({1e3, -5, 1e3, 1e-9, 1e-9}).q[0]));
}

// A design at 100 pF has resistors of megohms: the suggested capacitor is the
// one a search over every E6 and E12 value of every decade finds, and the
// design made with it has the resistors the suggestion said (they scale as 1/C).
TEST(PracticalParts, SuggestedCapacitorCentresTheResistorsInTheRange) {
    auto s = StartUpDesign();
    DesignInputs in = InputsFromRecord(*s);
    in.txtCaps = "100p";
    in.lblOrderInput = "4";
    DesignSession(*s).Enter(in, [](const std::string&) {});
    const ResistorRange range{2e3, 500e3};
    EXPECT_EQ(ResistorsOutsideRange(*s, range).size(), 8u);  // R1 and R3 of all four stages
    for (const StandardSeries series : {StandardSeries::E6, StandardSeries::E12}) {
        SCOPED_TRACE(SeriesName(series));
        double low = INFINITY, high = 0, best = INFINITY, bestCap = 0;
        for (int k = 1; k <= 4; ++k)
            for (int j = 1; j <= 3; ++j) low = std::min<double>(low, s->R[k][j]), high = std::max<double>(high, s->R[k][j]);
        for (int e = -13; e <= -3; ++e)
            for (double v : SeriesValues(series)) {
                const double cap = v * std::pow(10.0, e);
                const double off = std::fabs(std::log(std::sqrt(low * high) * 100e-12 / cap / std::sqrt(2e3 * 500e3)));
                if (off < best) best = off, bestCap = cap;
            }
        const auto c = SuggestCapacitor(*s, range, series);
        ASSERT_TRUE(c);
        EXPECT_NEAR(c->capacitor / bestCap, 1, 1e-9);
        auto again = StartUpDesign();
        in.txtCaps = std::to_string(c->capacitor);
        DesignSession(*again).Enter(in, [](const std::string&) {});
        const auto redesigned = SuggestCapacitor(*again, range, series);
        EXPECT_NEAR(redesigned->lowest / c->lowest, 1, 1e-5);
        EXPECT_NEAR(redesigned->highest / c->highest, 1, 1e-5);
        EXPECT_NEAR(redesigned->capacitor / c->capacitor, 1, 1e-6);  // already the best
        EXPECT_LT(ResistorsOutsideRange(*again, range).size(), 8u);
    }
    s->C[1][1] = 0;
    EXPECT_FALSE(SuggestCapacitor(*s, range, StandardSeries::E6));
}

// Rounding through the session: every resistor of R (and of Rs when asked)
// becomes a value of the series nearest its own, E24 exactly as "Nearest 5%",
// and Restore gives both sets back.
TEST(PracticalParts, RoundingToASeriesTakesRsAlongAndIsUndone) {
    for (const StandardSeries series : kAllSeries) {
        SCOPED_TRACE(SeriesName(series));
        auto s = StartUpDesign();
        const DesignState designed = *s;
        DesignSession session(*s);
        session.RoundToStandardValues(series, series != StandardSeries::E24);
        EXPECT_EQ(session.RoundedSeries(), series);
        DesignState nearest5 = designed;
        NearestStandardValue(nearest5);
        for (int k = 1; k <= 2; ++k)
            for (int j = 1; j <= 3; ++j) {
                EXPECT_NEAR(s->R[k][j] / NearestInSeries(designed.R[k][j], series), 1, 1e-6);
                if (series == StandardSeries::E24) { EXPECT_EQ(s->R[k][j], nearest5.R[k][j]); }
                EXPECT_EQ(s->Rs[k][j], series == StandardSeries::E24 ? designed.Rs[k][j]
                                                                     : Single(NearestInSeries(designed.Rs[k][j], series)));
            }
        session.RestoreParts();
        EXPECT_TRUE(s->R == designed.R && s->Rs == designed.Rs && !session.RoundedSeries());
    }
}

} // namespace stelvane::testing
