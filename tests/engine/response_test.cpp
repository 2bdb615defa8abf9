#include "engine/response.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

#include "tests/engine/mfbreference.h"

namespace stelvane {

using reference::MfbParts;

static std::unique_ptr<DesignState> Swept(int order, Integer sweep, float fstart, float fstop, Integer nrInts)
{
    auto s = reference::RecordWithStages(reference::ButterworthStages(order, 1000, 200, 0));
    s->Sweep = CodeOf<SweepSpacing>(sweep), s->Fstart = fstart, s->Fstop = fstop, s->NrInts = nrInts;
    return s;
}

// Every point of a sweep against the complex transfer function of the same
// parts, and where the steps are fine, the group delay against the numeric
// derivative of its phase.
TEST(ComputeResponse, MatchesTheTransferFunctionAtEveryPoint)
{
    // |H| near 1e80 over the sweep: beyond what the running products take, so
    // this stage is added on its own while the others go through them.
    const MfbParts enormous = {1e-43, 1, 3e38, 3e38, 1e-43};
    const struct Case {
        const char* name;
        int order;
        std::vector<MfbParts> extra;
        Integer sweep, nrInts;
        float fstart, fstop;
        bool delay;
    } cases[] = {
        {"21 stages, 1 mHz to 1 GHz", 21, {}, 2, 2000, 0.001f, 1e9f, false},
        {"19 stages, one unequal and one enormous", 19, {{10e3, 2.2e3, 100e3, 1e-9, 10e-9}, enormous}, 2, 2000, 100,
            10000, false},
        {"start-up, linear", 2, {}, 1, 1000, 500, 2000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = Swept(c.order, c.sweep, c.fstart, c.fstop, c.nrInts);
        for (const MfbParts& p : c.extra) reference::PutParts(*s, ++s->Order, p);
        ComputeResponse(*s);
        const double peak = *std::max_element(s->Delay.begin(), s->Delay.begin() + c.nrInts + 1);
        for (int l = 0; l <= c.nrInts; ++l) {
            SCOPED_TRACE(l);
            const double want = c.sweep == 1 ? c.fstart + (c.fstop - c.fstart) * l / c.nrInts
                                             : c.fstart * std::pow(c.fstop / c.fstart, double(l) / c.nrInts);
            ASSERT_NEAR(s->Freq[l] / want, 1, 3e-7);
            const auto ref = reference::CascadeReference(*s, s->Freq[l]);
            ASSERT_NEAR(s->GainDB[l], ref.gainDb, 1e-4 + 1e-6 * std::abs(ref.gainDb));
            ASSERT_NEAR(s->Phase[l], ref.phaseDeg, 2e-3);
            if (!c.delay) continue;
            // A backward difference is the derivative at the middle of its interval; the first
            // point extends the line through the next two, onto the interval that would lie below.
            const double middle =
                l > 0 ? (double(s->Freq[l - 1]) + s->Freq[l]) / 2 : 1.5 * s->Freq[0] - 0.5 * s->Freq[1];
            const double delay = reference::GroupDelayReference(*s, middle);
            ASSERT_NEAR(s->Delay[l], delay, l > 0 ? 2e-3 * peak : 1e-3 * std::abs(delay));
        }
    }
}

// Three equal stages at the edges of the number range, with unusable parts
// (left out of the cascade: 0 dB, 0 degrees) and with negative ones.
TEST(EvaluateCascade, EdgesAndUnusableOrNegativeParts)
{
    const MfbParts normal = reference::EqualCapacitorParts({1000, 7, 1.4}, 1e-8);
    // NaN: any finite value
    const struct Case {
        const char* name;
        double f;
        MfbParts parts;
        double gainDb, phaseDeg;
    } cases[] = {
        {"0 Hz", 0, normal, NAN, 270},
        {"1e-30 Hz", 1e-30, normal, NAN, 270},
        {"denormal parts", 1000, {1e-40, 1e-40, 1e-40, 1e-40, 1e-40}, NAN, NAN},
        {"R1 zero", 1000, {0, 2.2e3, 100e3, 1e-8, 1e-8}, 0, 0},
        {"C2 not a number", 1000, {10e3, 2.2e3, 100e3, 1e-8, NAN}, 0, 0},
        // R2 comes out negative for a gain above 2q^2, yet the stage keeps the centre, Q and gain asked for.
        {"negative R2 at its centre", 1000, reference::EqualCapacitorParts({1000, 1.2, 5}, 1e-8), 60 * std::log10(5.0),
            0},
        {"negative R1", 1000, {-10e3, 2.2e3, 100e3, 1e-8, 1e-8}, NAN, NAN},
        {"capacitors cancelling", 1000, {10e3, 2.2e3, 100e3, -1e-8, 1e-8}, NAN, NAN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = 3;
        for (int k = 1; k <= 3; ++k) reference::PutParts(s, k, c.parts);
        // The cascade adds to what the caller has.
        double gain = 12.5, phase = -30;
        EvaluateCascade(s, c.f, gain, phase);
        EXPECT_TRUE(std::isfinite(gain) && std::isfinite(phase));
        EXPECT_TRUE(std::isnan(c.gainDb) || std::abs(gain - 12.5 - c.gainDb) < 1e-4) << gain;
        EXPECT_TRUE(std::isnan(c.phaseDeg) || std::abs(phase + 30 - c.phaseDeg) < 1e-3) << phase;
        if (std::min({c.parts.r1, c.parts.c1}) >= 0) continue;
        // negative R1 or C1: the principal arctangent of Im H / Re H, whatever the sign of Re H
        const auto h = reference::MfbResponse(reference::PartsOf(s, 1), c.f);
        EXPECT_NEAR(gain - 12.5, 60 * std::log10(std::abs(h)), 1e-4);
        EXPECT_NEAR(phase + 30, 3 * std::atan(h.imag() / h.real()) * 180 / std::numbers::pi, 1e-3);
    }
}

TEST(ComputeResponse, DegenerateSweepSettingsGiveFiniteResults)
{
    const struct Case {
        const char* name;
        Integer sweep;
        float fstart, fstop;
        Integer nrInts, kept;
        float first, last;
    } cases[] = {
        {"no intervals, log from 0 Hz", 2, 0, 2000, 0, 0, 0.001f, 0.001f},
        {"one interval", 1, 500, 2000, 1, 1, 500, 2000},
        {"count above arrays", 1, 500, 2000, 5000, 2000, 500, 2000},
        {"start equal to stop", 1, 1000, 1000, 100, 100, 1000, 1000},
        {"stop infinite", 1, 500, INFINITY, 10, 10, 500, FLT_MAX},
        {"whole Single range", 1, -FLT_MAX, FLT_MAX, 10, 10, -FLT_MAX, FLT_MAX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = Swept(2, c.sweep, c.fstart, c.fstop, c.nrInts);
        ComputeResponse(*s);
        ASSERT_EQ(s->NrInts, c.kept);
        EXPECT_EQ(std::pair(s->Freq[0], s->Freq[c.kept]), std::pair(c.first, c.last));
        // One interval: the first point's delay is that of its only neighbour; no span: no delay.
        EXPECT_TRUE(c.kept != 1 || s->Delay[0] == s->Delay[1]);
        const bool noDelay = c.fstart == c.fstop || c.kept == 0;
        for (int l = 0; l <= kMaxPoints; ++l) {
            ASSERT_TRUE(std::isfinite(double(s->Freq[l]) + s->GainDB[l] + s->Phase[l] + s->Delay[l])) << l;
            EXPECT_TRUE(!noDelay || s->Delay[l] == 0) << l;
        }
    }
}

TEST(ComputeFrequencyGrid, GridLines)
{
    const struct Case {
        const char* name;
        Integer sweep, nrX;
        float fstart, fstop;
        Integer nrGridX;
        std::vector<double> lines;
    } cases[] = {
        {"log 500 Hz to 2 kHz", 2, 0, 500, 2000, 7, {500, 600, 700, 800, 900, 1000, 1500, 2000}},
        {"log stop short of a line", 2, 0, 500, 1999, 6, {}},
        {"log start between lines", 2, 0, 1.7f, 3.5f, 1, {2, 3}},
        // 41 decades from 1 mHz, then 1, 1.5, 2 and 3 times 1e38
        {"log to the top of Single", 2, 0, 0, FLT_MAX, 413, {0.001, 0.0015}},
        {"linear, ten intervals", 1, 10, 500, 2000, 10, {500, 650, 800, 950, 1100, 1250, 1400, 1550, 1700, 1850, 2000}},
        {"linear, no intervals", 1, 0, 500, 2000, 0, {500}},
        {"linear, negative count", 1, -4, 500, 2000, -1, {}},
        {"linear, count above array", 1, 5000, 500, 2000, 2000, {500, 500.75}},
        {"linear, whole Single range", 1, 2, -FLT_MAX, FLT_MAX, 2, {-FLT_MAX, 0, FLT_MAX}},
        {"unknown sweep code", 3, 10, 500, 2000, 0, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Sweep = CodeOf<SweepSpacing>(c.sweep), s.NrX = c.nrX, s.Fstart = c.fstart, s.Fstop = c.fstop;
        ComputeFrequencyGrid(s);
        EXPECT_EQ(s.NrGridX, c.nrGridX);
        // The decade value is carried in Single: a line may sit a few millionths off.
        for (std::size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_NEAR(s.GridF[i], c.lines[i], 2e-6 * std::abs(c.lines[i])) << i;
        for (int i = 0; i <= kMaxPoints; ++i) ASSERT_TRUE(std::isfinite(s.GridF[i])) << i;
    }
}

}  // namespace stelvane
