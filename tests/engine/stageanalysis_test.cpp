#include "engine/stageanalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "tests/engine/mfbreference.h"

namespace stelvane {
namespace {

using reference::Complex;
using reference::MfbParts;
using reference::MfbResponse;
using reference::StageSpec;

// The readout divides by 6.28318 where w0 asks for 2*pi.
constexpr double kReadoutFrequencyScale = 2 * std::numbers::pi / 6.28318;

TEST(AnalyzeStageParts, GivesBackTheStartupDesignFigures)
{
    struct Case {
        const char* name;
        int stage;
        double fo, q, gain;
    };
    const Case cases[] = {
        {"stage 1 below the centre", 1, 931.62, 7.089, 1.418},
        {"stage 2 above the centre", 2, 1073.40, 7.089, 1.418},
    };
    auto s = reference::StartupRecord();
    AnalyzeStageParts(*s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(s->StageFoActual[c.stage], c.fo, 0.01);
        EXPECT_NEAR(s->StageQActual[c.stage], c.q, 0.001);
        EXPECT_NEAR(s->StageGainActual[c.stage], c.gain, 0.001);
        EXPECT_EQ(s->StageInvalid[c.stage], 0);
    }
}

TEST(AnalyzeStageParts, GivesBackTheSynthesisTargets)
{
    struct Case {
        const char* name;
        StageSpec design;
        double c;
    };
    const Case cases[] = {
        {"audio stage, modest Q", {440, 2.5, 1.0}, 22e-9},
        {"low Q, attenuating", {50, 0.9, 0.4}, 1e-6},
        {"high Q and gain", {12000, 25, 8}, 1e-9},
        {"very high frequency", {250000, 4, 2}, 100e-12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = 1;
        reference::PutParts(s, 1, reference::EqualCapacitorParts(c.design, c.c));
        AnalyzeStageParts(s);
        // Parts rounded to Single and three Single roundings: a few 1e-7.
        EXPECT_NEAR(s.StageFoActual[1] / (c.design.f * kReadoutFrequencyScale), 1, 5e-7);
        EXPECT_NEAR(s.StageQActual[1] / c.design.q, 1, 5e-7);
        EXPECT_NEAR(s.StageGainActual[1] / c.design.gain, 1, 5e-7);
        EXPECT_EQ(s.StageInvalid[1], 0);
    }
}

// Finds the centre, peak gain and Q of a stage from its transfer function
// alone: the phase of -H crosses 0 at the peak, and a second-order bandpass
// is sqrt(2) down at both edges of its bandwidth f0/Q.
struct MeasuredStage {
    double fo, q, gain;
};

double Bisect(double lo, double hi, auto above)
{
    for (int i = 0; i < 200; ++i) {
        const double mid = std::sqrt(lo * hi);
        (above(mid) ? hi : lo) = mid;
    }
    return std::sqrt(lo * hi);
}

MeasuredStage Measure(const MfbParts& p)
{
    const double lo = 1e-3, hi = 1e9;
    const double fo = Bisect(lo, hi, [&](double f) { return std::arg(-MfbResponse(p, f)) < 0; });
    const double peak = std::abs(MfbResponse(p, fo));
    const double edge = peak / std::numbers::sqrt2;
    const double fLow = Bisect(lo, fo, [&](double f) { return std::abs(MfbResponse(p, f)) > edge; });
    const double fHigh = Bisect(fo, hi, [&](double f) { return std::abs(MfbResponse(p, f)) < edge; });
    return {fo, fo / (fHigh - fLow), peak};
}

TEST(AnalyzeStageParts, MatchesTheTransferFunctionWithUnequalCapacitors)
{
    struct Case {
        const char* name;
        MfbParts parts;
    };
    const Case cases[] = {
        {"C2 ten times C1", {10e3, 2.2e3, 100e3, 1e-9, 10e-9}},
        {"C1 ten times C2", {47e3, 470, 330e3, 47e-9, 4.7e-9}},
        {"equal capacitors", {85.42e3, 1.222e3, 242.2e3, 10e-9, 10e-9}},
        {"low Q", {1e3, 1e3, 4e3, 1e-7, 2e-7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = 1;
        reference::PutParts(s, 1, c.parts);
        AnalyzeStageParts(s);
        const MeasuredStage m = Measure(reference::PartsOf(s, 1));
        EXPECT_NEAR(s.StageFoActual[1] / (m.fo * kReadoutFrequencyScale), 1, 5e-7);
        EXPECT_NEAR(s.StageQActual[1] / m.q, 1, 1e-6);
        EXPECT_NEAR(s.StageGainActual[1] / m.gain, 1, 5e-7);
    }
}

TEST(AnalyzeStageParts, DoublingR3ScalesQGainAndFrequency)
{
    struct Case {
        const char* name;
        MfbParts parts;
    };
    const auto startup = reference::StartupStages();
    const Case cases[] = {
        {"start-up stage 1", reference::EqualCapacitorParts(startup[0], 1e-8)},
        {"start-up stage 2", reference::EqualCapacitorParts(startup[1], 1e-8)},
        {"unequal capacitors", {10e3, 2.2e3, 100e3, 1e-9, 10e-9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = 2;
        reference::PutParts(s, 1, c.parts);
        MfbParts doubled = c.parts;
        doubled.r3 *= 2;
        reference::PutParts(s, 2, doubled);
        AnalyzeStageParts(s);
        EXPECT_NEAR(s.StageQActual[2] / s.StageQActual[1], std::numbers::sqrt2, 1e-6);
        EXPECT_NEAR(s.StageGainActual[2] / s.StageGainActual[1], 2, 1e-6);
        EXPECT_NEAR(s.StageFoActual[2] / s.StageFoActual[1], 1 / std::numbers::sqrt2, 1e-6);
    }
}

TEST(AnalyzeStageParts, FlagsStagesWhosePartsGiveNoResult)
{
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    // A gain above 2 q^2 asks for a negative R2.
    const MfbParts overAmbitious = reference::EqualCapacitorParts({1000, 1.2, 5}, 1e-8);
    ASSERT_LT(overAmbitious.r2, 0);
    struct Case {
        const char* name;
        int resistor; // 1..3, or 0 to change a capacitor instead
        int capacitor;
        float value;
    };
    const Case cases[] = {
        {"R1 zero", 1, 0, 0},
        {"R2 zero", 2, 0, 0},
        {"R3 zero", 3, 0, 0},
        {"C1 zero", 0, 1, 0},
        {"C2 zero", 0, 2, 0},
        {"R2 negative from a gain too high for the Q", 2, 0, static_cast<float>(overAmbitious.r2)},
        {"R1 negative", 1, 0, -1000},
        {"C2 negative", 0, 2, -1e-9f},
        {"R3 NaN", 3, 0, kNaN},
        {"C1 infinite", 0, 1, kInf},
        {"R2 infinite", 2, 0, kInf},
        {"R1 so small the gain overflows Single", 1, 0, 1e-40f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = reference::StartupRecord();
        if (c.resistor) s->R[2][c.resistor] = c.value;
        if (c.capacitor) s->C[2][c.capacitor] = c.value;
        s->StageFoActual[2] = 123; // a stale readout must not survive
        AnalyzeStageParts(*s);
        EXPECT_EQ(s->StageInvalid[2], 1);
        EXPECT_EQ(s->StageFoActual[2], 0);
        EXPECT_EQ(s->StageQActual[2], 0);
        EXPECT_EQ(s->StageGainActual[2], 0);
        // The other stage is unaffected.
        EXPECT_EQ(s->StageInvalid[1], 0);
        EXPECT_NEAR(s->StageFoActual[1], 931.62, 0.01);

        // Mending the part clears the flag again.
        *s = *reference::StartupRecord();
        s->StageInvalid[2] = 1;
        AnalyzeStageParts(*s);
        EXPECT_EQ(s->StageInvalid[2], 0);
        EXPECT_NEAR(s->StageFoActual[2], 1073.40, 0.01);
    }
}

TEST(AnalyzeStageParts, KeepsWithinTheStageArrays)
{
    struct Case {
        const char* name;
        Integer order;
        int lastAnalysed; // highest stage that gets readouts
    };
    const Case cases[] = {
        {"order 0 analyses nothing", 0, 0},
        {"negative order analyses nothing", -4, 0},
        {"order 21 analyses every stage", 21, 21},
        {"order above 21 stops at the last stage", 300, 21},
    };
    const MfbParts parts = reference::EqualCapacitorParts({1000, 5, 2}, 1e-8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        for (int k = 0; k <= kMaxStages; ++k) reference::PutParts(s, k, parts);
        s.Order = c.order;
        AnalyzeStageParts(s);
        EXPECT_EQ(s.StageFoActual[0], 0) << "index 0 is never used";
        for (int k = 1; k <= kMaxStages; ++k) {
            SCOPED_TRACE("stage " + std::to_string(k));
            if (k <= c.lastAnalysed) {
                EXPECT_NEAR(s.StageGainActual[k], 2, 1e-5);
            } else {
                EXPECT_EQ(s.StageGainActual[k], 0);
            }
        }
    }
}

} // namespace
} // namespace stelvane
