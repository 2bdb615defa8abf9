#include "engine/noise.h"

#include <gtest/gtest.h>

#include <array>
#include <complex>
#include <numbers>

#include "tests/engine/engine_test_support.h"

namespace stelvane {
namespace {

using Complex = std::complex<double>;
constexpr double kK = 1.380649e-23;

// One stage solved by nodal analysis (junction a, inverting input n, output
// o; the opamp out = A (e - vn), Zin from n to its other input at e) for
// the sources given: vin in series with R1, v2 with R2, a current i into n.
struct Drive {
    Complex vin, v2, i, e;
};
Complex StageOutput(
    double r1, double r2, double r3, double c1, double c2, Complex gain, double zin, double f, const Drive& d)
{
    const Complex s(0, 2 * std::numbers::pi * f);
    std::array<std::array<Complex, 4>, 3> m = {{
        {1 / r1 + 1 / r2 + s * (c1 + c2), -s * c1, -s * c2, d.vin / r1 + d.v2 / r2},
        {-s * c1, s * c1 + 1 / r3 + 1 / zin, -1 / r3, d.i + d.e / zin},
        {0, gain, 1, gain * d.e},
    }};
    for (int c = 0; c < 3; ++c)
        for (int r = c + 1; r < 3; ++r) {
            const Complex f = m[r][c] / m[c][c];
            for (int j = c; j < 4; ++j) m[r][j] -= f * m[c][j];
        }
    Complex x[3];
    for (int r = 2; r >= 0; --r) {
        Complex v = m[r][3];
        for (int j = r + 1; j < 3; ++j) v -= m[r][j] * x[j];
        x[r] = v / m[r][r];
    }
    return x[2];
}

// The output noise density squared of the cascade from the nodal solutions:
// each stage's sources on its own output, carried by the stages after it.
double ReferencePower(const DesignState& s, PartsType parts, double f)
{
    const double fourKT = 4 * kK * (s.Bench.TempC + 273.15), en = s.Bench.En * 1e-9, in = s.Bench.In * 1e-12;
    const bool specified = parts == PartsType::Specified;
    const double dc = s.DCGain;
    const Complex a = specified ? dc / Complex(1, f * dc / s.GBW) : Complex(1e12);
    const double zin = specified ? s.Zin : 1e300;
    double total = 0;
    for (int k = 1; k <= s.Order; ++k) {
        const auto& r = specified ? s.Rs[k] : s.R[k];
        auto out = [&](Drive d) {
            return std::norm(StageOutput(r[1], r[2], r[3], s.C[k][1], s.C[k][2], a, zin, f, d));
        };
        double p = fourKT * (r[1] * out({1, 0, 0, 0}) + r[2] * out({0, 1, 0, 0}) + out({0, 0, 1, 0}) / r[3]) +
            en * en * out({0, 0, 0, 1}) + in * in * out({0, 0, 1, 0});
        for (int j = k + 1; j <= s.Order; ++j) {
            const auto& rj = specified ? s.Rs[j] : s.R[j];
            p *= std::norm(StageOutput(rj[1], rj[2], rj[3], s.C[j][1], s.C[j][2], a, zin, f, {1, 0, 0, 0}));
        }
        total += p;
    }
    return total;
}

TEST(Noise, DensityFollowsTheNodalEquationsOfEveryStageAndSource)
{
    struct Case {
        const char* name;
        double tempC, en, in;
        PartsType parts;
    };
    const Case cases[] = {
        {"resistors", 27, 0, 0, PartsType::Ideal},
        {"en alone", -273.15, 7, 0, PartsType::Ideal},
        {"in alone", -273.15, 0, 2, PartsType::Ideal},
        {"all, hot", 120, 3, 0.5, PartsType::Ideal},
        {"resistors, 1 MHz opamp", 27, 0, 0, PartsType::Specified},
        {"en alone, 1 MHz opamp", -273.15, 7, 0, PartsType::Specified},
        {"in alone, 1 MHz opamp", -273.15, 0, 2, PartsType::Specified},
    };
    auto s = testing::StartUpDesign([](DesignInputs& in) { in.txtGBW = "1000000", in.txtGain = "12"; });
    const std::vector<double> freq = {100, 700, 931.6, 1000, 1073.4, 1400, 20000};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s->Bench.TempC = c.tempC, s->Bench.En = c.en, s->Bench.In = c.in;
        const std::vector<double> density = NoiseDensity(*s, c.parts, freq);
        ASSERT_EQ(density.size(), freq.size());
        for (std::size_t p = 0; p < freq.size(); ++p)
            EXPECT_NEAR(density[p], std::sqrt(ReferencePower(*s, c.parts, freq[p])), 1e-9 * density[p]) << freq[p];
    }
}

// One stage of peak gain K, centre f0 and quality Q passes white noise of
// density v over a bandwidth of (pi/2) f0/Q: the rms at its output is
// v K sqrt(pi f0 / 2Q). The sweep spans six decades around the centre.
TEST(Noise, IntegratedRmsMatchesTheNoiseBandwidthOfOneStage)
{
    struct Case {
        const char* name;
        double tempC, inputLevel;
    };
    const Case cases[] = {{"27 C", 27, 1}, {"100 C, 3 V", 100, 3}};
    auto s = testing::StartUpDesign([](DesignInputs& in) {
        in.lblOrderInput = "1", in.txtGain = "20", in.optLog = true, in.optLinear = false;
        in.txtStart = "1", in.txtStop = "1000000", in.txtInts = "2000";
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s->Bench.TempC = c.tempC, s->Bench.InputLevel = c.inputLevel;
        const NoiseFigures n = ComputeNoise(*s, PartsType::Ideal);
        const double q = s->StageQActual[1], f0 = s->StageFoActual[1], gain = s->StageGainActual[1];
        const double fourKT = 4 * kK * (c.tempC + 273.15);
        // R1 passes as the signal; R2's and R3's transfers are not bandpass and are left to the density test
        const double r1 = gain * std::sqrt(fourKT * s->R[1][1] * std::numbers::pi * f0 / (2 * q));
        ASSERT_EQ(n.stages.size(), 1u);
        EXPECT_NEAR(n.stages[0].sourceRms[0], r1, 2e-3 * r1);
        EXPECT_NEAR(n.passbandGain, gain, 1e-3 * gain);
        double sum = 0;
        for (double share : n.stages[0].sourceRms) sum += share * share;
        EXPECT_NEAR(n.outputRms, std::sqrt(sum), 1e-12);
        EXPECT_NEAR(n.inputRms, n.outputRms / gain, 1e-3 * n.inputRms);
        EXPECT_NEAR(n.snrDb, 20 * std::log10(c.inputLevel / std::sqrt(2) / n.inputRms), 0.01);
    }
}

// A band inside the sweep takes the part of the integral inside it; one
// beyond the sweep is cut to it.
TEST(Noise, BandCutsTheIntegral)
{
    struct Case {
        const char* name;
        double start, stop, lo, hi;
    };
    const Case cases[] = {
        {"sweep", 0, 0, 500, 2000},
        {"beyond both ends", 10, 1e6, 500, 2000},
        {"upper half, reversed", 2000, 1000, 1000, 2000},
        {"inside, between points", 700.7, 1300.2, 700.7, 1300.2},
    };
    auto s = testing::StartUpDesign();
    s->Bench.En = 5;
    const int points = s->NrInts + 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s->Bench.NoiseStart = c.start, s->Bench.NoiseStop = c.stop;
        const NoiseFigures n = ComputeNoise(*s, PartsType::Ideal);
        EXPECT_DOUBLE_EQ(n.bandStart, c.lo);
        EXPECT_DOUBLE_EQ(n.bandStop, c.hi);
        // the integral by a fine midpoint rule of the density, linear between the sweep's points
        double reference = 0;
        for (int p = 0; p + 1 < points; ++p) {
            const double f0 = s->Freq[p], f1 = s->Freq[p + 1];
            const double p0 = n.density[p] * n.density[p], p1 = n.density[p + 1] * n.density[p + 1];
            constexpr int kSteps = 16;
            for (int i = 0; i < kSteps; ++i) {
                const double t = (i + 0.5) / kSteps, f = f0 + t * (f1 - f0);
                if (f >= c.lo && f <= c.hi) reference += (p0 + t * (p1 - p0)) * (f1 - f0) / kSteps;
            }
        }
        EXPECT_NEAR(n.outputRms, std::sqrt(reference), 2e-3 * n.outputRms);
    }
}

}  // namespace
}  // namespace stelvane
