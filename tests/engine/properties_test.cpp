// Properties that must hold for every valid design, checked over thousands of
// random designs of every family and order (a fixed seed, so every run sees
// the same designs): the cascade meets the gain asked for at the centre, the
// stages of a conjugate pair sit geometrically symmetric about the centre, and
// a real pole is one stage at the centre.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "engine/response.h"
#include "fuzz/randomdesign.h"

namespace stelvane {
namespace {

using reliability::RandomDesigns;

constexpr int kDesignsPerOrder = 60; // 52 family and order pairs: 3120 designs
constexpr std::uint64_t kSeed = 20240611;
// How far (relative) Single rounding may move a stage frequency or Q. The
// transform works in Single, and the narrower the band the closer its root
// M + sqrt(|M^2 - 1|) comes to cancelling, so digits are lost in proportion
// to the band's Q: over these designs the largest error is about 7 times
// 1e-6 + 1e-7*Q, and the bound below leaves room above that. At Q 100 it is
// still only a hundredth of the bandwidth.
double StageRounding(const DesignState& s)
{
    const double qbp = double(s.Center) / s.Width;
    return 1e-5 + 1e-6 * qbp;
}

struct Family {
    const char* name;
    Integer code;
};
constexpr Family kFamilies[] = {{"Butterworth", 1}, {"Chebyshev", 2}, {"Bessel", 3}};

double GainAt(const DesignState& s, double f)
{
    double gain = 0, phase = 0;
    EvaluateCascade(s, f, gain, phase);
    return gain;
}

// Runs `check` on every random design, family by family and order by order.
template <typename Check>
void ForEveryDesign(Check check)
{
    RandomDesigns designs(kSeed);
    auto s = std::make_unique<DesignState>();
    for (const Family& family : kFamilies) {
        for (Integer order = 1; order <= RandomDesigns::HighestOrder(family.code); ++order) {
            for (int n = 0; n < kDesignsPerOrder; ++n) {
                designs.Next(*s, family.code, order, 10);
                SCOPED_TRACE(designs.Describe(*s));
                ASSERT_EQ(s->Order, order);
                check(*s);
                if (::testing::Test::HasFailure()) return; // one design tells enough
            }
        }
    }
}

TEST(DesignProperties, CascadeGainAtTheCentreIsTheGainAsked)
{
    ForEveryDesign([](const DesignState& s) { EXPECT_NEAR(GainAt(s, s.Center), s.Gain, 0.01); });
}

TEST(DesignProperties, ConjugateStagesSitGeometricallySymmetricAboutTheCentre)
{
    ForEveryDesign([](const DesignState& s) {
        int pairs = 0;
        for (int i = 1; i <= s.Order; ++i) {
            if (s.PoleIm[i] <= 1e-6f) continue; // the upper pole of each pair finds its partner
            for (int j = 1; j <= s.Order; ++j) {
                // the partner's pole is the mirror image, up to Single rounding
                if (j == i || std::fabs(s.PoleRe[j] - s.PoleRe[i]) > 1e-4f * std::fabs(s.PoleRe[i]) ||
                    std::fabs(s.PoleIm[j] + s.PoleIm[i]) > 1e-4f * std::fabs(s.PoleIm[i]))
                    continue;
                ++pairs;
                SCOPED_TRACE("stages " + std::to_string(i) + " and " + std::to_string(j));
                const double geometricMean = std::sqrt(double(s.StageF[i]) * s.StageF[j]);
                EXPECT_NEAR(geometricMean / s.Center, 1.0, StageRounding(s));
                EXPECT_NEAR(s.StageQ[i] / s.StageQ[j], 1.0, StageRounding(s));
                EXPECT_LT(s.StageF[i], s.Center); // the positive imaginary part goes below
                EXPECT_GT(s.StageF[j], s.Center);
            }
        }
        EXPECT_EQ(pairs, s.Order / 2);
    });
}

TEST(DesignProperties, RealPoleIsOneStageAtTheCentre)
{
    ForEveryDesign([](const DesignState& s) {
        for (int i = 1; i <= s.Order; ++i) {
            if (std::fabs(s.PoleIm[i]) > 1e-6f) continue;
            SCOPED_TRACE("stage " + std::to_string(i));
            EXPECT_NEAR(s.StageF[i] / s.Center, 1.0, StageRounding(s));
            const double qbp = double(s.Center) / s.Width;
            EXPECT_NEAR(s.StageQ[i] / (qbp / std::fabs(s.PoleRe[i])), 1.0, StageRounding(s));
        }
    });
}

} // namespace
} // namespace stelvane
