#include "engine/poles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>
#include <utility>

#include "tests/engine/bandpass_reference.h"
#include "tests/engine/engine_test_support.h"

namespace stelvane {

using testing::Complex;

using testing::Designed;

// Pole k of each family (the textbook poles of Butterworth and Chebyshev are
// checked where the poles are drawn, the stages they make against an
// independent transform below); nothing is written beyond the stages the
// arrays hold.
TEST(PrototypePoles, ReferenceFigures)
{
    const double pi = std::numbers::pi, r = 0.7071068;
    const struct Case {
        const char* name;
        Integer family, order;
        Single apass;
        int k;
        double re, im;
        Integer orderAfter;
    } cases[] = {
        {"Butterworth 3 middle, residue", 1, 3, 0, 2, -1.0, -4.371139e-8, 3},
        {"Butterworth 40 writes 21", 1, 40, 0, 21, -std::sin(pi / 42), std::cos(41 * pi / 42), 40},
        {"Chebyshev 0 dB", 2, 2, 0, 1, -r, r, 2},
        {"Chebyshev 1e-20 dB", 2, 2, 1e-20f, 1, -r, r, 2},
        {"Chebyshev order -4 writes none", 2, -4, 0.5f, 1, 0, 0, -4},
        {"Bessel 9, real pole third", 3, 9, 0, 3, -6.297019, 0, 9},
        {"Bessel 12 is row 10", 3, 12, 0, 10, -3.108916, -8.232699, 10},
        {"file poles stay, ripple goes", 4, 2, 0.7f, 1, 0, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DesignState s = Designed(c.family, c.order, c.apass);
        // file poles keep no ripple
        const Single apass = c.family == 4 ? 0 : c.apass;
        EXPECT_EQ(std::tuple(s.Order, s.Apass, s.PoleRe[0]), std::tuple(c.orderAfter, apass, 0.0f));
        EXPECT_NEAR(s.PoleRe[c.k], c.re, 1e-4);
        EXPECT_NEAR(s.PoleIm[c.k], c.im, std::abs(c.im) < 1e-6 ? 1e-13 : 1e-4);
        for (int k = std::clamp<int>(s.Order, 0, kMaxStages) + 1; k <= kMaxStages; ++k) EXPECT_EQ(s.PoleRe[k], 0) << k;
    }
}

TEST(PrototypePoles, BesselRowsAreBesselPolynomialRoots)
{
    // Reverse Bessel polynomial: a_k = (2n-k)! / (2^(n-k) k! (n-k)!).
    for (int n = 1; n <= 10; ++n) {
        const DesignState s = Designed(3, static_cast<Integer>(n), 0);
        for (int i = 1; i <= n; ++i) {
            Complex p(s.PoleRe[i], s.PoleIm[i]), value = 0;
            double scale = 0;
            for (int k = 0; k <= n; ++k) {
                const double a =
                    std::tgamma(2 * n - k + 1) / (std::pow(2.0, n - k) * std::tgamma(k + 1) * std::tgamma(n - k + 1));
                value += a * std::pow(p, k), scale += a * std::pow(std::abs(p), k);
            }
            EXPECT_LT(std::abs(value) / scale, 2e-6) << "order " << n << " pole " << p;
            // and its mirror image is a pole too: at high orders the root test alone lets one member of a pair move
            int mirrors = 0;
            for (int j = 1; j <= n; ++j) mirrors += s.PoleRe[j] == s.PoleRe[i] && s.PoleIm[j] == -s.PoleIm[i];
            EXPECT_EQ(mirrors, 1) << n << " " << p;
        }
    }
}

TEST(BandpassTransform, AgreesWithIndependentTransform)
{
    const struct Case {
        Integer family;
        Single apass;
        Integer maxOrder;
    } families[] = {{1, 0, 21}, {2, 0.5f, 21}, {2, 20.0f, 21}, {2, 0.001f, 9}, {3, 0, 10}};
    // From narrow bands to bands far wider than the centre, where a real pole's bandpass roots turn real.
    const std::pair<Single, Single> bands[] = {{1000, 200}, {1000, 20}, {50, 400}, {2e4f, 9e4f}, {1, 1}};
    for (const Case& c : families)
        for (const auto& [center, width] : bands)
            for (Integer order = 1; order <= c.maxOrder; ++order) {
                SCOPED_TRACE(::testing::Message()
                    << c.family << ", " << c.apass << " dB, order " << order << " at " << center << "/" << width);
                const DesignState s = Designed(c.family, order, c.apass, center, width);
                for (int k = 1; k <= order; ++k) {
                    // pairs lie at least 0.07 off the axis
                    const bool real = std::abs(s.PoleIm[k]) < 1e-4;
                    const auto ref = testing::ReferenceSection(s.PoleRe[k], real ? 0 : s.PoleIm[k], center, width);
                    // M + sqrt(M^2 - 1) with M near -1 is carried in Single: the root magnifies
                    // M's rounding by the inverse of the stage's offset from the centre.
                    const double offset = std::abs(std::log(ref.f0 / center));
                    EXPECT_NEAR(s.StageF[k] / ref.f0, 1.0, 2e-6 + (real ? 0 : 4e-7 / offset)) << k;
                    EXPECT_NEAR(s.StageQ[k] / ref.q, 1.0, 1e-4) << k;
                }
            }
}

TEST(BandpassTransform, UnrealisablePolesGiveFiniteInvalidStages)
{
    const struct Case {
        const char* name;
        Single re, im, width;
        double f;
    } cases[] = {
        // On the imaginary axis: an undamped pair at its true bandpass frequency.
        {"on the axis, im > 0", 0, 1, 200, 1000 * (std::sqrt(1.01) - 0.1)},
        {"on the axis, im < 0", 0, -1, 200, 1000 * (std::sqrt(1.01) + 0.1)},
        {"not a number", NAN, 1, 200, 1000},
        {"zero width", -1, 0, 0, 0},
        {"Q beyond Single", -1e-40f, 1, 200, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = 1, s.Center = 1000, s.Width = c.width, s.PoleRe[1] = c.re, s.PoleIm[1] = c.im;
        TransformToBandpass(s);
        const Single qbp = c.width > 0 ? 5.0f : 0.0f;
        EXPECT_EQ(std::tuple(s.StageInvalid[1], s.StageQ[1], s.Qbp), std::tuple(Integer(1), 0.0f, qbp));
        EXPECT_NEAR(s.StageF[1], c.f, 1e-3);
    }
}

}  // namespace stelvane
