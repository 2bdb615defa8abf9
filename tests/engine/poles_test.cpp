#include "engine/poles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "tests/engine/bandpass_reference.h"

namespace stelvane {
namespace {

using Complex = std::complex<double>;

DesignState Record(Integer family, Integer order, Single apass = 0)
{
    DesignState s;
    s.Pi = static_cast<Single>(4.0 * std::atan(1.0));
    s.Family = family;
    s.Order = order;
    s.Apass = apass;
    return s;
}

DesignState Designed(Integer family, Integer order, Single apass, Single center, Single width)
{
    DesignState s = Record(family, order, apass);
    s.Center = center;
    s.Width = width;
    ComputePrototypePoles(s);
    TransformToBandpass(s);
    return s;
}

std::vector<Complex> Poles(const DesignState& s)
{
    std::vector<Complex> poles;
    for (int k = 1; k <= s.Order; ++k) poles.emplace_back(s.PoleRe[k], s.PoleIm[k]);
    return poles;
}

// |P(jw)|^2 of the monic polynomial with the given roots.
double SquaredMagnitudeAt(const std::vector<Complex>& poles, double w)
{
    Complex p = 1;
    for (const Complex& pole : poles) p *= Complex(0, w) - pole;
    return std::norm(p);
}

double Chebyshev(int n, double w)
{
    if (std::abs(w) <= 1) return std::cos(n * std::acos(w));
    return std::cosh(n * std::acosh(std::abs(w))) * ((w < 0 && n % 2) ? -1 : 1);
}

TEST(PrototypePoles, ButterworthFiguresAndMiddlePole)
{
    struct Case {
        const char* name;
        Integer order;
        int stage;
        double re, im, tolerance;
    };
    const Case cases[] = {
        {"order 2 stage 1", 2, 1, -0.7071068, 0.7071068, 1e-7},
        {"order 2 stage 2", 2, 2, -0.7071068, -0.7071068, 1e-7},
        {"order 3 stage 1", 3, 1, -0.5, 0.8660254, 2e-7},
        {"order 3 middle", 3, 2, -1.0, -4.371139e-8, 1e-13},
        {"order 3 stage 3", 3, 3, -0.5, -0.8660254, 2e-7},
        {"order 1", 1, 1, -1.0, -4.371139e-8, 1e-13},
        {"order 5 middle", 5, 3, -1.0, -4.371139e-8, 1e-13},
        {"order 11 middle", 11, 6, -1.0, -1.6292068e-7, 1e-13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = Record(1, c.order, 3.0f); // ripple must not scale Butterworth
        ComputePrototypePoles(s);
        EXPECT_NEAR(s.PoleRe[c.stage], c.re, 2e-7);
        EXPECT_NEAR(s.PoleIm[c.stage], c.im, c.tolerance);
        if (c.re == -1.0) {
            EXPECT_LT(s.PoleIm[c.stage], 0.0f);
        }
    }
}

TEST(PrototypePoles, ButterworthIsMaximallyFlat)
{
    // |H(jw)|^2 = 1 / (1 + w^2n): the pole polynomial must give 1 + w^2n.
    for (Integer order = 1; order <= kMaxStages; ++order) {
        SCOPED_TRACE("order " + std::to_string(order));
        DesignState s = Record(1, order);
        ComputePrototypePoles(s);
        for (double w : {0.0, 0.3, 0.9, 1.0, 1.7}) {
            EXPECT_NEAR(SquaredMagnitudeAt(Poles(s), w) / (1 + std::pow(w, 2 * order)), 1.0, 2e-5);
        }
    }
}

TEST(PrototypePoles, ChebyshevHasEquiripplePassband)
{
    struct Case {
        Integer order;
        Single apass;
    };
    const Case cases[] = {{2, 0.5f}, {3, 0.5f}, {4, 1.0f}, {5, 0.1f}, {7, 3.0f},
                          {9, 0.01f}, {12, 0.5f}, {21, 0.2f}, {1, 2.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE("order " + std::to_string(c.order) + " ripple " + std::to_string(c.apass));
        DesignState s = Record(2, c.order, c.apass);
        ComputePrototypePoles(s);
        const double e2 = std::pow(10.0, 0.1 * c.apass) - 1;
        const double lead = e2 * std::pow(4.0, c.order - 1);
        for (double w : {0.0, 0.25, 0.6, 0.95, 1.0, 1.3}) {
            const double t = Chebyshev(c.order, w);
            EXPECT_NEAR(SquaredMagnitudeAt(Poles(s), w) * lead / (1 + e2 * t * t), 1.0, 2e-4)
                << "w = " << w;
        }
    }
}

TEST(PrototypePoles, ChebyshevFigures)
{
    struct Case {
        const char* name;
        Integer family;
        Single apass;
        double re, im;
    };
    const Case cases[] = {
        {"0.5 dB", 2, 0.5f, -0.7128, 1.0040},
        {"no ripple falls back to Butterworth", 2, 0.0f, -0.7071068, 0.7071068},
        {"negative ripple falls back to Butterworth", 2, -1.0f, -0.7071068, 0.7071068},
        {"vanishing ripple falls back to Butterworth", 2, 1e-20f, -0.7071068, 0.7071068},
        {"unknown family 0 is Chebyshev", 0, 0.5f, -0.7128, 1.0040},
        {"unknown family 7 is Chebyshev", 7, 0.5f, -0.7128, 1.0040},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = Record(c.family, 2, c.apass);
        ComputePrototypePoles(s);
        EXPECT_NEAR(s.PoleRe[1], c.re, 1e-4);
        EXPECT_NEAR(s.PoleIm[1], c.im, 1e-4);
        EXPECT_NEAR(s.PoleRe[2], c.re, 1e-4);
        EXPECT_NEAR(s.PoleIm[2], -c.im, 1e-4);
        EXPECT_EQ(s.Family, c.family);
    }
}

TEST(PrototypePoles, BesselRowsAreBesselPolynomialRoots)
{
    // Reverse Bessel polynomial: a_k = (2n-k)! / (2^(n-k) k! (n-k)!).
    for (Integer order = 1; order <= 10; ++order) {
        SCOPED_TRACE("order " + std::to_string(order));
        DesignState s = Record(3, order);
        ComputePrototypePoles(s);
        ASSERT_EQ(s.Order, order);
        for (const Complex& p : Poles(s)) {
            Complex value = 0;
            double scale = 0;
            for (int k = 0; k <= order; ++k) {
                const double a = std::tgamma(2 * order - k + 1) /
                                 (std::pow(2.0, order - k) * std::tgamma(k + 1) *
                                  std::tgamma(order - k + 1));
                value += a * std::pow(p, k);
                scale += a * std::pow(std::abs(p), k);
            }
            EXPECT_LT(std::abs(value) / scale, 2e-6) << p;
        }
    }
}

TEST(PrototypePoles, BesselRowOrderAndOrderLimit)
{
    struct Case {
        const char* name;
        Integer order;
        Integer expectedOrder;
        int stage;
        double re, im;
    };
    const Case cases[] = {
        {"order 1 is one real pole", 1, 1, 1, -1, 0},
        {"order 2 starts negative", 2, 2, 1, -1.5, -0.8660254},
        {"order 5 real pole first", 5, 5, 1, -3.646739, 0},
        {"order 7 last pair", 7, 7, 7, -2.685677, 5.420694},
        {"order 8 starts positive", 8, 8, 1, -5.204841, 2.616175},
        {"order 8 third pole", 8, 8, 3, -5.587886, 0.8676144},
        {"order 9 real pole third", 9, 9, 3, -6.297019, 0},
        {"order 10 first pole", 10, 10, 1, -6.615291, 2.611568},
        {"order 12 uses row 10", 12, 10, 10, -3.108916, -8.232699},
        {"order 21 uses row 10", 21, 10, 4, -6.922045, -0.8676652},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = Record(3, c.order);
        ComputePrototypePoles(s);
        EXPECT_EQ(s.Order, c.expectedOrder);
        EXPECT_FLOAT_EQ(s.PoleRe[c.stage], static_cast<Single>(c.re));
        EXPECT_FLOAT_EQ(s.PoleIm[c.stage], static_cast<Single>(c.im));
    }
}

TEST(PrototypePoles, FileFamilyKeepsPolesAndDropsRipple)
{
    DesignState s = Record(4, 3, 0.7f);
    s.PoleRe = {0, -0.3f, -1.2f, -0.3f};
    s.PoleIm = {0, 2.0f, 0.0f, -2.0f};
    const DesignState before = s;
    ComputePrototypePoles(s);
    EXPECT_EQ(s.PoleRe, before.PoleRe);
    EXPECT_EQ(s.PoleIm, before.PoleIm);
    EXPECT_EQ(s.Apass, 0.0f);
    EXPECT_EQ(s.Family, 4);
}

TEST(PrototypePoles, OrdersOutsideTheArraysStayInBounds)
{
    struct Case {
        const char* name;
        Integer family;
        Integer order;
        int polesWritten;
    };
    const Case cases[] = {
        {"Butterworth order 0", 1, 0, 0},   {"Chebyshev order 0", 2, 0, 0},
        {"Bessel order 0", 3, 0, 0},        {"Butterworth order -4", 1, -4, 0},
        {"Butterworth order 40", 1, 40, 21}, {"Chebyshev order 32767", 2, 32767, 21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = Record(c.family, c.order, 0.5f);
        s.PoleRe.fill(7);
        ComputePrototypePoles(s);
        EXPECT_EQ(s.PoleRe[0], 7.0f);
        for (int k = 1; k <= kMaxStages; ++k) {
            EXPECT_EQ(s.PoleRe[k] != 7.0f, k <= c.polesWritten) << "stage " << k;
        }
    }
}

TEST(BandpassTransform, StageFigures)
{
    struct Case {
        const char* name;
        Integer family;
        Integer order;
        Single apass;
        std::vector<double> f, q;
        double fTolerance, qTolerance;
    };
    const Case cases[] = {
        {"Butterworth 2", 1, 2, 0, {931.6, 1073.4}, {7.089, 7.089}, 0.05, 0.0005},
        {"Butterworth 3", 1, 3, 0, {917.0, 1000.0, 1090.5}, {10.04, 5.0, 10.04}, 0.05, 0.005},
        {"Chebyshev 0.5 dB", 2, 2, 0.5f, {904.4, 1105.7}, {7.050, 7.050}, 0.05, 0.0005},
        {"Bessel 1", 3, 1, 0, {1000.0}, {5.0}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DesignState s = Designed(c.family, c.order, c.apass, 1000, 200);
        EXPECT_EQ(s.Qbp, 5.0f);
        for (int k = 1; k <= c.order; ++k) {
            SCOPED_TRACE("stage " + std::to_string(k));
            EXPECT_NEAR(s.StageF[k], c.f[k - 1], c.fTolerance);
            EXPECT_NEAR(s.StageQ[k], c.q[k - 1], c.qTolerance);
            EXPECT_EQ(s.StageInvalid[k], 0);
        }
    }
}

TEST(BandpassTransform, AgreesWithIndependentTransform)
{
    struct Case {
        const char* name;
        Integer family;
        Single apass;
        Integer maxOrder;
    };
    const Case families[] = {
        {"Butterworth", 1, 0, 21}, {"Chebyshev 0.5 dB", 2, 0.5f, 21},
        {"Chebyshev 3 dB", 2, 3.0f, 12}, {"Chebyshev 20 dB", 2, 20.0f, 21},
        {"Chebyshev 0.001 dB", 2, 0.001f, 9}, {"Bessel", 3, 0, 10}};
    struct Band {
        Single center, width;
    };
    // From narrow bands to bands far wider than the centre frequency, where
    // the real poles' bandpass roots turn real.
    const Band bands[] = {{1000, 200}, {1000, 600}, {1000, 20}, {50, 400}, {2e4f, 9e4f}, {1, 1}};
    for (const Case& c : families) {
        for (const Band& band : bands) {
            for (Integer order = 1; order <= c.maxOrder; ++order) {
                SCOPED_TRACE(std::string(c.name) + " order " + std::to_string(order) + " at " +
                             std::to_string(band.center) + "/" + std::to_string(band.width));
                const DesignState s = Designed(c.family, order, c.apass, band.center, band.width);
                for (int k = 1; k <= order; ++k) {
                    SCOPED_TRACE("stage " + std::to_string(k));
                    // Family poles off the axis lie at least 0.07 from it;
                    // anything closer is an odd order's middle pole.
                    const bool real = std::abs(s.PoleIm[k]) < 1e-4;
                    const auto ref = testing::ReferenceSection(s.PoleRe[k], real ? 0 : s.PoleIm[k],
                                                               band.center, band.width);
                    // The stage frequency comes from M + sqrt(M^2 - 1) with M
                    // near -1 carried in Single; the root magnifies M's
                    // rounding by the inverse of the stage's offset from the
                    // centre.
                    const double offset = std::abs(std::log(ref.f0 / band.center));
                    EXPECT_NEAR(s.StageF[k] / ref.f0, 1.0, 2e-6 + (real ? 0 : 4e-7 / offset));
                    EXPECT_NEAR(s.StageQ[k] / ref.q, 1.0, 1e-4);
                }
            }
        }
    }
}

TEST(BandpassTransform, RealPoleStaysAtCentreForEveryWidth)
{
    struct Case {
        const char* name;
        Integer family;
        Single apass;
        Integer order;
        int stage;
        Single width;
        double q;
    };
    // Q = Qbp / |sigma|, also where it falls below 0.5 and the section's two
    // poles are real.
    const Case cases[] = {
        {"Bessel 5 at width 600", 3, 0, 5, 1, 600, 0.457},
        {"Bessel 5 at width 100", 3, 0, 5, 1, 100, 2.742},
        {"Bessel 1 at width 3000", 3, 0, 1, 1, 3000, 1.0 / 3},
        {"Butterworth 3 at width 5000", 1, 0, 3, 2, 5000, 0.2},
        {"Butterworth 11 at width 200", 1, 0, 11, 6, 200, 5.0},
        {"Butterworth 21 at width 2500", 1, 0, 21, 11, 2500, 0.4},
        {"Bessel 9 at width 400", 3, 0, 9, 3, 400, 2.5 / 6.297019},
        {"Chebyshev 0.5 dB 11 at width 200", 2, 0.5f, 11, 6, 200, 5.0 / 0.1619852},
        {"Chebyshev 20 dB 21 at width 100", 2, 20.0f, 21, 11, 100, 10.0 / 0.004777892},
        {"Chebyshev 0.001 dB 1 at width 1000", 2, 0.001f, 1, 1, 1000, 1.0 / 65.89723},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DesignState s = Designed(c.family, c.order, c.apass, 1000, c.width);
        EXPECT_EQ(s.StageF[c.stage], 1000.0f);
        EXPECT_NEAR(s.StageQ[c.stage] / c.q, 1.0, 2e-4);
    }
}

TEST(BandpassTransform, ConjugateStagesAreGeometricallySymmetric)
{
    struct Case {
        const char* name;
        Integer family;
        Single apass;
        Integer order;
    };
    const Case cases[] = {{"Butterworth 8", 1, 0, 8},  {"Butterworth 21", 1, 0, 21},
                          {"Chebyshev 6", 2, 1.0f, 6}, {"Chebyshev 15", 2, 0.1f, 15},
                          {"Bessel 4", 3, 0, 4},       {"Bessel 10", 3, 0, 10}};
    for (const Case& c : cases) {
        for (Single width : {50.0f, 300.0f, 1500.0f}) {
            SCOPED_TRACE(std::string(c.name) + " width " + std::to_string(width));
            const DesignState s = Designed(c.family, c.order, c.apass, 1000, width);
            for (int k = 1; k <= s.Order; ++k) {
                if (std::abs(s.PoleIm[k]) < 1e-6f) continue;
                // Its partner holds the conjugate pole (to Single rounding:
                // the two angles of a Butterworth pair are rounded apart).
                int partner = 0;
                double nearest = 1e-5;
                for (int j = 1; j <= s.Order; ++j) {
                    const double apart = std::abs(Complex(s.PoleRe[j], s.PoleIm[j]) -
                                                  Complex(s.PoleRe[k], -s.PoleIm[k]));
                    if (j != k && apart < nearest) {
                        nearest = apart;
                        partner = j;
                    }
                }
                ASSERT_NE(partner, 0) << "stage " << k;
                EXPECT_NEAR(std::sqrt(double(s.StageF[k]) * s.StageF[partner]), 1000.0, 0.01);
                EXPECT_NEAR(s.StageQ[k] / s.StageQ[partner], 1.0, 1e-5);
                EXPECT_EQ(s.StageF[k] < 1000.0f, s.PoleIm[k] > 0) << "stage " << k;
            }
        }
    }
}

TEST(BandpassTransform, UnrealisablePolesGiveFiniteInvalidStages)
{
    struct Case {
        const char* name;
        Single re, im;
        Single center, width;
        bool invalid;
        double f; // expected StageF; the Q of an invalid stage is 0
    };
    const double inf = INFINITY;
    const Case cases[] = {
        // On the imaginary axis: an undamped pair at the true bandpass frequency.
        {"zero real part, positive imaginary", 0, 1, 1000, 200, true, 1000 * (std::sqrt(1.01) - 0.1)},
        {"zero real part, negative imaginary", 0, -1, 1000, 200, true, 1000 * (std::sqrt(1.01) + 0.1)},
        {"pole at the origin", 0, 0, 1000, 200, true, 1000},
        {"real part lost in Single", -1e-45f, 1, 1000, 200, true, 1000 * (std::sqrt(1.01) - 0.1)},
        {"not a number", NAN, 1, 1000, 200, true, 1000},
        {"infinite real part", static_cast<Single>(-inf), 0, 1000, 200, true, 1000},
        {"zero width", -1, 0, 1000, 0, true, 0},
        {"zero centre", -1, 0, 0, 200, true, 0},
        {"right half plane still finite", 0.5f, 1, 1000, 200, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = Record(4, 1);
        s.Center = c.center;
        s.Width = c.width;
        s.PoleRe[1] = c.re;
        s.PoleIm[1] = c.im;
        ComputePrototypePoles(s);
        TransformToBandpass(s);
        EXPECT_TRUE(std::isfinite(s.StageF[1]));
        EXPECT_TRUE(std::isfinite(s.StageQ[1]));
        EXPECT_TRUE(std::isfinite(s.Qbp));
        EXPECT_EQ(s.StageInvalid[1], c.invalid ? 1 : 0);
        if (c.invalid) {
            EXPECT_EQ(s.StageQ[1], 0.0f);
            EXPECT_NEAR(s.StageF[1], c.f, 1e-3);
        }
    }
}

TEST(BandpassTransform, OrderOutsideTheArraysStaysInBounds)
{
    for (Integer order : {Integer(0), Integer(-3), Integer(22), Integer(30000)}) {
        SCOPED_TRACE("order " + std::to_string(order));
        DesignState s = Record(1, order);
        s.Center = 1000;
        s.Width = 200;
        s.PoleRe.fill(-1);
        s.StageF.fill(-5);
        TransformToBandpass(s);
        EXPECT_EQ(s.StageF[0], -5.0f);
        const int written = order > 0 ? kMaxStages : 0;
        for (int k = 1; k <= kMaxStages; ++k) {
            EXPECT_EQ(s.StageF[k] == 1000.0f, k <= written) << "stage " << k;
        }
    }
}

} // namespace
} // namespace stelvane
