#include "engine/exactcorrection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

namespace stelvane {
namespace {

// The stage on the single-pole opamp, straight from its node equations: the
// joint of the capacitors (x) and the inverting input (m), the output being
// -A(s) times the inverting input.
std::complex<double> StageOnOpamp(const StageResistors& r, double c1, double c2, const SinglePoleOpamp& o, double f)
{
    const std::complex<double> s(0, 2 * std::numbers::pi * f);
    const std::complex<double> a = o.dcGain / (1.0 + s * o.dcGain / (2 * std::numbers::pi * o.gbw));
    // (1/R1 + 1/R2 + s C1 + s C2) x - s C1 m - s C2 out = 1/R1, out = -a m
    // -s C1 x + (s C1 + 1/R3 + 1/Zin) m - out/R3 = 0
    const std::complex<double> a11 = 1 / r[0] + 1 / r[1] + s * (c1 + c2), a12 = -s * c1 + s * c2 * a;
    const std::complex<double> a21 = -s * c1, a22 = s * c1 + 1 / r[2] + 1 / o.zin + a / r[2];
    const std::complex<double> m = -a21 / r[0] / (a11 * a22 - a12 * a21);  // Cramer, the input 1 V
    return -a * m;
}

std::complex<double> IdealStage(const StageResistors& r, double c1, double c2, double f)
{
    const std::complex<double> s(0, 2 * std::numbers::pi * f);
    return -s * r[2] * c1 / (s * s * r[0] * r[2] * c1 * c2 + s * r[0] * (c1 + c2) + 1.0 + r[0] / r[1]);
}

// Equal-capacitor parts of a stage at f0 with Q and gain.
StageResistors EqualCapacitorParts(double f0, double q, double gain, double c)
{
    const double w0 = 2 * std::numbers::pi * f0, r3 = 2 * q / (w0 * c);
    return {r3 / (2 * gain), r3 / (4 * q * q - 2 * gain), r3};
}

// The largest gain difference in dB between the stage on the opamp and the
// ideal stage, over the stage's own passband.
double PassbandMissDb(
    const StageResistors& onOpamp, const StageResistors& ideal, double c, const SinglePoleOpamp& o, double f0, double q)
{
    double worst = 0;
    for (int n = 0; n <= 200; ++n) {
        const double f = f0 * (1 + (n - 100) / (200 * q));
        const double miss =
            20 * std::log10(std::abs(StageOnOpamp(onOpamp, c, c, o, f)) / std::abs(IdealStage(ideal, c, c, f)));
        worst = std::max(worst, std::abs(miss));
    }
    return worst;
}

TEST(ExactCorrection, TheStageOnTheOpampIsTheIdealStageOverItsPassband)
{
    const double c = 10e-9, f0 = 10e3;
    for (const double q : {0.7, 5.0, 20.0, 50.0})
        for (const double load : {0.05, 0.25}) {  // q f0 / GBW
            SCOPED_TRACE("Q " + std::to_string(q) + ", q f0/GBW " + std::to_string(load));
            const SinglePoleOpamp opamp{1e5, q * f0 / load, 1e6};
            const StageResistors ideal = EqualCapacitorParts(f0, q, std::min(2.0, 1.8 * q * q), c);
            const auto exact = ExactStageResistors(ideal, c, c, opamp, ideal);
            if (!exact) {
                ADD_FAILURE() << "no solution";
                continue;
            }
            EXPECT_LT(PassbandMissDb(*exact, ideal, c, opamp, f0, q), 0.01);
            EXPECT_GT(PassbandMissDb(ideal, ideal, c, opamp, f0, q), 0.05);  // the opamp alone does miss
        }
}

}  // namespace
}  // namespace stelvane
