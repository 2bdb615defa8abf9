#include "engine/exactcorrection.h"

#include <gtest/gtest.h>

#include "engine/designsession.h"
#include "engine/synthesis.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/mfbreference.h"

namespace stelvane {
namespace {

using reference::Complex;
using reference::MfbParts;

// The stage on the single-pole opamp from its node equations at the joint of
// the capacitors (x) and the inverting input (m).
Complex StageOnOpamp(const MfbParts& p, const SinglePoleOpamp& o, double f)
{
    const Complex s(0, 2 * std::numbers::pi * f);
    const Complex a = o.dcGain / (1.0 + s * o.dcGain / (2 * std::numbers::pi * o.gbw));
    // (1/R1 + 1/R2 + s C1 + s C2) x - s C1 m - s C2 out = 1/R1, out = -a m
    // -s C1 x + (s C1 + 1/R3 + 1/Zin) m - out/R3 = 0
    const Complex a11 = 1 / p.r1 + 1 / p.r2 + s * (p.c1 + p.c2), a12 = -s * p.c1 + s * p.c2 * a;
    const Complex a21 = -s * p.c1, a22 = s * p.c1 + 1 / p.r3 + 1 / o.zin + a / p.r3;
    return a * a21 / p.r1 / (a11 * a22 - a12 * a21);  // Cramer, the input 1 V
}

// The largest gain difference in dB between the stage on the opamp and the
// ideal stage, over the ideal stage's 3 dB band.
double MissDb(const MfbParts& onOpamp, const MfbParts& ideal, const SinglePoleOpamp& o, double f0, double q)
{
    double worst = 0;
    const double low = f0 * (std::sqrt(1 + 1 / (4 * q * q)) - 1 / (2 * q)), high = f0 * f0 / low;
    for (int n = 0; n <= 200; ++n) {
        const double f = low * std::pow(high / low, n / 200.0);
        const double miss = std::abs(StageOnOpamp(onOpamp, o, f)) / std::abs(reference::MfbResponse(ideal, f));
        worst = std::max(worst, std::abs(20 * std::log10(miss)));
    }
    return worst;
}

TEST(ExactCorrection, TheStageOnTheOpampIsTheIdealStageWhereThereAreSuchResistors)
{
    const double f0 = 10e3, c = 10e-9;
    const struct {
        double q, load, c1OverC2;  // load: q f0 / GBW
        bool found;
    } cases[] = {
        {0.7, 0.04, 1, true},   // the pole pair tilts the wide band: fitted, and levelled
        {0.7, 0.05, 1, false},  // the opamp's pole sits in the band
        {1.5, 0.2, 1, true},    // no such pair at all: fitted and levelled
        {2, 0.25, 1, true},     // fitted
        {5, 0.25, 1, true},     // the pole pair
        {20, 0.05, 3.3, true},  // unequal capacitors
        {50, 0.25, 1, true},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE("Q " + std::to_string(t.q) + ", q f0/GBW " + std::to_string(t.load));
        const SinglePoleOpamp opamp{1e5, t.q * f0 / t.load, 1e6};
        // the parts of the stage with C1 = c1OverC2 C2 at a gain it can take
        const double c1 = c * t.c1OverC2, w0 = 2 * std::numbers::pi * f0, gain = std::min(2.0, 0.9 * t.q * t.q);
        const double r3 = t.q * (c1 + c) / (w0 * c1 * c), r1 = r3 * c1 / (gain * (c1 + c));
        const MfbParts ideal{r1, r1 / (w0 * w0 * r3 * r1 * c1 * c - 1), r3, c1, c};
        const StageResistors r{ideal.r1, ideal.r2, ideal.r3};
        const auto exact = ExactStageResistors(r, c1, c, opamp, r, {f0, f0});
        ASSERT_EQ(exact.has_value(), t.found);
        if (!exact) continue;
        const MfbParts onOpamp{(*exact)[0], (*exact)[1], (*exact)[2], c1, c};
        EXPECT_LT(MissDb(onOpamp, ideal, opamp, f0, t.q), kExactStageMissDb * 1.1);
        EXPECT_GT(MissDb(ideal, ideal, opamp, f0, t.q), 0.1);  // the opamp alone does miss
    }
}

// A design entered with the exact correction (its cascade is checked in
// ngspice): the stages it cannot hold keep their first-order Rs and are named;
// parts held by hand get the same Rs; the first-order correction clears the marks.
TEST(ExactCorrection, DesignsTakeTheExactResistorsAndKeepTheFirstOrderOnesWhereThereAreNone)
{
    const struct {
        const char *name, *center, *width, *gain, *gbw, *dcGain;
        bool chebyshev;
        int order;
        std::vector<int> missed;
    } cases[] = {
        {"Chebyshev 6 on 10 MHz", "10k", "1k", "10", "10M", "1M", true, 6, {}},
        {"wide Butterworth 4 on 200 kHz", "10k", "8k", "0", "200k", "100k", false, 4, {}},  // fitted
        {"the same on 100 kHz", "10k", "8k", "0", "100k", "100k", false, 4, {1, 2, 3}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        auto s = std::make_unique<DesignState>(testing::StartUpRecord());
        DesignSession session(*s);
        DesignInputs in = InputsFromRecord(*s);
        in.txtCenter = t.center, in.txtWidth = t.width, in.txtGain = t.gain, in.txtGBW = t.gbw, in.txtGainDC = t.dcGain;
        in.lblOrderInput = std::to_string(t.order), in.optButterworth = !t.chebyshev, in.optChebyshev = t.chebyshev;
        in.txtApass = "0.5";
        session.Enter(in, [](const std::string&) {});
        const ResArray firstOrder = s->Rs;
        session.SetBench({.Correction = OpampCorrection::Exact});
        const ResArray exact = s->Rs;

        std::vector<int> missed;
        for (int k = 1; k <= t.order; ++k) {
            EXPECT_EQ(s->ExactMissed[k] != 0, !ExactMissedText(*s, k).empty());
            if (s->ExactMissed[k] == 0) continue;
            missed.push_back(k);
            EXPECT_EQ(s->Rs[k], firstOrder[k]);
        }
        EXPECT_EQ(missed, t.missed);

        s->ManualEntry = PartsEntry::Manual;
        RunDesignChain(*s);
        for (int k = 1; k <= t.order; ++k)
            for (int j = 1; j <= 3; ++j) EXPECT_NEAR(s->Rs[k][j], exact[k][j], 1e-5 * exact[k][j]);
        session.SetBench({.Correction = OpampCorrection::FirstOrder});
        EXPECT_EQ(s->ExactMissed, StageFlags{});
    }
}

}  // namespace
}  // namespace stelvane
