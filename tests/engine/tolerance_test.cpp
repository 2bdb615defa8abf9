#include "engine/tolerance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/response.h"
#include "engine/stageanalysis.h"
#include "tests/engine/mfbreference.h"

namespace stelvane {

static std::unique_ptr<DesignState> Analysed(std::unique_ptr<DesignState> s)
{
    AnalyzeStageParts(*s);
    ComputeResponse(*s);
    s->Center = 1000;
    return s;
}

static bool SameBits(const std::vector<Single>& a, const Single* b)
{
    return std::memcmp(a.data(), b, a.size() * sizeof(Single)) == 0;
}

TEST(ToleranceRun, TheSeedAloneDecidesTheNumbers)
{
    auto s = Analysed(reference::RecordWithStages(reference::ButterworthStages(5, 1000, 200, 0)));
    auto run = [&](std::uint64_t seed, int threads) {
        return RunTolerance(*s, {300, 0.02, 0.05, PartDistribution::Normal, seed, threads});
    };
    const ToleranceResult one = run(11, 1), two = run(11, 2), other = run(12, 2);
    for (std::size_t p = 0; p < one.gainDb.size(); ++p) EXPECT_TRUE(SameBits(two.gainDb[p], one.gainDb[p].data()));
    EXPECT_EQ(two.centerGainDb.mean, one.centerGainDb.mean);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(two.stages[k].q.std, one.stages[k].q.std);
    EXPECT_NE(other.centerGainDb.mean, one.centerGainDb.mean);
    // Done a share at a time, the run says how far it is, rising to 1, and gives the same numbers.
    ToleranceRun shares(*s, {300, 0.02, 0.05, PartDistribution::Normal, 11, 2});
    for (double done = 0; !shares.Done();) {
        const double now = shares.Step();
        EXPECT_TRUE(now > done && now <= 1) << now;
        done = now;
    }
    EXPECT_EQ(shares.Result().centerGainDb.mean, one.centerGainDb.mean);
}

// The spread against what the distributions give on their own.
TEST(ToleranceRun, SpreadFollowsThePartDistributions)
{
    // One stage at 1 kHz, Q 5, gain 2, swept from 1 Hz: a thousandth of its
    // centre, where |H| = w R3 C1 / (1 + R1/R2) to a millionth, so with only
    // the capacitors drawn the gain moves as 20 log10 of C1 alone.
    auto s = Analysed(reference::RecordWithStages({{1000, 5, 2}}));
    s->Fstart = 1, s->Fstop = 2000, s->NrInts = 10;
    ComputeResponse(*s);
    // Without tolerance every copy is the design: each percentile is its gain, bit for bit.
    for (const auto& percentile : RunTolerance(*s, {3, 0, 0, PartDistribution::Normal, 3, 0}).gainDb)
        EXPECT_TRUE(SameBits(percentile, s->GainDB.data()));
    const double t = 0.05;
    const ToleranceResult uniform = RunTolerance(*s, {4000, 0, t, PartDistribution::Uniform, 5, 0});
    for (std::size_t p = 0; p < kGainPercentiles.size(); ++p) {
        SCOPED_TRACE(kGainPercentiles[p]);
        const double quantile = 20 * std::log10(1 + t * (2 * kGainPercentiles[p] / 100 - 1));
        // sampling error of a quantile of 4000 draws: sqrt(p (1 - p) / n) of the range, about 0.004 of it at the median
        EXPECT_NEAR(uniform.gainDb[p][0] - s->GainDB[0], quantile, 0.01 * 2 * t * 8.7);
    }

    // All five parts drawn normally: the spread of the stage frequency
    // against the first-order sum of its sensitivities, -1/2 to R3, C1 and
    // C2 and -R2/(2(R1 + R2)), -R1/(2(R1 + R2)) to R1 and R2.
    const double rTol = 0.01, cTol = 0.02;
    const ToleranceResult normal = RunTolerance(*s, {4000, rTol, cTol, PartDistribution::Normal, 9, 0});
    const auto parts = reference::PartsOf(*s, 1);
    const double s1 = parts.r2 / (2 * (parts.r1 + parts.r2)), s2 = parts.r1 / (2 * (parts.r1 + parts.r2));
    const double expected = std::sqrt((s1 * s1 + s2 * s2 + 0.25) * std::pow(rTol / 3, 2) + 0.5 * std::pow(cTol / 3, 2));
    EXPECT_NEAR(normal.stages[0].f0.std / s->StageFoActual[1], expected, 0.05 * expected);
    EXPECT_NEAR(normal.stages[0].f0.mean / s->StageFoActual[1], 1, 3 * expected / std::sqrt(4000.0) + 1e-4);

    // Two copies: every percentile lies on the line between them.
    const ToleranceResult two = RunTolerance(*s, {2, 0.05, 0.05, PartDistribution::Uniform, 1, 0});
    for (int l = 0; l <= s->NrInts; ++l) {
        const double low = two.gainDb[0][l], high = two.gainDb[4][l];
        for (std::size_t p = 1; p < 4; ++p)
            EXPECT_NEAR(two.gainDb[p][l], low + kGainPercentiles[p] / 100 * (high - low), 1e-5) << l;
    }
}

// The yield against a second count: single-copy runs (every percentile is the copy's curve) judged
// by the mask over the sweep, then a run of many copies against the share they give.
TEST(ToleranceRun, YieldCountsTheCopiesThatMeetTheMask)
{
    auto s = Analysed(reference::RecordWithStages(reference::ButterworthStages(3, 1000, 200, 0)));
    s->NrInts = kMaxPoints;
    ComputeResponse(*s);
    // all meet, least margin at fs2; all miss fp2; fs2 on the edge
    const std::pair<FilterMask, MaskEdge> cases[] = {{{950, 1052.6, 6, 600, 1600, 38}, MaskEdge::Fs2},
        {{960, 1100, 1, 600, 1600, 20}, MaskEdge::Fp2}, {{950, 1052.6, 3, 600, 1250, 21.16}, MaskEdge::Fs2}};
    for (const auto& [m, worst] : cases) {
        SCOPED_TRACE(m.As);
        s->Mask = m;
        int near = 0, meeting = 0;
        for (std::uint64_t seed = 1; seed <= 150; ++seed) {
            const ToleranceResult one = RunTolerance(*s, {1, 0.01, 0.01, PartDistribution::Uniform, seed, 1});
            double reference = -1e9, least = 1e9;
            for (int l = 0; l <= s->NrInts; ++l)
                if (s->Freq[l] >= m.Fp1 && s->Freq[l] <= m.Fp2)
                    reference = std::max<double>(reference, one.gainDb[2][l]);
            for (int l = 0; l <= s->NrInts; ++l) {
                const double f = s->Freq[l], loss = reference - one.gainDb[2][l];
                least = std::min({least, f >= m.Fp1 && f <= m.Fp2 ? m.Ap - loss : 1e9,
                    f <= m.Fs1 || f >= m.Fs2 ? loss - m.As : 1e9});
            }
            // too near the mask for the sweep's spacing to tell: counted as either
            if (std::abs(least) < 0.25 && ++near) continue;
            meeting += least > 0;
            EXPECT_EQ(one.yield->copiesMeeting, least > 0 ? 1 : 0) << seed;
        }
        const ToleranceResult many = RunTolerance(*s, {1000, 0.01, 0.01, PartDistribution::Uniform, 7, 2});
        EXPECT_EQ(many.yield->worstEdge, worst);
        EXPECT_DOUBLE_EQ(many.yield->share, many.yield->copiesMeeting / 1000.0);
        // within four standard deviations of the two shares' difference
        EXPECT_GE(many.yield->share, meeting / 150.0 - 0.15);
        EXPECT_LE(many.yield->share, (meeting + near) / 150.0 + 0.15);
        EXPECT_EQ(RunTolerance(*s, {1000, 0.01, 0.01, PartDistribution::Uniform, 7, 1}).yield->copiesMeeting,
            many.yield->copiesMeeting);
    }
}

}  // namespace stelvane
