#include "engine/opampfigures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace stelvane {
namespace {

using testing::StartUpDesign;

// The start-up stages ask q f0 / GBW = 7.089 x 931.6 / 7e4 = 0.094 and 7.089 x 1073.4 / 7e4 = 0.109 of
// a 70 kHz opamp: the second passes the limit of the first-order correction. (The opamp's gain, the
// stages' and the margins are checked against the single-pole opamp where the opamp test draws them.)
TEST(OpampFigures, StagesBeyondTheGbwCorrectionAreNamed)
{
    const auto s = StartUpDesign();
    s->GBW = 7e4f;
    EXPECT_EQ(StagesBeyondGbwCorrection(*s), std::vector<int>{2});
}

TEST(OpampFigures, WhatCannotBeHadIsLeftOut)
{
    const struct Case {
        const char* name;
        Single dcGain, gbw, r1;
        bool opamp, required;
    } cases[] = {
        {"no DC gain", 0, 1e7, 1e3, false, true},
        {"no GBW", 1e5, 0, 1e3, false, true},
        {"DC gain not a number", NAN, 1e7, 1e3, false, true},
        {"R1 and R2 of 0", 1e5, 1e7, 0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = StartUpDesign();
        s->DCGain = c.dcGain;
        s->GBW = c.gbw;
        s->R[1][1] = c.r1;
        if (c.r1 == 0) s->R[1][2] = 0;
        const OpampStageFigures f = OpampFiguresOf(*s, 1);
        EXPECT_EQ(
            std::tuple(OpampModelUsable(*s), f.opampGain.has_value(), f.required.has_value(), f.margin.has_value()),
            std::tuple(c.opamp, c.opamp, c.required, c.opamp && c.required));
    }
    const auto s = StartUpDesign();
    for (const int k : {0, 22}) EXPECT_FALSE(OpampFiguresOf(*s, k).required) << k;
}

TEST(OpampFigures, TestPreparationLowersTheDCGainAndLaysTheDecades)
{
    for (const Single dcGain : {5e6f, 3e7f}) {
        auto s = StartUpDesign();
        s->DCGain = dcGain;
        DesignSession(*s).PrepareOpampTest();
        EXPECT_EQ(s->DCGain, std::min(dcGain, 1e7f));
        ASSERT_EQ(s->NrGridX, 10);
        for (int n = 0; n <= 10; ++n) EXPECT_NEAR(s->GridF[n], 0.1 * std::pow(10.0, n), 1e-6 * s->GridF[n]);
    }
}

}  // namespace
}  // namespace stelvane
