#include "engine/stageanalysis.h"

#include <gtest/gtest.h>

#include <cfloat>

#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>

#include "tests/engine/engine_test_support.h"
#include "tests/engine/mfbreference.h"

namespace stelvane {

using reference::MfbResponse;

static double Bisect(double lo, double hi, auto above)
{
    for (int i = 0; i < 200; ++i) (above(std::sqrt(lo * hi)) ? hi : lo) = std::sqrt(lo * hi);
    return lo;
}

// Centre, Q and peak gain found from the transfer function alone: the phase of
// -H crosses 0 at the peak, and the stage is sqrt(2) down at both band edges.
static reference::StageTarget Measure(const reference::MfbParts& p)
{
    const double fo = Bisect(1e-3, 1e9, [&](double f) { return std::arg(-MfbResponse(p, f)) < 0; });
    const double edge = std::abs(MfbResponse(p, fo)) / std::numbers::sqrt2;
    const double fLow = Bisect(1e-3, fo, [&](double f) { return std::abs(MfbResponse(p, f)) > edge; });
    return {fo, fo / (Bisect(fo, 1e9, [&](double f) { return std::abs(MfbResponse(p, f)) < edge; }) - fLow),
        edge * std::numbers::sqrt2};
}

TEST(AnalyzeStageParts, MatchesTheTransferFunction)
{
    const std::pair<const char*, reference::MfbParts> cases[] = {
        {"start-up stage", reference::EqualCapacitorParts(reference::ButterworthStages(2, 1000, 200, 0)[0], 1e-8)},
        {"high Q and gain", reference::EqualCapacitorParts({12000, 25, 8}, 1e-9)},
        {"C2 ten times C1", {10e3, 2.2e3, 100e3, 1e-9, 10e-9}},
    };
    for (const auto& [name, parts] : cases) {
        SCOPED_TRACE(name);
        DesignState s;
        s.Order = 1, s.StageInvalid[1] = 1;
        reference::PutParts(s, 1, parts);
        AnalyzeStageParts(s);
        const auto m = Measure(reference::PartsOf(s, 1));
        // w0 over 6.28318, not 2 pi
        EXPECT_NEAR(s.StageFoActual[1] / (m.f * 2 * std::numbers::pi / 6.28318), 1, 5e-7);
        EXPECT_NEAR(s.StageQActual[1] / m.q, 1, 1e-6);
        EXPECT_NEAR(s.StageGainActual[1] / m.gain, 1, 5e-7);
        EXPECT_EQ(s.StageInvalid[1], 0);
    }
}

TEST(AnalyzeStageParts, FlagsStagesWhosePartsGiveNoResult)
{
    const struct Case {
        const char* name;
        int resistor, capacitor;
        float value;
    } cases[] = {
        // R(2, resistor) or C(2, capacitor)
        {"R1 zero", 1, 0, 0},
        {"C1 infinite", 0, 1, INFINITY},
        {"R1 so small the gain overflows", 1, 0, 1e-40f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = testing::StartUpDesign();
        (c.resistor ? s->R[2][c.resistor] : s->C[2][c.capacitor]) = c.value;
        // stale readouts must go
        s->StageFoActual[2] = s->StageQActual[2] = s->StageGainActual[2] = 123;
        AnalyzeStageParts(*s);
        EXPECT_EQ(std::tuple(s->StageInvalid[2], s->StageFoActual[2], s->StageQActual[2], s->StageGainActual[2]),
            std::tuple(Integer(1), 0.0f, 0.0f, 0.0f));
        // the other stage is unaffected
        EXPECT_NEAR(s->StageFoActual[1], 931.62, 0.01);
    }
    // The largest gain a Single holds is still a result: R3/R1 at FLT_MAX over a C2 too small to count.
    auto s = testing::StartUpDesign();
    s->R[2] = {0, 1, 1000, FLT_MAX}, s->C[2] = {0, 1e-5f, 1e-40f};
    AnalyzeStageParts(*s);
    EXPECT_EQ(std::pair(s->StageInvalid[2], s->StageGainActual[2]), std::pair(Integer(0), FLT_MAX));
}

}  // namespace stelvane
