#include "engine/synthesis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>

#include "engine/poles.h"

namespace stelvane {
namespace {

using Complex = std::complex<double>;

// The record after poles, transform and synthesis, the way a design run
// leaves it before the analysis.
DesignState Synthesized(Integer family, Integer order, Single apass, Single center, Single width,
                        Single gain, Single cap = 1e-8f)
{
    DesignState s;
    s.Pi = static_cast<Single>(4.0 * std::atan(1.0));
    s.Family = family;
    s.Order = order;
    s.Apass = apass;
    s.Center = center;
    s.Width = width;
    s.Gain = gain;
    s.GBW = 1e7f;
    s.DCGain = 1e5f;
    s.Zin = 1e6f;
    for (int k = 1; k <= kMaxStages; ++k) {
        s.C[k][1] = cap;
        s.C[k][2] = cap;
    }
    ComputePrototypePoles(s);
    TransformToBandpass(s);
    SynthesizeStages(s);
    return s;
}

// The ideal-opamp MFB stage, evaluated on its own in double.
Complex StageResponse(double r1, double r2, double r3, double c1, double c2, double f)
{
    const Complex s(0, 2 * std::numbers::pi * f);
    return -s * r3 * c1 / (s * s * r1 * r3 * c1 * c2 + s * r1 * (c1 + c2) + 1.0 + r1 / r2);
}

double CascadeGainDB(const DesignState& s, double f)
{
    double db = 0;
    for (int k = 1; k <= s.Order; ++k) {
        db += 20 * std::log10(std::abs(StageResponse(s.R[k][1], s.R[k][2], s.R[k][3], s.C[k][1],
                                                     s.C[k][2], f)));
    }
    return db;
}

struct StageFigures {
    double f0, q, gain;
};

// Centre, Q and peak gain of an MFB stage from its parts.
StageFigures FromParts(double r1, double r2, double r3, double c1, double c2)
{
    const double w0 = std::sqrt((1 + r2 / r1) / (c1 * r2 * r3 * c2));
    return {w0 / (2 * std::numbers::pi),
            std::sqrt(r3 / r2 + r3 / r1) / (std::sqrt(c1 / c2) + std::sqrt(c2 / c1)),
            (r3 / r1) / (c2 / c1 + 1)};
}

TEST(StageSynthesis, StartUpDesignFigures)
{
    const DesignState s = Synthesized(1, 2, 0, 1000, 200, 0);
    struct Case {
        const char* name;
        Single actual;
        double expected, tolerance;
    };
    const Case cases[] = {
        {"total loss, dB", static_cast<Single>(40 * std::log10(s.StageGain[1])), 6.064, 0.0005},
        {"StageGain(1)", s.StageGain[1], 1.418, 0.0005},
        {"StageGain(2)", s.StageGain[2], 1.418, 0.0005},
        {"R(1,1)", s.R[1][1], 85.42e3, 5},
        {"R(1,2)", s.R[1][2], 1.222e3, 0.5},
        {"R(1,3)", s.R[1][3], 242.2e3, 50},
        {"R(2,1)", s.R[2][1], 74.14e3, 5},
        {"R(2,2)", s.R[2][2], 1.061e3, 0.5},
        {"R(2,3)", s.R[2][3], 210.2e3, 50},
        {"FreqFactor(1)", s.FreqFactor[1], 0.99934, 0.000005},
        {"FreqFactor(2)", s.FreqFactor[2], 0.99924, 0.000005},
        {"Rs(1,1)", s.Rs[1][1], 85.31e3, 5},
        {"Rs(1,2)", s.Rs[1][2], 1.221e3, 0.5},
        {"Rs(1,3)", s.Rs[1][3], 242.2e3, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(c.actual, c.expected, c.tolerance);
    }
    EXPECT_EQ(s.StageInvalid[1], 0);
    EXPECT_EQ(s.StageInvalid[2], 0);
}

struct Design {
    const char* name;
    Integer family;
    Single apass;
    Single width;
};

// Moderate widths: the stage Qs stay high enough for the gain the cascade
// must make up at the centre.
const Design kDesigns[] = {
    {"Butterworth", 1, 0, 200},  {"Butterworth wide", 1, 0, 500}, {"Chebyshev 0.5 dB", 2, 0.5f, 200},
    {"Chebyshev 2 dB", 2, 2.0f, 300}, {"Bessel", 3, 0, 200},      {"Bessel narrow", 3, 0, 50},
};

TEST(StageSynthesis, PartsGiveBackTheStageFigures)
{
    for (const Design& d : kDesigns) {
        for (Integer order = 1; order <= kMaxStages; ++order) {
            SCOPED_TRACE(std::string(d.name) + " order " + std::to_string(order));
            const DesignState s = Synthesized(d.family, order, d.apass, 1000, d.width, 6);
            for (int k = 1; k <= s.Order; ++k) {
                SCOPED_TRACE("stage " + std::to_string(k));
                // An equal-capacitor stage cannot make more gain than 2q^2.
                const double most = 2.0 * s.StageQ[k] * s.StageQ[k];
                EXPECT_EQ(s.StageInvalid[k], s.StageGain[k] < most ? 0 : 1);
                if (s.StageGain[k] >= most) continue;
                const StageFigures fig = FromParts(s.R[k][1], s.R[k][2], s.R[k][3], s.C[k][1], s.C[k][2]);
                EXPECT_NEAR(fig.f0 / s.StageF[k], 1.0, 1e-6);
                EXPECT_NEAR(fig.q / s.StageQ[k], 1.0, 1e-6);
                EXPECT_NEAR(fig.gain / s.StageGain[k], 1.0, 1e-6);
            }
        }
    }
}

TEST(StageSynthesis, CascadeGainAtCentreIsTheGainAsked)
{
    for (const Design& d : kDesigns) {
        for (Single gain : {0.0f, 12.0f, -6.0f}) {
            for (Integer order = 1; order <= kMaxStages; ++order) {
                SCOPED_TRACE(std::string(d.name) + " order " + std::to_string(order) + " gain " +
                             std::to_string(gain));
                const DesignState s = Synthesized(d.family, order, d.apass, 1000, d.width, gain);
                EXPECT_NEAR(CascadeGainDB(s, 1000), gain, 0.001);
            }
        }
    }
}

TEST(StageSynthesis, CorrectedPartsPredistortTheTargets)
{
    // Analysed as ideal parts, the corrected set sits at f/FreqFactor,
    // q/QFactor and g/GainFactor, which the opamp then pulls back.
    struct Case {
        const char* name;
        Single gbw, dcGain, zin;
    };
    const Case cases[] = {
        {"start-up opamp", 1e7f, 1e5f, 1e6f},
        {"slow opamp", 1e6f, 2e4f, 1e5f},
        {"fast opamp", 1e9f, 1e7f, 1e10f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = Synthesized(2, 4, 0.5f, 1000, 200, 3);
        s.GBW = c.gbw;
        s.DCGain = c.dcGain;
        s.Zin = c.zin;
        SynthesizeStages(s);
        for (int k = 1; k <= s.Order; ++k) {
            SCOPED_TRACE("stage " + std::to_string(k));
            const double q = s.StageQ[k];
            const double f = s.StageF[k];
            const double r3 = s.R[k][3];
            EXPECT_NEAR(s.FreqFactor[k], 1 - q * f / c.gbw, 1e-6);
            EXPECT_NEAR(s.QFactor[k], 1 - q * (f * (r3 / c.zin - 1) / c.gbw + 2 * q / c.dcGain), 1e-6);
            EXPECT_NEAR(s.GainFactor[k], 1 - q * (f * r3 / (c.zin * c.gbw) + 2 * q / c.dcGain), 1e-6);
            const StageFigures fig =
                FromParts(s.Rs[k][1], s.Rs[k][2], s.Rs[k][3], s.C[k][1], s.C[k][2]);
            EXPECT_NEAR(fig.f0 * s.FreqFactor[k] / f, 1.0, 1e-5);
            EXPECT_NEAR(fig.q * s.QFactor[k] / q, 1.0, 1e-5);
            EXPECT_NEAR(fig.gain * s.GainFactor[k] / s.StageGain[k], 1.0, 1e-5);
        }
    }
}

TEST(StageSynthesis, UnusableOpampFiguresCountAsIdeal)
{
    // An opamp figure of 0 or below drops its correction term: the result is
    // that of an opamp with that figure infinite.
    struct Case {
        const char* name;
        Single gbw, dcGain, zin;
        Single refGbw, refDcGain, refZin;
    };
    const Single huge = 1e30f;
    const Case cases[] = {
        {"DC gain 0", 1e7f, 0, 1e6f, 1e7f, huge, 1e6f},
        {"DC gain negative", 1e7f, -100, 1e6f, 1e7f, huge, 1e6f},
        {"GBW 0", 0, 1e5f, 1e6f, huge, 1e5f, 1e6f},
        {"input impedance 0", 1e7f, 1e5f, 0, 1e7f, 1e5f, huge},
        {"all three 0", 0, 0, 0, huge, huge, huge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = Synthesized(1, 3, 0, 1000, 200, 0);
        DesignState reference = s;
        s.GBW = c.gbw;
        s.DCGain = c.dcGain;
        s.Zin = c.zin;
        reference.GBW = c.refGbw;
        reference.DCGain = c.refDcGain;
        reference.Zin = c.refZin;
        SynthesizeStages(s);
        SynthesizeStages(reference);
        for (int k = 1; k <= 3; ++k) {
            SCOPED_TRACE("stage " + std::to_string(k));
            for (int j = 1; j <= 3; ++j) {
                EXPECT_TRUE(std::isfinite(s.Rs[k][j]));
                EXPECT_GT(s.Rs[k][j], 0.0f);
                EXPECT_NEAR(s.Rs[k][j] / reference.Rs[k][j], 1.0, 1e-6);
            }
            EXPECT_FLOAT_EQ(s.QFactor[k], reference.QFactor[k]);
            EXPECT_FLOAT_EQ(s.GainFactor[k], reference.GainFactor[k]);
            EXPECT_FLOAT_EQ(s.FreqFactor[k], reference.FreqFactor[k]);
        }
    }
}

TEST(StageSynthesis, GainTooHighForTheQ)
{
    // One stage of Q 1 at the centre: R2 = R3 R1 / (4 R1 - R3) with R1 = R3 / 2g
    // turns negative above g = 2 and has no finite value at g = 2.
    struct Case {
        const char* name;
        Single gain; // dB
        bool finiteR2;
        double r2OverR3; // when finite
    };
    const Case cases[] = {
        {"g 10: negative R2 kept", 20, true, -1.0 / 16},
        {"g 4: negative R2 kept", static_cast<Single>(20 * std::log10(4.0)), true, -0.25},
        {"g 2: R2 unbounded", static_cast<Single>(20 * std::log10(2.0)), false, 0},
        {"g 1: sound", 0, true, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Bessel order 1 at Qbp 1 is one real pole at -1: Q exactly 1.
        const DesignState s = Synthesized(3, 1, 0, 1000, 1000, c.gain);
        ASSERT_EQ(s.StageQ[1], 1.0f);
        const double g = s.StageGain[1];
        for (int j = 1; j <= 3; ++j) EXPECT_TRUE(std::isfinite(s.R[1][j]));
        if (c.finiteR2) {
            EXPECT_NEAR(s.R[1][2] / s.R[1][3], 1.0 / (2 * (2 - g)), 1e-6);
            EXPECT_NEAR(s.R[1][2] / s.R[1][3], c.r2OverR3, 1e-6);
            EXPECT_EQ(s.StageInvalid[1], c.r2OverR3 < 0 ? 1 : 0);
        } else {
            EXPECT_EQ(s.R[1][2], 0.0f);
            EXPECT_EQ(s.StageInvalid[1], 1);
        }
        EXPECT_NEAR(s.R[1][1], s.R[1][3] / (2 * g), 1e-3);
    }
}

TEST(StageSynthesis, UnusableStagesStayFinite)
{
    struct Case {
        const char* name;
        Single stageF, stageQ, cap, gain;
    };
    const Case cases[] = {
        {"Q of 0 (a pole on the imaginary axis)", 1000, 0, 1e-8f, 0},
        {"frequency of 0", 0, 5, 1e-8f, 0},
        {"capacitor of 0", 1000, 5, 0, 0},
        {"negative capacitor", 1000, 5, -1e-8f, 0},
        {"not-a-number Q", 1000, NAN, 1e-8f, 0},
        {"gain beyond any Single", 1000, 5, 1e-8f, 1e10f},
        {"gain of nothing", 1000, 5, 1e-8f, -1e10f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Pi = 3.1415927f;
        s.Order = 2;
        s.Center = 1000;
        s.Gain = c.gain;
        s.GBW = 1e7f;
        s.DCGain = 1e5f;
        s.Zin = 1e6f;
        s.StageF = {0, c.stageF, 1000};
        s.StageQ = {0, c.stageQ, 5};
        s.C[1] = {0, c.cap, c.cap};
        s.C[2] = {0, 1e-8f, 1e-8f};
        SynthesizeStages(s);
        for (int k = 1; k <= 2; ++k) {
            SCOPED_TRACE("stage " + std::to_string(k));
            EXPECT_TRUE(std::isfinite(s.StageGain[k]));
            for (int j = 1; j <= 3; ++j) {
                EXPECT_TRUE(std::isfinite(s.R[k][j]));
                EXPECT_TRUE(std::isfinite(s.Rs[k][j]));
            }
            EXPECT_TRUE(std::isfinite(s.FreqFactor[k]));
            EXPECT_TRUE(std::isfinite(s.QFactor[k]));
            EXPECT_TRUE(std::isfinite(s.GainFactor[k]));
        }
        EXPECT_EQ(s.StageInvalid[1], 1);
        EXPECT_EQ(s.R[1][1], 0.0f);
    }
}

TEST(StageSynthesis, ExtremeButUsableBandsStayExact)
{
    // Near the top of the number range the gain budget overflows a Single on
    // the way; the centre gain must still come out right.
    struct Case {
        const char* name;
        Single center, width;
        Integer order;
    };
    const Case cases[] = {
        {"10 GHz", 1e10f, 1e9f, 2},
        {"10 GHz, wide", 1e10f, 5e9f, 3},
        {"1 Hz", 1, 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DesignState s = Synthesized(1, c.order, 0, c.center, c.width, 0, 1e-12f);
        for (int k = 1; k <= c.order; ++k) EXPECT_EQ(s.StageInvalid[k], 0) << "stage " << k;
        EXPECT_NEAR(CascadeGainDB(s, c.center), 0.0, 0.001);
    }
}

TEST(StageSynthesis, OrderBoundsAreRespected)
{
    struct Case {
        const char* name;
        Integer order;
        int written;
    };
    const Case cases[] = {{"order 0 computes nothing", 0, 0},
                          {"negative order", -2, 0},
                          {"order above the arrays", 25, kMaxStages}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Pi = 3.1415927f;
        s.Order = c.order;
        s.Center = 1000;
        s.GBW = 1e7f;
        s.DCGain = 1e5f;
        s.Zin = 1e6f;
        for (int k = 0; k <= kMaxStages; ++k) {
            s.StageF[k] = 1000;
            s.StageQ[k] = 5;
            s.C[k] = {0, 1e-8f, 1e-8f};
            s.R[k] = {-1, -1, -1, -1};
        }
        SynthesizeStages(s);
        EXPECT_EQ(s.R[0][1], -1.0f);
        for (int k = 1; k <= kMaxStages; ++k) {
            EXPECT_EQ(s.R[k][1] > 0, k <= c.written) << "stage " << k;
            EXPECT_TRUE(std::isfinite(s.StageGain[k]));
        }
    }
}

} // namespace
} // namespace stelvane
