#include "engine/synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <tuple>
#include <utility>

#include "tests/engine/engine_test_support.h"
#include "tests/engine/mfbreference.h"

namespace stelvane {

// The record after poles, transform and synthesis, before the analysis.
static DesignState Synthesized(
    Integer family, Integer order, Single apass, Single center, Single width, Single gain, Single cap = 1e-8f)
{
    DesignState s = testing::Designed(family, order, apass, center, width);
    s.Gain = gain, s.GBW = 1e7f, s.DCGain = 1e5f, s.Zin = 1e6f;
    for (int k = 1; k <= kMaxStages; ++k) s.C[k] = {0, cap, cap};
    SynthesizeStages(s);
    return s;
}

// The ideal parts give back the stage's centre, Q and gain, and the cascade
// the gain asked for at the centre. The corrected parts, analysed as ideal,
// sit at f/FreqFactor, q/QFactor and g/GainFactor, which the opamp then pulls
// back; an opamp figure of 0 or below counts as infinite.
TEST(StageSynthesis, PartsGiveBackTheStageFigures)
{
    const struct Case {
        const char* name;
        Integer family, maxOrder;
        Single apass, center, width, gain, cap, gbw, dcGain, zin;
    } cases[] = {
        {"wide band, slow opamp", 1, 21, 0, 1000, 500, 12, 1e-8f, 1e6f, 2e4f, 1e5f},
        {"DC gain below 0, Zin 0", 1, 21, 0, 1000, 200, 6, 1e-8f, 1e7f, -100, 0},
        {"a gain above 2q^2", 3, 1, 0, 1000, 1000, 20, 1e-8f, 1e7f, 1e5f, 1e6f},
        // Near the top of the number range the gain budget overflows a Single on the way.
        {"10 GHz, ideal opamp", 1, 3, 0, 1e10f, 5e9f, 0, 1e-12f, 0, 0, 0},
    };
    // Inverse opamp figures, 0 for an infinite figure.
    const auto inverse = [](double x) { return x > 0 ? 1.0 / x : 0; };
    for (const Case& c : cases) {
        const double ig = inverse(c.gbw), id = inverse(c.dcGain), iz = inverse(c.zin);
        for (Integer order = 1; order <= c.maxOrder; ++order) {
            SCOPED_TRACE(::testing::Message() << c.name << " order " << order);
            DesignState s = Synthesized(c.family, order, c.apass, c.center, c.width, c.gain, c.cap);
            s.GBW = c.gbw, s.DCGain = c.dcGain, s.Zin = c.zin, SynthesizeStages(s);
            double centreDb = 0;
            for (int k = 1; k <= order; ++k) {
                SCOPED_TRACE(::testing::Message() << "stage " << k);
                const double q = s.StageQ[k], f = s.StageF[k], g = s.StageGain[k], r3 = s.R[k][3], c1 = s.C[k][1];
                centreDb += 20 * std::log10(std::abs(reference::MfbResponse(reference::PartsOf(s, k), c.center)));
                // an equal-capacitor stage makes at most 2q^2
                EXPECT_EQ(s.StageInvalid[k], g < 2 * q * q ? 0 : 1);
                EXPECT_NEAR(s.FreqFactor[k], 1 - q * f * ig, 1e-6);
                EXPECT_NEAR(s.QFactor[k], 1 - q * (f * (r3 * iz - 1) * ig + 2 * q * id), 1e-6);
                EXPECT_NEAR(s.GainFactor[k], 1 - q * (f * r3 * iz * ig + 2 * q * id), 1e-6);
                // the ideal parts, then the corrected ones
                for (int set = 0; set < 2; ++set) {
                    const auto& parts = (set ? s.Rs : s.R)[k];
                    const double r1 = parts[1], r2 = parts[2], r3s = parts[3];
                    // a gain too high for the Q
                    if (!(r2 > 0)) continue;
                    const double ff = set ? s.FreqFactor[k] : 1, qf = set ? s.QFactor[k] : 1;
                    const double gf = set ? s.GainFactor[k] : 1;
                    const double w0 = std::sqrt((1 + r2 / r1) / (r2 * r3s)) / c1, tol = set ? 1e-5 : 1e-6;
                    EXPECT_NEAR(w0 / (2 * std::numbers::pi) * ff / f, 1.0, tol);
                    EXPECT_NEAR(std::sqrt(r3s / r2 + r3s / r1) / 2 * qf / q, 1.0, tol);
                    EXPECT_NEAR(r3s / r1 / 2 * gf / g, 1.0, tol);
                }
            }
            EXPECT_NEAR(centreDb, c.gain, 0.001);
        }
    }
}

TEST(StageSynthesis, UnusableStagesAreClearedAndStayFinite)
{
    const struct Case {
        const char* name;
        Single stageF, stageQ, cap, gain;
    } cases[] = {
        {"Q of 0", 1000, 0, 1e-8f, 0},
        {"infinite Q", 1000, INFINITY, 1e-8f, 0},
        {"gain beyond any Single", 1000, 5, 1e-8f, 1e10f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = 2, s.Center = 1000, s.Gain = c.gain, s.StageF = {0, c.stageF, 1000}, s.StageQ = {0, c.stageQ, 5};
        s.C[1] = {0, c.cap, c.cap}, s.C[2] = {0, 1e-8f, 1e-8f}, s.R[1] = s.Rs[1] = {0, -1, -1, -1};
        SynthesizeStages(s);
        const bool gainUsable = std::abs(c.gain) < 100;
        EXPECT_EQ(std::tuple(s.StageInvalid[1], s.R[1][1], s.Rs[1][3], std::isfinite(s.StageGain[1])),
            std::tuple(Integer(1), 0.0f, 0.0f, true));
        EXPECT_EQ(std::tuple(s.QFactor[1], s.FreqFactor[1], s.GainFactor[1]), std::tuple(1.0f, 1.0f, 1.0f));
        EXPECT_EQ(std::pair(s.StageInvalid[2], s.R[2][3] > 0), std::pair(Integer(!gainUsable), gainUsable));
    }
    // One stage of Q 1 asked for a gain of exactly 2q^2: R2 = R3 R1 / (4 q^2 R1 - R3) is unbounded, stored as 0.
    const DesignState s = Synthesized(3, 1, 0, 1000, 1000, static_cast<Single>(20 * std::log10(2.0)));
    EXPECT_EQ(std::tuple(s.StageQ[1], s.StageGain[1], s.R[1][2], s.StageInvalid[1]),
        std::tuple(1.0f, 2.0f, 0.0f, Integer(1)));
}

}  // namespace stelvane
