// Stages that cannot be built, said in words, and the specified opamp's
// resistors for parts as they stand.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "engine/partcheck.h"
#include "engine/stageanalysis.h"
#include "engine/synthesis.h"
#include "tests/engine/engine_test_support.h"

namespace stelvane::testing {
namespace {

TEST(PartCheck, AGainTooHighForTheQIsNamedWithTheQItNeeds)
{
    // One stage at the centre with a gain of 100 (40 dB) and Q = 1000 / 1000 = 1:
    // 2 Q^2 = 2 is far below 100, so R2 comes out negative; it would need Q above sqrt(100 / 2).
    auto s = StartUpDesign();
    s->Order = 1, s->Width = 1000, s->Gain = 40, s->ManualEntry = 0;
    RunDesignChain(*s);
    ASSERT_LT(2 * s->StageQ[1] * s->StageQ[1], s->StageGain[1]);
    EXPECT_EQ(StageFaultOf(*s, 1), StageFault::Negative);
    EXPECT_EQ(UnbuildableStageText(*s, 1), "Stage 1 cannot be built: its gain 100 needs Q above 7.07");
    EXPECT_EQ(FirstStageWith(*s, StageFault::Negative), 1);

    // A buildable design says nothing; a part of 0, a negative capacitor or a
    // part that is not a number are named.
    s->Gain = 0;
    RunDesignChain(*s);
    EXPECT_EQ(UnbuildableStageText(*s, 1), "");
    const struct { Single* part; Single value; StageFault fault; const char* text; } cases[] = {
        {&s->R[1][3], 0, StageFault::Missing, "Stage 1 cannot be built: its R3 is 0"},
        {&s->C[1][2], -1e-9f, StageFault::Negative, "Stage 1 cannot be built: its C2 is negative"},
        {&s->R[1][1], NAN, StageFault::Missing, "Stage 1 cannot be built: its R1 is not a finite value"},
        {&s->Rs[1][2], -5, StageFault::None, ""}, // the ideal set is sound
    };
    for (const auto& c : cases) {
        const Single kept = *c.part;
        *c.part = c.value;
        EXPECT_EQ(StageFaultOf(*s, 1), c.fault) << c.text;
        EXPECT_EQ(UnbuildableStageText(*s, 1), c.text);
        *c.part = kept;
    }
    s->Rs[1][2] = -5;
    EXPECT_EQ(UnbuildableStageText(*s, 1, true).substr(0, 50), "Stage 1 cannot be built for the specified opamp: i");
}

TEST(PartCheck, OnANearlyIdealOpampTheCorrectedPartsAreThePartsForAnyCapacitors)
{
    // The correction inverts the part analysis: with an opamp whose figures
    // change nothing, the parts come back, equal capacitors or not.
    auto s = StartUpDesign();
    s->GBW = s->DCGain = s->Zin = 1e30f;
    s->C[1][2] = 4.7e-9f, s->C[2][1] = 3.3e-8f;
    CorrectPartsForOpamp(*s);
    for (int k = 1; k <= 2; ++k)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(s->Rs[k][j] / s->R[k][j], 1, 2e-6) << k << j;
    // A real opamp lowers the stage frequency by about q f / GBW, which the
    // corrected parts make up by aiming that much higher.
    s->GBW = 1e6f, s->DCGain = 1e5f, s->Zin = 1e6f;
    CorrectPartsForOpamp(*s);
    AnalyzeStageParts(*s);
    for (int k = 1; k <= 2; ++k) {
        const double q = s->StageQActual[k], f = s->StageFoActual[k];
        DesignState corrected = *s;
        corrected.R = s->Rs;
        AnalyzeStageParts(corrected);
        EXPECT_NEAR(corrected.StageFoActual[k] / f, 1 / (1 - q * f / 1e6), 1e-6) << k;
    }
}

} // namespace
} // namespace stelvane::testing
