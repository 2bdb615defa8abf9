#include "engine/response.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "engine/stageanalysis.h"
#include "tests/engine/mfbreference.h"

namespace stelvane {
namespace {

using reference::MfbParts;
using reference::StageSpec;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

reference::GainPhase Evaluate(const DesignState& s, double f)
{
    double gain = 0;
    double phase = 0;
    EvaluateCascade(s, f, gain, phase);
    return {gain, phase};
}

void ExpectAllFinite(const DesignState& s)
{
    for (int l = 0; l <= kMaxPoints; ++l) {
        ASSERT_TRUE(std::isfinite(s.Freq[l])) << "Freq " << l;
        ASSERT_TRUE(std::isfinite(s.GainDB[l])) << "GainDB " << l;
        ASSERT_TRUE(std::isfinite(s.Phase[l])) << "Phase " << l;
        ASSERT_TRUE(std::isfinite(s.Delay[l])) << "Delay " << l;
        ASSERT_TRUE(std::isfinite(s.GridF[l])) << "GridF " << l;
    }
}

TEST(EvaluateCascade, StartupDesignAtTheQuotedFrequencies)
{
    struct Case {
        const char* name;
        double f, gainDb, phaseDeg, gainTolerance, phaseTolerance;
    };
    const Case cases[] = {
        {"far below", 500, -35.0, 169.1, 0.05, 0.05},
        {"lower stage centre", 931.6, -0.98, 63.6, 0.005, 0.05},
        {"centre", 1000, 0, 0, 1e-4, 1e-3},
        {"upper stage centre", 1073.4, -0.98, -63.6, 0.005, 0.05},
        {"far above", 2000, -35.0, -169.1, 0.05, 0.05},
    };
    const auto s = reference::StartupRecord();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto got = Evaluate(*s, c.f);
        EXPECT_NEAR(got.gainDb, c.gainDb, c.gainTolerance);
        EXPECT_NEAR(got.phaseDeg, c.phaseDeg, c.phaseTolerance);
        // and against the complex transfer function of the same parts
        const auto want = reference::CascadeReference(*s, c.f);
        EXPECT_NEAR(got.gainDb, want.gainDb, 1e-5);
        EXPECT_NEAR(got.phaseDeg, want.phaseDeg, 1e-4);
    }
}

TEST(EvaluateCascade, AddsToTheCallersAccumulators)
{
    struct Case {
        const char* name;
        double gain0, phase0;
    };
    const Case cases[] = {{"from zero", 0, 0}, {"from an offset", 12.5, -30}};
    const auto s = reference::StartupRecord();
    const auto alone = Evaluate(*s, 931.6);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double gain = c.gain0;
        double phase = c.phase0;
        EvaluateCascade(*s, 931.6, gain, phase);
        EXPECT_DOUBLE_EQ(gain, c.gain0 + alone.gainDb);
        EXPECT_DOUBLE_EQ(phase, c.phase0 + alone.phaseDeg);
    }
}

