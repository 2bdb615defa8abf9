// The design simulated in ngspice: the ideal opamp reproduces the engine on
// every family, a planted fault is found at its stage, the specified opamp
// is measured against the ideal design, and what ngspice refuses ends in a
// message, never in a pass.

#include "spice/verify.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "tests/engine/engine_test_support.h"

namespace stelvane::testing {
namespace {

// A design entered as on the design window, swept linearly over two bandwidths
// either side of the centre (not below a tenth of it) in 2000 intervals.
std::unique_ptr<DesignState> Design(
    const char* family, int order, double center, double width, double gbwPerHighestStage = 0)
{
    auto s = std::make_unique<DesignState>(StartUpRecord());
    DesignInputs in = InputsFromRecord(*s);
    in.optButterworth = family[0] == 'B' && family[1] == 'u', in.optBessel = family[1] == 'e',
    in.optChebyshev = family[0] == 'C';
    in.lblOrderInput = std::to_string(order), in.txtApass = "0.5", in.txtInts = "2000";
    in.txtCenter = std::to_string(center), in.txtWidth = std::to_string(width);
    in.txtStart = std::to_string(std::max(center - 2 * width, center / 10));
    in.txtStop = std::to_string(center + 2 * width);
    DesignSession(*s).Enter(in, [](const std::string&) {});
    if (gbwPerHighestStage > 0) {
        in.txtGBW = std::to_string(gbwPerHighestStage * *std::max_element(&s->StageF[1], &s->StageF[order] + 1));
        DesignSession(*s).Enter(in, [](const std::string&) {});
    }
    return s;
}

TEST(Verify, TheIdealOpampReproducesTheEngineOnEveryFamilyAtItsLargestOrder)
{
    const struct {
        const char* family;
        int order;
        double center, width;
    } cases[] = {{"Butterworth", 21, 1000, 200}, {"Chebyshev", 21, 1000, 200}, {"Bessel", 10, 1000, 200},
        {"Chebyshev", 21, 10000, 200},  // band Q 50: stages of Q near 8000
        {"Butterworth", 1, 1000, 200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.family) + " " + std::to_string(c.order) + " at " + std::to_string(c.center));
        const auto s = Design(c.family, c.order, c.center, c.width);
        const Verification v = VerifyDesign(*s, OpampModel::Ideal);
        ASSERT_TRUE(v.simulated) << v.message;
        EXPECT_TRUE(v.passed) << AgreementText(v);
        EXPECT_LE(v.worstGain.maxGainErrorDb, kIdealGainToleranceDb);
        EXPECT_LE(v.worstPhase.maxPhaseErrorDeg, kIdealPhaseToleranceDeg);
        EXPECT_EQ(v.points, 2001);
        EXPECT_EQ(v.stages.size(), std::size_t(c.order));
        // the simulated circuit itself makes the design's gain (0 dB) at the centre
        EXPECT_NEAR(v.freq[1000], c.center, 1e-6);
        EXPECT_NEAR(v.gainDb[1000], 0, 0.01);
        EXPECT_TRUE(AgreementText(v).starts_with("ngspice agrees within "));
    }
}

TEST(Verify, AResistorChangedByOnePercentInTheNetlistIsFoundAtItsStage)
{
    const auto s = Design("Chebyshev", 5, 1000, 200);
    std::string netlist = NetlistText(*s, OpampModel::Ideal);
    const std::size_t line = netlist.find("R3_3 n3 s3 ") + 11, end = netlist.find('\r', line);
    netlist.replace(line, end - line, std::to_string(s->R[3][3] * 1.01));
    const Verification v = CompareWithEngine(*s, OpampModel::Ideal, RunAcAnalysis(netlist, ComparedNodes(*s)));
    ASSERT_TRUE(v.simulated) << v.message;
    EXPECT_FALSE(v.passed);
    EXPECT_EQ(v.worstGain.stage, 3);
    for (const CurveAgreement& stage : v.stages)
        EXPECT_EQ(stage.maxGainErrorDb > 0.01, stage.stage == 3) << "stage " << stage.stage;
    EXPECT_NE(AgreementText(v).find("in stage 3"), std::string::npos) << AgreementText(v);
}

// The opamp correction is first order: with a GBW 100 times the highest stage
// frequency a low-Q design keeps its passband, while the start-up design's
// stages of Q 7 (q f / GBW = 0.07) end 0.47 dB off (0.471 by a separate
// nodal analysis of the same parts).
TEST(Verify, TheSpecifiedOpampIsMeasuredAgainstTheIdealDesignOverThePassband)
{
    const struct {
        const char* name;
        std::unique_ptr<DesignState> s;
        double tolerance;
        bool passes;
        double low, high;
    } cases[] = {{"wide band, stages of Q 1.5", Design("Butterworth", 2, 1000, 1000, 100), 0.1, true, 0, 0.1},
        {"start-up design", Design("Butterworth", 2, 1000, 200, 100), 0.1, false, 0.46, 0.48}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Verification v = VerifyDesign(*c.s, OpampModel::Specified, c.tolerance);
        ASSERT_TRUE(v.simulated) << v.message;
        EXPECT_EQ(v.passed, c.passes) << AgreementText(v);
        EXPECT_TRUE(v.cascade.passbandMaxGainErrorDb >= c.low && v.cascade.passbandMaxGainErrorDb <= c.high)
            << v.cascade.passbandMaxGainErrorDb;
        EXPECT_GE(v.cascade.maxGainErrorDb, v.cascade.passbandMaxGainErrorDb);
    }
}

TEST(Verify, ANetlistNgspiceRefusesOrNoneAtAllEndsInAMessageAndTheNextRunStillWorks)
{
    const auto s = StartUpDesign();
    const std::string good = NetlistText(*s, OpampModel::Ideal);
    auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        return text.replace(text.find(from), from.size(), to);
    };
    const struct {
        std::string netlist, message;
    } cases[] = {{with("R2_1 a1 0 ", "R2_1 a1 0 1k2 bogus "), "ngspice rejected the circuit: Error on line "},
        {with(".ac lin 1001 5.00000000e+02 2.00000000e+03", ".ac lin 1001 2000 500"),
            "ngspice returned no frequencies"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const Verification v = CompareWithEngine(*s, OpampModel::Ideal, RunAcAnalysis(c.netlist, ComparedNodes(*s)));
        EXPECT_FALSE(v.simulated || v.passed);
        EXPECT_TRUE(AgreementText(v).starts_with(c.message)) << AgreementText(v);
        EXPECT_TRUE(VerifyDesign(*s, OpampModel::Ideal).passed);
    }
    auto zero = StartUpDesign();  // no netlist is written for it
    zero->R[2][3] = 0;
    EXPECT_EQ(AgreementText(VerifyDesign(*zero, OpampModel::Ideal)),
        "There is nothing to simulate. Stage 2 cannot be built: its R3 is 0");
}

}  // namespace
}  // namespace stelvane::testing
