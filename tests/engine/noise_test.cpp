#include "engine/noise.h"

#include <gtest/gtest.h>

#include <complex>
#include <numbers>

#include "tests/engine/engine_test_support.h"

namespace stelvane {
namespace {

using Complex = std::complex<double>;
constexpr double kK = 1.380649e-23;

// Stage k solved by nodal analysis (junction a, inverting input n, output
// o; the opamp o = A (e - vn), Zin from n to its other input at e) for the
// sources given: vin in series with R1, v2 with R2, a current i into n.
struct Drive {
    Complex vin, v2, i, e;
};
double StagePower(const DesignState& s, PartsType parts, int k, double f, const Drive& d)
{
    const bool specified = parts == PartsType::Specified;
    const auto& rk = specified ? s.Rs[k] : s.R[k];
    const double r[4] = {0, rk[1], rk[2], rk[3]}, c1 = s.C[k][1], c2 = s.C[k][2], dc = s.DCGain,
                 zin = specified ? s.Zin : 1e300;
    const Complex a = specified ? dc / Complex(1, f * dc / s.GBW) : Complex(1e12), jw(0, 2 * std::numbers::pi * f);
    Complex m[3][4] = {{1 / r[1] + 1 / r[2] + jw * (c1 + c2), -jw * c1, -jw * c2, d.vin / r[1] + d.v2 / r[2]},
        {-jw * c1, jw * c1 + 1 / r[3] + 1 / zin, -1 / r[3], d.i + d.e / zin}, {0, a, 1, a * d.e}};
    for (int c = 0; c < 3; ++c)
        for (int row = c + 1; row < 3; ++row)
            for (int j = 3; j >= c; --j) m[row][j] -= m[row][c] / m[c][c] * m[c][j];
    return std::norm(m[2][3] / m[2][2]);
}

// The output noise density squared of the cascade from the nodal solutions:
// each stage's sources on its own output, carried by the stages after it.
double ReferencePower(const DesignState& s, PartsType parts, double f)
{
    const double fourKT = 4 * kK * (s.Bench.TempC + 273.15), en = s.Bench.En * 1e-9, in = s.Bench.In * 1e-12;
    const auto& r = parts == PartsType::Specified ? s.Rs : s.R;
    double total = 0;
    for (int k = 1; k <= s.Order; ++k) {
        auto out = [&](Drive d) { return StagePower(s, parts, k, f, d); };
        double p = fourKT * (r[k][1] * out({1, 0, 0, 0}) + r[k][2] * out({0, 1, 0, 0}) + out({0, 0, 1, 0}) / r[k][3]) +
            en * en * out({0, 0, 0, 1}) + in * in * out({0, 0, 1, 0});
        for (int j = k + 1; j <= s.Order; ++j) p *= StagePower(s, parts, j, f, {1, 0, 0, 0});
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

// Over the band (cut to the sweep), the rms is the integral of a fine
// trapezoid of the density; over the whole of a wide sweep, R1's share of
// one stage of peak gain K, centre f0 and quality Q is 4kT R1 K^2 over the
// noise bandwidth (pi/2) f0/Q.
TEST(Noise, RmsIntegratesTheDensityOverTheBand)
{
    const struct {
        const char* name;
        double start, stop, lo, hi, tempC;
    } cases[] = {
        {"the sweep", 0, 0, 1, 1e6, 27},
        {"beyond both ends, 100 C", 0.1, 1e7, 1, 1e6, 100},
        {"reversed, between points", 1300.2, 700.7, 700.7, 1300.2, 27},
    };
    auto s = testing::StartUpDesign([](DesignInputs& in) {
        in.lblOrderInput = "1", in.txtGain = "20", in.optLog = true, in.optLinear = false;
        in.txtStart = "1", in.txtStop = "1000000", in.txtInts = "2000";
    });
    s->Bench.En = 5, s->Bench.InputLevel = 3;
    const double q = s->StageQActual[1], f0 = s->StageFoActual[1], gain = s->StageGainActual[1];
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        s->Bench.NoiseStart = c.start, s->Bench.NoiseStop = c.stop, s->Bench.TempC = c.tempC;
        const NoiseFigures n = ComputeNoise(*s, PartsType::Ideal);
        EXPECT_DOUBLE_EQ(n.bandStart, c.lo);
        EXPECT_DOUBLE_EQ(n.bandStop, c.hi);
        std::vector<double> fine;
        for (int i = 0; i <= 40000; ++i) fine.push_back(c.lo * std::pow(c.hi / c.lo, i / 40000.0));
        const std::vector<double> d = NoiseDensity(*s, PartsType::Ideal, fine);
        double power = 0;
        for (std::size_t i = 1; i < fine.size(); ++i)
            power += (d[i] * d[i] + d[i - 1] * d[i - 1]) / 2 * (fine[i] - fine[i - 1]);
        EXPECT_NEAR(n.outputRms, std::sqrt(power), 1e-3 * n.outputRms);
        const double r1 = gain * std::sqrt(4 * kK * (c.tempC + 273.15) * s->R[1][1] * std::numbers::pi * f0 / (2 * q));
        EXPECT_NEAR(c.lo == 1 ? n.stages.at(0).sourceRms[0] : r1, r1, 2e-3 * r1);
        double sum = 0;
        for (double share : n.stages.at(0).sourceRms) sum += share * share;
        EXPECT_NEAR(n.outputRms, std::sqrt(sum), 1e-12);
        EXPECT_NEAR(n.passbandGain, gain, 1e-3 * gain);
        EXPECT_NEAR(n.snrDb, 20 * std::log10(3 / std::sqrt(2) * gain / n.outputRms), 0.01);
    }
}

}  // namespace
}  // namespace stelvane
