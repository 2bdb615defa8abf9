#include "engine/opampfigures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "tests/engine/engine_test_support.h"

namespace stelvane {
namespace {

using testing::StartUpDesign;

// The single-pole opamp A0 / (1 + j f / fc) in dB, written out independently.
double SinglePoleGainDB(double dcGain, double corner, double f)
{
    return 20 * std::log10(dcGain) - 10 * std::log10(1 + (f / corner) * (f / corner));
}

TEST(OpampFigures, StartUpDesignAgainstTheSinglePoleOpamp)
{
    const auto s = StartUpDesign();
    // 10 MHz over 100000
    EXPECT_EQ(OpampCornerFrequency(*s), 100.0f);
    // The gain a stage asks of the opamp: its open-loop noise gain at its centre. (The opamp's
    // gain there and the margin are checked where the opamp test draws them.)
    for (int k = 1; k <= 2; ++k) {
        const auto required = OpampFiguresOf(*s, k).required;
        const double r1 = s->R[k][1], r2 = s->R[k][2], r3 = s->R[k][3], c1 = s->C[k][1], c2 = s->C[k][2];
        ASSERT_TRUE(required);
        EXPECT_NEAR(*required, 20 * std::log10(r3 * (r1 + r2) / (r1 * r2) / (c2 / c1 + 1)), 1e-9) << "stage " << k;
    }
    for (const double f : {0.1, 100.0, 1e4, 1e8})
        EXPECT_NEAR(OpampGainDB(*s, f), SinglePoleGainDB(1e5, 100, f), 1e-9) << f << " Hz";
    // q f0 / GBW: 7.089 x 931.6 / 7e4 = 0.094 and 7.089 x 1073.4 / 7e4 = 0.109
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
    for (const int k : {0, 22}) EXPECT_FALSE(OpampFiguresOf(*s, k).required) << "stage " << k;
}

TEST(OpampFigures, TestPreparationLowersTheDCGainAndLaysTheDecades)
{
    for (const Single dcGain : {5e6f, 1e7f, 3e7f}) {
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
