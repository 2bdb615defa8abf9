#include "engine/opampfigures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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
    EXPECT_EQ(OpampCornerFrequency(*s), 100.0f);  // 10 MHz over 100000
    // The opamp gain at the stage frequency, the gain the stage asks of it (its open-loop noise
    // gain at its centre), and the margin between them.
    for (int k = 1; k <= 2; ++k) {
        SCOPED_TRACE("stage " + std::to_string(k));
        const OpampStageFigures f = OpampFiguresOf(*s, k);
        ASSERT_TRUE(f.opampGain && f.required && f.margin);
        EXPECT_NEAR(*f.opampGain, SinglePoleGainDB(1e5, 100, s->StageF[k]), 1e-9);
        EXPECT_NEAR(*f.margin, *f.opampGain - *f.required, 1e-9);
        const double r1 = s->R[k][1], r2 = s->R[k][2], r3 = s->R[k][3], c1 = s->C[k][1], c2 = s->C[k][2];
        EXPECT_NEAR(*f.required, 20 * std::log10(r3 * (r1 + r2) / (r1 * r2) / (c2 / c1 + 1)), 1e-9);
    }
    for (const double f : {0.1, 100.0, 1e4, 1e8})
        EXPECT_NEAR(OpampGainDB(*s, f), SinglePoleGainDB(1e5, 100, f), 1e-9) << f << " Hz";
    s->GBW = 7e4f;  // q f0 / GBW: 7.089 x 931.6 / 7e4 = 0.094 and 7.089 x 1073.4 / 7e4 = 0.109
    EXPECT_EQ(StagesBeyondGbwCorrection(*s), std::vector<int>{2});
    DesignState d;  // unset opamp figures take the defaults; set ones stay
    d.Zin = 2e6f;
    InstallOpampDefaults(d);
    EXPECT_EQ(std::tuple(d.DCGain, d.GBW, d.Zin), std::tuple(kDefaultDCGain, kDefaultGBW, 2e6f));
}

TEST(OpampFigures, WhatCannotBeHadIsLeftOut)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct Case {
        const char* name;
        double dcGain, gbw, r1;
        bool opamp, required;
    } cases[] = {
        {"no DC gain", 0, 1e7, 1e3, false, true},
        {"negative GBW", 1e5, -1, 1e3, false, true},
        {"no GBW", 1e5, 0, 1e3, false, true},
        {"DC gain not a number", nan, 1e7, 1e3, false, true},
        {"R1 and R2 of 0", 1e5, 1e7, 0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = StartUpDesign();
        s->DCGain = static_cast<Single>(c.dcGain);
        s->GBW = static_cast<Single>(c.gbw);
        s->R[1][1] = static_cast<Single>(c.r1);
        if (c.r1 == 0) s->R[1][2] = 0;
        const OpampStageFigures f = OpampFiguresOf(*s, 1);
        EXPECT_EQ(std::tuple(OpampModelUsable(*s), OpampCornerFrequency(*s) > 0, f.opampGain.has_value()),
            std::tuple(c.opamp, c.opamp, c.opamp));
        EXPECT_EQ(
            std::pair(f.required.has_value(), f.margin.has_value()), std::pair(c.required, c.opamp && c.required));
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
