// Stages that cannot be built, said in words, and the specified opamp's
// resistors for parts as they stand.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "engine/partcheck.h"
#include "engine/stageanalysis.h"
#include "engine/synthesis.h"
#include "tests/engine/engine_test_support.h"

namespace stelvane::testing {
namespace {

TEST(PartCheck, AStageThatCannotBeBuiltIsSaidToBeSoAndWhy)
{
    // One stage at the centre with a gain of 100 (40 dB) and Q = 1000 / 1000 = 1:
    // 2 Q^2 = 2 is far below 100, so R2 comes out negative; it would need Q above sqrt(100 / 2).
    auto s = StartUpDesign();
    s->Order = 1, s->Width = 1000, s->Gain = 40;
    RunDesignChain(*s);
    EXPECT_TRUE(StageFaultOf(*s, 1) == StageFault::Negative && FirstStageWith(*s, StageFault::Negative) == 1);
    EXPECT_EQ(UnbuildableStageText(*s, 1), "Stage 1 cannot be built: its gain 100 needs Q above 7.07");
    // A buildable stage says nothing; a part of 0 or a negative capacitor is named.
    s->Gain = 0;
    RunDesignChain(*s);
    const struct {
        Single* part;
        Single value;
        StageFault fault;
        const char* text;
    } cases[] = {
        {&s->R[1][2], s->R[1][2], StageFault::None, ""},
        {&s->R[1][3], 0, StageFault::Missing, "Stage 1 cannot be built: its R3 is 0"},
        {&s->C[1][2], -1e-9f, StageFault::Negative, "Stage 1 cannot be built: its C2 is negative"},
    };
    for (const auto& c : cases) {
        const Single kept = std::exchange(*c.part, c.value);
        EXPECT_TRUE(StageFaultOf(*s, 1) == c.fault && UnbuildableStageText(*s, 1) == c.text) << c.text;
        *c.part = kept;
    }
    // the specified opamp's set is named as such
    s->Rs[1][2] = -5;
    EXPECT_EQ(UnbuildableStageText(*s, 1, true),
        "Stage 1 cannot be built for the specified opamp: its gain 1 needs Q above 0.707");
}

TEST(PartCheck, CorrectedPartsInvertTheAnalysisAndAimAboveTheOpampsLoss)
{
    // With an opamp whose figures change nothing the parts come back, equal capacitors or not.
    auto s = StartUpDesign();
    s->GBW = s->DCGain = s->Zin = 1e30f;
    s->C[1][2] = 4.7e-9f, s->C[2][1] = 3.3e-8f;
    CorrectPartsForOpamp(*s);
    for (int k = 1; k <= 2; ++k)
        for (int j = 1; j <= 3; ++j) EXPECT_NEAR(s->Rs[k][j] / s->R[k][j], 1, 2e-6) << k << j;
    // A real opamp lowers a stage's frequency by about q f / GBW; the corrected parts aim that much higher.
    s->GBW = 1e6f;
    CorrectPartsForOpamp(*s);
    AnalyzeStageParts(*s);
    auto corrected = std::make_unique<DesignState>(*s);
    corrected->R = s->Rs;
    AnalyzeStageParts(*corrected);
    for (int k = 1; k <= 2; ++k)
        EXPECT_NEAR(corrected->StageFoActual[k] * (1 - s->StageQActual[k] * s->StageFoActual[k] / 1e6),
            s->StageFoActual[k], 1e-6 * s->StageFoActual[k])
            << k;
}

// The family's own parts are told apart from parts typed or tuned, even when only the R1s are left.
TEST(PartCheck, OnlyTheFamilysOwnPartsAreItsDesign)
{
    auto s = StartUpDesign();
    EXPECT_TRUE(PartsAreFamilyDesign(*s));
    for (int k = 1; k <= 2; ++k) s->R[k][2] = s->R[k][3] = 0;
    EXPECT_FALSE(PartsAreFamilyDesign(*s));
    s->R = {};
    // no parts at all: nothing to tell apart
    EXPECT_TRUE(PartsAreFamilyDesign(*s));
}

}  // namespace
}  // namespace stelvane::testing
