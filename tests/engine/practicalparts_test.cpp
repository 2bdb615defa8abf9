#include "engine/practicalparts.h"
#include "engine/sensitivity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "engine/stageanalysis.h"
#include "tests/engine/engine_test_support.h"

namespace stelvane::testing {

// The closed forms against central differences of the stage analysis, on
// the start-up design's stage and one of unequal capacitors, and
// the sum rules that follow from scaling: w0 goes as 1/R and 1/C, so its
// sensitivities to the resistors sum to -1 and to the capacitors too; Q and
// the gain do not change when all resistors or all capacitors scale.
TEST(Sensitivity, ClosedFormsMatchDifferencesOfTheStageAnalysis)
{
    const StageParts stages[] = {
        {85418, 1222, 242205, 1e-8, 1e-8},
        {10e3, 2.2e3, 100e3, 1e-9, 10e-9},
    };
    // The logarithms of the analysed centre, Q and gain, with part p scaled by `by`.
    const auto logFigures = [](StageParts parts, int p, double by) {
        parts[p] *= by;
        DesignState s;
        s.Order = 1;
        s.R[1] = {0, Single(parts[0]), Single(parts[1]), Single(parts[2])};
        s.C[1] = {0, Single(parts[3]), Single(parts[4])};
        AnalyzeStageParts(s);
        return std::array{std::log(s.StageFoActual[1]), std::log(s.StageQActual[1]), std::log(s.StageGainActual[1])};
    };
    const double h = 1e-3, step = std::log((1 + h) / (1 - h));
    for (const StageParts& parts : stages) {
        SCOPED_TRACE(::testing::PrintToString(parts));
        const StageSensitivities closed = SensitivitiesOf(parts);
        for (int p = 0; p < 5; ++p) {
            const auto up = logFigures(parts, p, 1 + h), down = logFigures(parts, p, 1 - h);
            for (auto [closedForm, n] : {std::pair{&closed.f0, 0}, {&closed.q, 1}, {&closed.gain, 2}})
                EXPECT_NEAR((*closedForm)[p], (up[n] - down[n]) / step, 5e-4) << kStagePartNames[p] << " figure " << n;
        }
        for (auto [s, sum] : {std::pair{&closed.f0, -1.0}, {&closed.q, 0.0}, {&closed.gain, 0.0}})
            EXPECT_TRUE(
                std::fabs((*s)[0] + (*s)[1] + (*s)[2] - sum) < 1e-12 && std::fabs((*s)[3] + (*s)[4] - sum) < 1e-12);
    }
    EXPECT_TRUE(std::isnan(SensitivitiesOf({1e3, -5, 1e3, 1e-9, 1e-9}).q[0]));
}

// A design at 100 pF has resistors of megohms: the suggested capacitor is the
// one a search over every E12 value of every decade finds, and the design made
// with it has the resistors the suggestion said (they scale as 1/C).
TEST(PracticalParts, SuggestedCapacitorCentresTheResistorsInTheRange)
{
    auto s = StartUpDesign([](DesignInputs& in) { in.txtCaps = "100p", in.lblOrderInput = "4"; });
    const ResistorRange range{2e3, 500e3};
    // R1 and R3 of all four stages
    EXPECT_EQ(ResistorsOutsideRange(*s, PartsType::Ideal, range).size(), 8u);
    const auto [low, high] = std::minmax({s->R[1][1], s->R[1][2], s->R[1][3], s->R[2][1], s->R[2][2], s->R[2][3],
        s->R[3][1], s->R[3][2], s->R[3][3], s->R[4][1], s->R[4][2], s->R[4][3]});
    double best = INFINITY, bestCap = 0;
    for (int e = -13; e <= -3; ++e)
        for (double v : SeriesValues(StandardSeries::E12)) {
            const double cap = v * std::pow(10.0, e);
            const double off =
                std::fabs(std::log(std::sqrt(double(low) * high) * 100e-12 / cap / std::sqrt(2e3 * 500e3)));
            if (off < best) best = off, bestCap = cap;
        }
    const auto c = SuggestCapacitor(*s, PartsType::Ideal, range, StandardSeries::E12);
    ASSERT_TRUE(c);
    EXPECT_NEAR(c->capacitor / bestCap, 1, 1e-9);
    const auto again =
        StartUpDesign([&](DesignInputs& in) { in.txtCaps = std::to_string(c->capacitor), in.lblOrderInput = "4"; });
    const auto redesigned = SuggestCapacitor(*again, PartsType::Ideal, range, StandardSeries::E12);
    EXPECT_NEAR(redesigned->lowest / c->lowest, 1, 1e-5);
    EXPECT_NEAR(redesigned->highest / c->highest, 1, 1e-5);
    EXPECT_LT(ResistorsOutsideRange(*again, PartsType::Ideal, range).size(), 8u);
    s->C[1][1] = 0;
    EXPECT_FALSE(SuggestCapacitor(*s, PartsType::Ideal, range, StandardSeries::E12));
}

}  // namespace stelvane::testing