TEST(EvaluateCascade, EachStagePeaksAtItsOwnCentreWithItsClosedFormGain)
{
    struct Case {
        const char* name;
        MfbParts parts;
    };
    const auto startup = reference::StartupStages();
    const Case cases[] = {
        {"start-up stage 1", reference::EqualCapacitorParts(startup[0], 1e-8)},
        {"start-up stage 2", reference::EqualCapacitorParts(startup[1], 1e-8)},
        {"high Q", reference::EqualCapacitorParts({5000, 30, 10}, 2.2e-9)},
        {"low Q below unity gain", reference::EqualCapacitorParts({20, 0.8, 0.3}, 1e-6)},
        {"C2 ten times C1", {10e3, 2.2e3, 100e3, 1e-9, 10e-9}},
        {"C1 ten times C2", {47e3, 470, 330e3, 47e-9, 4.7e-9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = 1;
        reference::PutParts(s, 1, c.parts);
        const MfbParts p = reference::PartsOf(s, 1);
        const double f0 =
            std::sqrt((1 + p.r2 / p.r1) / (p.c1 * p.r2 * p.r3 * p.c2)) / (2 * std::numbers::pi);
        const double peakDb = 20 * std::log10((p.r3 / p.r1) / (p.c2 / p.c1 + 1));
        const auto got = Evaluate(s, f0);
        EXPECT_NEAR(got.gainDb, peakDb, 1e-5);
        EXPECT_NEAR(got.phaseDeg, 0, 1e-3);
        // a step either side is lower
        EXPECT_LT(Evaluate(s, f0 * 1.01).gainDb, got.gainDb);
        EXPECT_LT(Evaluate(s, f0 / 1.01).gainDb, got.gainDb);
    }
}

TEST(EvaluateCascade, ButterworthCascadesMeetTheirGainAtTheCentre)
{
    struct Case {
        int order;
        double width, gainDb;
    };
    std::vector<Case> cases;
    for (int order = 1; order <= kMaxStages; ++order) cases.push_back({order, 200, 0});
    cases.push_back({4, 50, 6});
    cases.push_back({7, 500, -3});
    cases.push_back({21, 100, 20});
    for (const Case& c : cases) {
        SCOPED_TRACE("order " + std::to_string(c.order) + ", gain " + std::to_string(c.gainDb));
        const auto s = reference::RecordWithStages(reference::ButterworthStages(c.order, 1000, c.width, c.gainDb));
        const auto got = Evaluate(*s, 1000);
        EXPECT_NEAR(got.gainDb, c.gainDb, 1e-3);
        // Butterworth is 3 dB down at both band edges
        const double lower = -c.width / 2 + std::sqrt(c.width * c.width / 4 + 1000.0 * 1000.0);
        EXPECT_NEAR(Evaluate(*s, lower).gainDb, c.gainDb - 10 * std::log10(2.0), 2e-3);
        EXPECT_NEAR(Evaluate(*s, lower + c.width).gainDb, c.gainDb - 10 * std::log10(2.0), 2e-3);
    }
}

TEST(EvaluateCascade, PhaseRunsFromPlusToMinus90PerStageWithoutWrapping)
{
    const int orders[] = {1, 2, 5, 10, 21};
    for (int order : orders) {
        SCOPED_TRACE("order " + std::to_string(order));
        auto s = reference::RecordWithStages(reference::ButterworthStages(order, 1000, 200, 0));
        s->Sweep = 2;
        s->Fstart = 0.001f;
        s->Fstop = 1e9f;
        s->NrInts = 2000;
        ComputeResponse(*s);
        EXPECT_NEAR(s->Phase[0], 90.0 * order, 0.5);
        EXPECT_NEAR(s->Phase[2000], -90.0 * order, 0.5);
        for (int l = 1; l <= 2000; ++l) ASSERT_LE(s->Phase[l], s->Phase[l - 1]) << "point " << l;
    }
}

TEST(EvaluateCascade, LongCascadesMatchTheTransferFunctionAtEveryPoint)
{
    struct Case {
        const char* name;
        std::vector<StageSpec> stages;
        MfbParts extraStage; // appended when its R1 is above 0
        float fstart, fstop;
    };
    const MfbParts none = {0, 0, 0, 0, 0};
    // |H| near 1e80 over the sweep: beyond what the running products take,
    // so this stage is added on its own while the others go through them.
    const MfbParts enormousGain = {1e-43, 1, 3e38, 3e38, 1e-43};
    const Case cases[] = {
        {"21 stages, phase over five turns", reference::ButterworthStages(21, 1000, 200, 0), none, 300, 3000},
        {"13 stages, wide", reference::ButterworthStages(13, 5000, 4000, 10), none, 10, 1e6f},
        {"20 ordinary stages and one enormous", reference::ButterworthStages(20, 1000, 300, 0), enormousGain, 100,
         10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = reference::RecordWithStages(c.stages);
        if (c.extraStage.r1 > 0) {
            ++s->Order;
            reference::PutParts(*s, s->Order, c.extraStage);
        }
        s->Sweep = 2;
        s->Fstart = c.fstart;
        s->Fstop = c.fstop;
        s->NrInts = 2000;
        ComputeResponse(*s);
        for (int l = 0; l <= 2000; ++l) {
            const auto want = reference::CascadeReference(*s, s->Freq[l]);
            ASSERT_NEAR(s->GainDB[l], want.gainDb, 1e-4 + 1e-6 * std::abs(want.gainDb)) << "point " << l;
            ASSERT_NEAR(s->Phase[l], want.phaseDeg, 2e-3) << "point " << l;
        }
    }
}

TEST(EvaluateCascade, StaysFiniteAtTheEndsOfTheFrequencyRange)
{
    struct Case {
        const char* name;
        double f;
        MfbParts parts;
        double phaseDeg; // per stage, or NaN when only finiteness matters
    };
    const MfbParts normal = reference::EqualCapacitorParts({1000, 7, 1.4}, 1e-8);
    const MfbParts huge = {3e38, 3e38, 3e38, 3e38, 3e38};
    const double any = std::numeric_limits<double>::quiet_NaN();
    DesignState oneStage;
    oneStage.Order = 1;
    reference::PutParts(oneStage, 1, normal);
    const double phaseAt500 = reference::CascadeReference(oneStage, 500).phaseDeg;
    const Case cases[] = {
        {"0 Hz", 0, normal, 90},
        {"a negative frequency mirrors the phase", -500, normal, -phaseAt500},
        {"1e-30 Hz", 1e-30, normal, 90},
        {"top of Single", FLT_MAX, normal, -90},
        {"parts at the top of Single", 1e6, huge, any},
        {"parts at the top of Single at 0 Hz", 0, huge, 90},
        {"denormal parts", 1000, {1e-40, 1e-40, 1e-40, 1e-40, 1e-40}, any},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = 3;
        for (int k = 1; k <= 3; ++k) reference::PutParts(s, k, c.parts);
        const auto got = Evaluate(s, c.f);
        EXPECT_TRUE(std::isfinite(got.gainDb));
        EXPECT_TRUE(std::isfinite(got.phaseDeg));
        if (!std::isnan(c.phaseDeg)) {
            EXPECT_NEAR(got.phaseDeg, 3 * c.phaseDeg, 1e-3);
        }
    }
}

TEST(EvaluateCascade, LeavesOutStagesWithUnusableParts)
{
    struct Case {
        const char* name;
        int resistor;
        int capacitor;
        float value;
    };
    const Case cases[] = {
        {"R2 zero", 2, 0, 0},
        {"R1 zero", 1, 0, 0},
        {"C1 zero", 0, 1, 0},
        {"C2 NaN", 0, 2, kNaN},
        {"R3 infinite", 3, 0, kInf},
    };
    const double frequencies[] = {0, 500, 931.6, 1000, 2000};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = reference::StartupRecord();
        if (c.resistor) s->R[2][c.resistor] = c.value;
        if (c.capacitor) s->C[2][c.capacitor] = c.value;
        DesignState stageOneAlone = *s;
        stageOneAlone.Order = 1;
        for (double f : frequencies) {
            SCOPED_TRACE(f);
            const auto got = Evaluate(*s, f);
            const auto want = Evaluate(stageOneAlone, f);
            EXPECT_EQ(got.gainDb, want.gainDb);
            EXPECT_EQ(got.phaseDeg, want.phaseDeg);
        }
        ComputeResponse(*s);
        ExpectAllFinite(*s);
    }
}

TEST(EvaluateCascade, NegativePartsAreEvaluatedAsTheyStand)
{
    struct Case {
        const char* name;
        MfbParts parts;
        double f;
        double peakDb; // the gain asked for at the stage's centre, or NaN
    };
    const double none = std::numeric_limits<double>::quiet_NaN();
    // A gain of 5 asks for more than 2 q^2 = 2.88 allows: R2 comes out negative,
    // yet the stage still has the centre, Q and gain the design asked for.
    const MfbParts overAmbitious = reference::EqualCapacitorParts({1000, 1.2, 5}, 1e-8);
    const Case cases[] = {
        {"negative R2 at its centre", overAmbitious, 1000, 20 * std::log10(5.0)},
        {"negative R2 below its centre", overAmbitious, 300, none},
        {"negative R2 above its centre", overAmbitious, 4000, none},
        {"negative R1", {-10e3, 2.2e3, 100e3, 1e-8, 1e-8}, 1000, none},
        {"negative C1", {10e3, 2.2e3, 100e3, -1e-8, 1e-8}, 1000, none},
        {"capacitors cancelling", {10e3, 2.2e3, 100e3, -1e-8, 1e-8}, 0, none},
        {"everything negative", {-10e3, -2.2e3, -100e3, -1e-8, -1e-8}, 50, none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = 1;
        reference::PutParts(s, 1, c.parts);
        const auto got = Evaluate(s, c.f);
        ASSERT_TRUE(std::isfinite(got.gainDb));
        ASSERT_TRUE(std::isfinite(got.phaseDeg));
        if (c.f > 0) {
            // the principal arctangent of Im H / Re H, whatever the sign of Re H
            const reference::Complex h = reference::MfbResponse(reference::PartsOf(s, 1), c.f);
            EXPECT_NEAR(got.gainDb, 20 * std::log10(std::abs(h)), 1e-5);
            EXPECT_NEAR(got.phaseDeg, std::atan(h.imag() / h.real()) * 180 / std::numbers::pi, 1e-4);
        }
        if (!std::isnan(c.peakDb)) {
            EXPECT_NEAR(got.gainDb, c.peakDb, 1e-4);
            EXPECT_NEAR(got.phaseDeg, 0, 1e-3);
        }
        s.Fstart = 0;
        s.Fstop = 5000;
        s.NrInts = 2000;
        s.Sweep = 1;
        ComputeResponse(s);
        ExpectAllFinite(s);
    }
}

TEST(ComputeResponse, LinearSweepPoints)
{
    struct Case {
        const char* name;
        Integer nrInts;
        int point;
        double freq;
    };
    const Case cases[] = {
        {"first of 1000", 1000, 0, 500},
        {"second of 1000, 1.5 Hz on", 1000, 1, 501.5},
        {"middle of 1000", 1000, 500, 1250},
        {"point 333 of 1000", 1000, 333, 999.5},
        {"last of 1000", 1000, 1000, 2000},
        {"centre of 3 intervals", 3, 1, 1000},
        {"last of 3 intervals", 3, 3, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = reference::StartupRecord();
        s->NrInts = c.nrInts;
        ComputeResponse(*s);
        EXPECT_FLOAT_EQ(s->Freq[c.point], c.freq);
        const auto want = reference::CascadeReference(*s, s->Freq[c.point]);
        EXPECT_NEAR(s->GainDB[c.point], want.gainDb, 1e-4);
        EXPECT_NEAR(s->Phase[c.point], want.phaseDeg, 1e-4);
    }
}

TEST(ComputeResponse, LogarithmicSweepPoints)
{
    struct Case {
        const char* name;
        float fstart, fstop;
        Integer nrInts;
        std::vector<double> freqs;
    };
    const Case cases[] = {
        {"decades from 10 Hz to 100 kHz", 10, 100000, 4, {10, 100, 1000, 10000, 100000}},
        {"octaves down from 2 kHz", 2000, 250, 3, {2000, 1000, 500, 250}},
        {"500 Hz to 2 kHz in two", 500, 2000, 2, {500, 1000, 2000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = reference::StartupRecord();
        s->Sweep = 2;
        s->Fstart = c.fstart;
        s->Fstop = c.fstop;
        s->NrInts = c.nrInts;
        ComputeResponse(*s);
        for (int l = 0; l <= c.nrInts; ++l) {
            SCOPED_TRACE("point " + std::to_string(l));
            EXPECT_NEAR(s->Freq[l] / c.freqs[l], 1, 3e-7);
            const auto want = reference::CascadeReference(*s, s->Freq[l]);
            EXPECT_NEAR(s->GainDB[l], want.gainDb, 1e-4);
            EXPECT_NEAR(s->Phase[l], want.phaseDeg, 1e-4);
        }
    }
}

TEST(ComputeResponse, GroupDelayFollowsThePhaseDerivative)
{
    struct Case {
        const char* name;
        std::vector<StageSpec> stages;
        Integer sweep;
        float fstart, fstop;
        Integer nrInts;
    };
    const Case cases[] = {
        {"start-up design, linear", reference::StartupStages(), 1, 500, 2000, 1000},
        {"start-up design, logarithmic", reference::StartupStages(), 2, 100, 10000, 1000},
        {"Butterworth order 5, linear", reference::ButterworthStages(5, 1000, 200, 0), 1, 700, 1400, 2000},
        {"Butterworth order 3, narrow", reference::ButterworthStages(3, 10000, 500, 6), 2, 8000, 12500, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = reference::RecordWithStages(c.stages);
        s->Sweep = c.sweep;
        s->Fstart = c.fstart;
        s->Fstop = c.fstop;
        s->NrInts = c.nrInts;
        ComputeResponse(*s);
        double peak = 0;
        for (int l = 1; l <= c.nrInts; ++l) peak = std::max(peak, static_cast<double>(s->Delay[l]));
        ASSERT_GT(peak, 0);
        for (int l = 1; l <= c.nrInts; ++l) {
            // a backward difference is the derivative at the middle of its interval
            const double middle = (static_cast<double>(s->Freq[l - 1]) + s->Freq[l]) / 2;
            ASSERT_NEAR(s->Delay[l], reference::GroupDelayReference(*s, middle), 2e-3 * peak) << "point " << l;
        }
    }
}

TEST(ComputeResponse, FirstDelayExtendsTheLineThroughTheNextTwo)
{
    struct Case {
        const char* name;
        Integer sweep;
        float fstart, fstop;
        Integer nrInts;
    };
    const Case cases[] = {
        {"linear from 500 Hz", 1, 500, 2000, 1000},
        {"linear from the lower stage", 1, 931.6f, 1073.4f, 500},
        {"logarithmic from 100 Hz", 2, 100, 10000, 2000},
        {"linear falling", 1, 1100, 900, 800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = reference::StartupRecord();
        s->Sweep = c.sweep;
        s->Fstart = c.fstart;
        s->Fstop = c.fstop;
        s->NrInts = c.nrInts;
        ComputeResponse(*s);
        const double line = 2.0 * s->Delay[1] - s->Delay[2];
        EXPECT_NEAR(s->Delay[0], line, 1e-6 * std::abs(line));
        // Every delay belongs to the interval below its point; the first one
        // lands on the true delay of the interval that would lie below it.
        const double below = s->Freq[0] - (static_cast<double>(s->Freq[1]) - s->Freq[0]) / 2;
        const double truth = reference::GroupDelayReference(*s, below);
        EXPECT_NEAR(s->Delay[0], truth, 1e-3 * std::abs(truth));
    }
}

TEST(ComputeResponse, DegenerateSweepSettingsGiveFiniteResults)
{
    struct Case {
        const char* name;
        Integer sweep;
        float fstart, fstop;
        Integer nrInts, order;
        Integer keptNrInts;
        float firstFreq, lastFreq;
        bool flat;      // 0 dB and 0 degrees everywhere
        bool zeroDelay; // no delay anywhere
    };
    const Case cases[] = {
        {"no intervals: one point", 1, 500, 2000, 0, 2, 0, 500, 500, false, true},
        {"negative count: one point", 1, 500, 2000, -7, 2, 0, 500, 500, false, true},
        {"one interval", 1, 500, 2000, 1, 2, 1, 500, 2000, false, false},
        {"count above the arrays", 1, 500, 2000, 5000, 2, 2000, 500, 2000, false, false},
        {"start equal to stop", 1, 1000, 1000, 100, 2, 100, 1000, 1000, false, true},
        {"start equal to stop, logarithmic", 2, 1000, 1000, 100, 2, 100, 1000, 1000, false, true},
        {"logarithmic from 0 Hz starts at 1 mHz", 2, 0, 2000, 50, 2, 50, 0.001f, 2000, false, false},
        {"logarithmic from below 0 Hz", 2, -100, 2000, 50, 2, 50, 0.001f, 2000, false, false},
        {"logarithmic down to 0 Hz", 2, 2000, 0, 50, 2, 50, 2000, 0.001f, false, false},
        {"logarithmic between two zeros", 2, 0, 0, 50, 2, 50, 0.001f, 0.001f, false, true},
        {"linear from 0 Hz", 1, 0, 2000, 50, 2, 50, 0, 2000, false, false},
        {"linear through 0 Hz", 1, -1000, 1000, 2, 2, 2, -1000, 1000, false, false},
        {"order 0 is flat", 1, 500, 2000, 100, 0, 100, 500, 2000, true, true},
        {"negative order is flat", 1, 500, 2000, 100, -3, 100, 500, 2000, true, true},
        {"start NaN", 1, kNaN, 2000, 10, 2, 10, 0, 2000, false, false},
        {"stop infinite", 1, 500, kInf, 10, 2, 10, 500, FLT_MAX, false, false},
        {"logarithmic to infinity", 2, 500, kInf, 10, 2, 10, 500, FLT_MAX, false, false},
        {"across the whole Single range", 1, -FLT_MAX, FLT_MAX, 10, 2, 10, -FLT_MAX, FLT_MAX, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = reference::StartupRecord();
        s->Sweep = c.sweep;
        s->Fstart = c.fstart;
        s->Fstop = c.fstop;
        s->NrInts = c.nrInts;
        s->Order = c.order;
        ComputeResponse(*s);
        ExpectAllFinite(*s);
        ASSERT_EQ(s->NrInts, c.keptNrInts);
        EXPECT_FLOAT_EQ(s->Freq[0], c.firstFreq);
        EXPECT_FLOAT_EQ(s->Freq[c.keptNrInts], c.lastFreq);
        if (c.keptNrInts == 1) {
            EXPECT_EQ(s->Delay[0], s->Delay[1]);
        }
        for (int l = 0; l <= c.keptNrInts; ++l) {
            SCOPED_TRACE("point " + std::to_string(l));
            if (c.flat) {
                EXPECT_EQ(s->GainDB[l], 0);
                EXPECT_EQ(s->Phase[l], 0);
            }
            if (c.zeroDelay) {
                EXPECT_EQ(s->Delay[l], 0);
            }
        }
    }
}

TEST(ComputeResponse, OrderAbove21UsesTheStagesThereAre)
{
    const Integer orders[] = {22, 300, 32767};
    auto reference = reference::RecordWithStages(reference::ButterworthStages(21, 1000, 200, 0));
    ComputeResponse(*reference);
    for (Integer order : orders) {
        SCOPED_TRACE(order);
        auto s = reference::RecordWithStages(reference::ButterworthStages(21, 1000, 200, 0));
        s->Order = order;
        ComputeResponse(*s);
        for (int l = 0; l <= s->NrInts; ++l) {
            ASSERT_EQ(s->GainDB[l], reference->GainDB[l]) << "point " << l;
            ASSERT_EQ(s->Phase[l], reference->Phase[l]) << "point " << l;
        }
    }
}

TEST(ComputeFrequencyGrid, LogarithmicGridLines)
{
    struct Case {
        const char* name;
        float fstart, fstop;
        std::vector<double> lines;
    };
    const Case cases[] = {
        {"500 Hz to 2 kHz", 500, 2000, {500, 600, 700, 800, 900, 1000, 1500, 2000}},
        {"one decade", 10, 100, {10, 15, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
        {"stop just short of a line", 500, 1999, {500, 600, 700, 800, 900, 1000, 1500}},
        {"start between lines", 1.7f, 3.5f, {2, 3}},
        {"from 0 Hz, the lowest decade", 0, 0.01f,
         {0.001, 0.0015, 0.002, 0.003, 0.004, 0.005, 0.006, 0.007, 0.008, 0.009, 0.01}},
        {"from below 0 Hz", -5, 0.0016f, {0.001, 0.0015}},
        {"stop below start", 2000, 500, {}},
        {"stop at 0 Hz", 500, 0, {}},
        {"stop NaN", 500, kNaN, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Sweep = 2;
        s.Fstart = c.fstart;
        s.Fstop = c.fstop;
        ComputeFrequencyGrid(s);
        ASSERT_EQ(s.NrGridX, static_cast<int>(c.lines.size()) - 1);
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            SCOPED_TRACE("line " + std::to_string(i));
            // The decade value is carried in Single, so a line may sit a few
            // millionths off its round number.
            EXPECT_NEAR(s.GridF[i] / c.lines[i], 1, 2e-6);
        }
    }
}

TEST(ComputeFrequencyGrid, LinearGridLines)
{
    struct Case {
        const char* name;
        float fstart, fstop;
        Integer nrX;
        Integer nrGridX;
        std::vector<double> lines;
    };
    const Case cases[] = {
        {"ten intervals from 500 Hz to 2 kHz", 500, 2000, 10, 10,
         {500, 650, 800, 950, 1100, 1250, 1400, 1550, 1700, 1850, 2000}},
        {"falling", 2000, 500, 3, 3, {2000, 1500, 1000, 500}},
        {"equal ends", 700, 700, 2, 2, {700, 700, 700}},
        {"no intervals: one line at the start", 500, 2000, 0, 0, {500}},
        {"negative count: no line", 500, 2000, -4, -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Sweep = 1;
        s.Fstart = c.fstart;
        s.Fstop = c.fstop;
        s.NrX = c.nrX;
        ComputeFrequencyGrid(s);
        ASSERT_EQ(s.NrGridX, c.nrGridX);
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            SCOPED_TRACE("line " + std::to_string(i));
            EXPECT_FLOAT_EQ(s.GridF[i], c.lines[i]);
        }
    }
}

TEST(ComputeFrequencyGrid, StaysWithinItsArray)
{
    struct Case {
        const char* name;
        Integer sweep, nrX;
        float fstart, fstop;
        Integer nrGridX; // -2: anything from -1 to 2000
    };
    const Case cases[] = {
        {"linear count above the array", 1, 5000, 500, 2000, 2000},
        {"linear count at the Integer limit", 1, 32767, 0, 1, 2000},
        {"logarithmic to the top of Single", 2, 10, 0, FLT_MAX, -2},
        {"logarithmic to infinity", 2, 10, 0, kInf, -2},
        {"linear across the whole Single range", 1, 10, -FLT_MAX, FLT_MAX, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Sweep = c.sweep;
        s.NrX = c.nrX;
        s.Fstart = c.fstart;
        s.Fstop = c.fstop;
        ComputeFrequencyGrid(s);
        if (c.nrGridX == -2) {
            EXPECT_GE(s.NrGridX, -1);
            EXPECT_LE(s.NrGridX, kMaxPoints);
        } else {
            EXPECT_EQ(s.NrGridX, c.nrGridX);
        }
        ExpectAllFinite(s);
        if (c.sweep == 1 && c.nrX > 0) {
            EXPECT_FLOAT_EQ(s.GridF[s.NrGridX], c.fstop);
        }
    }
}

TEST(ComputeFrequencyGrid, OtherSweepValuesLeaveTheGridAlone)
{
    const Integer sweeps[] = {0, 3, -1};
    for (Integer sweep : sweeps) {
        SCOPED_TRACE(sweep);
        DesignState s;
        s.Sweep = sweep;
        s.Fstart = 500;
        s.Fstop = 2000;
        s.NrX = 10;
        s.NrGridX = 4;
        s.GridF[4] = 123;
        ComputeFrequencyGrid(s);
        EXPECT_EQ(s.NrGridX, 4);
        EXPECT_EQ(s.GridF[4], 123);
    }
}

} // namespace
} // namespace stelvane
