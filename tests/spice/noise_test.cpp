// The noise of a cascade simulated in ngspice's noise analysis, with the
// opamps' noise sources the netlist gives them, against the engine's.

#include <gtest/gtest.h>

#include <memory>

#include "spice/verify.h"
#include "tests/engine/engine_test_support.h"

namespace stelvane::testing {
namespace {

TEST(NoiseVerify, NgspiceNoiseAnalysisAgreesWithTheEngine)
{
    const struct {
        const char* name;
        double tempC, en, in;
        OpampModel model;
    } cases[] = {
        {"resistors alone", 27, 0, 0, OpampModel::Ideal},
        {"every source, 85 C", 85, 6, 1.5, OpampModel::Ideal},
        {"en alone, 300 kHz opamp", -40, 12, 0, OpampModel::Specified},
        {"in alone, 300 kHz opamp", 27, 0, 3, OpampModel::Specified},
    };
    const auto s = StartUpDesign([](DesignInputs& in) {
        in.optChebyshev = true, in.optButterworth = false, in.lblOrderInput = "4", in.txtGain = "10";
        in.txtGBW = "300k", in.txtInts = "400";
    });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        s->Bench.TempC = c.tempC, s->Bench.En = c.en, s->Bench.In = c.in;
        const NoiseVerification v = VerifyNoise(*s, c.model);
        ASSERT_TRUE(v.simulated) << v.message;
        EXPECT_TRUE(v.passed) << NoiseAgreementText(v);
        EXPECT_GT(v.points, 100);
        EXPECT_LT(v.maxError, 1e-4) << v.worstFreq;
    }
}

}  // namespace
}  // namespace stelvane::testing
