// Properties that must hold for every valid design, checked over thousands of
// random designs of every family and order (a fixed seed, so every run sees
// the same designs): the cascade meets the gain asked for at the centre, the
// stages of a conjugate pair sit geometrically symmetric about the centre, and
// a real pole is one stage at the centre.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>

#include "engine/response.h"
#include "fuzz/randomdesign.h"

namespace stelvane {

TEST(DesignProperties, HoldForRandomDesigns)
{
    reliability::RandomDesigns designs(20240611);
    auto s = std::make_unique<DesignState>();
    for (Integer family = 1; family <= 3; ++family) {
        for (Integer order = 1; order <= reliability::RandomDesigns::HighestOrder(family); ++order) {
            for (int n = 0; n < 60 && !HasFailure(); ++n) {  // one design tells enough
                designs.Next(*s, family, order, 10);
                SCOPED_TRACE(designs.Describe(*s));
                double gain = 0, phase = 0, centre = s->Center;
                EvaluateCascade(*s, centre, gain, phase);
                EXPECT_NEAR(gain, s->Gain, 0.01);
                // Single rounding moves a stage frequency or Q in proportion to the band's Q.
                const double tol = 1e-5 + 1e-6 * centre / s->Width;
                int pairs = 0;
                for (int i = 1; i <= order; ++i) {
                    if (std::fabs(s->PoleIm[i]) <= 1e-6f) {  // a real pole: one stage at the centre, of Q Qbp / |re|
                        EXPECT_NEAR(s->StageF[i] / centre, 1.0, tol) << "stage " << i;
                        EXPECT_NEAR(s->StageQ[i] * std::fabs(s->PoleRe[i]) * s->Width / centre, 1.0, tol)
                            << "stage " << i;
                    }
                    for (int j = 1; j <= order && s->PoleIm[i] > 1e-6f; ++j) {
                        // the upper pole's partner is its mirror image, up to Single rounding
                        const std::complex<double> upper(s->PoleRe[i], s->PoleIm[i]),
                            mirror(s->PoleRe[j], -s->PoleIm[j]);
                        if (std::abs(mirror / upper - 1.0) > 1e-4) continue;
                        ++pairs;
                        EXPECT_NEAR(std::sqrt(double(s->StageF[i]) * s->StageF[j]) / centre, 1.0, tol)
                            << "stages " << i << ", " << j;
                        EXPECT_NEAR(s->StageQ[i] / s->StageQ[j], 1.0, tol) << "stages " << i << ", " << j;
                        EXPECT_LT(s->StageF[i], centre) << "stage " << i;  // the positive imaginary part goes below
                    }
                }
                EXPECT_EQ(pairs, order / 2);
            }
        }
    }
}

}  // namespace stelvane
