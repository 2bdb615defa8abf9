#include "engine/timeresponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace stelvane {
namespace {

using Complex = std::complex<double>;
constexpr double kTwoPi = 2 * std::numbers::pi;

// A stage given by what a designer names: centre f0, Q and peak gain G,
// as H(s) = -G (w0/Q) s / (s^2 + (w0/Q) s + w0^2).
struct Stage {
    double f0, q, gain;
};

StageTerms TermsOf(const Stage& st)
{
    const double w0 = kTwoPi * st.f0;
    return {st.gain / (w0 * st.q), 1, 1 / (w0 * w0), 1 / (w0 * st.q)};
}

// The cascade's response by partial fractions over its poles (all distinct
// here): H(s) = sum r_i / (s - p_i), each input's response summed mode by mode.
double Reference(const std::vector<Stage>& stages, TimeKind kind, double w, double burstEnd, double t)
{
    std::vector<Complex> poles;
    for (const Stage& st : stages) {
        const double w0 = kTwoPi * st.f0, a = w0 / st.q;
        const Complex root = std::sqrt(Complex(a * a / 4 - w0 * w0));
        poles.push_back(-a / 2 + root);
        poles.push_back(-a / 2 - root);
    }
    auto h = [&](Complex s, std::size_t skip) {
        Complex v = 1;
        for (std::size_t i = 0; i < stages.size(); ++i) {
            const double w0 = kTwoPi * stages[i].f0, a = w0 / stages[i].q;
            v *= -stages[i].gain * a * s;
        }
        for (std::size_t j = 0; j < poles.size(); ++j)
            if (j != skip) v /= s - poles[j];
        return v;
    };
    double y = 0;
    const Complex jw(0, w);
    for (std::size_t i = 0; i < poles.size(); ++i) {
        const Complex p = poles[i], r = h(p, i);
        if (kind == TimeKind::Impulse) y += (r * std::exp(p * t)).real();
        if (kind == TimeKind::Step) y += (r * (std::exp(p * t) - 1.0) / p).real();
        if (kind == TimeKind::Burst) {
            const double u = std::min(t, burstEnd);
            const Complex upTo =
                ((std::exp(jw * u) - std::exp(p * u)) / (jw - p) - (std::exp(-jw * u) - std::exp(p * u)) / (-jw - p)) /
                Complex(0, 2);
            y += (r * upTo * std::exp(p * (t - u))).real();
        }
    }
    return y;
}

// The closed forms of one stage: step -(k/wd) e^(-st) sin(wd t), impulse
// -k e^(-st) (cos wd t - (s/wd) sin wd t), k = G w0/Q, s = w0/2Q; wd is
// imaginary for Q below 1/2 and the sines become hyperbolic.
double ClosedForm(const Stage& st, TimeKind kind, double t)
{
    const double w0 = kTwoPi * st.f0, k = st.gain * w0 / st.q, sigma = w0 / (2 * st.q);
    const Complex wd = std::sqrt(Complex(w0 * w0 - sigma * sigma));
    const Complex y =
        kind == TimeKind::Step ? -k / wd * std::sin(wd * t) : -k * (std::cos(wd * t) - sigma / wd * std::sin(wd * t));
    return y.real() * std::exp(-sigma * t);
}

TEST(TimeResponse, SamplesAgreeWithPartialFractionsAndClosedForms)
{
    const struct {
        const char* name;
        std::vector<Stage> stages;
        TimeKind kind;
        double burstFreq;
        int cycles;
    } cases[] = {
        {"one stage step", {{1000, 5, 2}}, TimeKind::Step, 0, 0},
        {"one stage impulse", {{1000, 5, 2}}, TimeKind::Impulse, 0, 0},
        {"overdamped stage step", {{300, 0.3, 1}}, TimeKind::Step, 0, 0},
        {"overdamped stage impulse", {{300, 0.3, 1}}, TimeKind::Impulse, 0, 0},
        {"narrow stage burst", {{1000, 20, 1}}, TimeKind::Burst, 1000, 30},
        {"two stages step", {{931.6, 7.09, 1.418}, {1073.4, 7.09, 1.418}}, TimeKind::Step, 0, 0},
        {"three stages impulse", {{800, 4, 1}, {1000, 2, 0.5}, {1250, 4, 3}}, TimeKind::Impulse, 0, 0},
        {"three stages burst off centre", {{800, 4, 1}, {1000, 2, 0.5}, {1250, 4, 3}}, TimeKind::Burst, 1130, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<StageTerms> terms;
        for (const Stage& st : c.stages) terms.push_back(TermsOf(st));
        TimeRequest request;
        request.kind = c.kind;
        request.burstFreq = c.burstFreq;
        request.burstCycles = c.cycles;
        request.points = 3001;
        const TimeResponse r = ComputeTimeResponse(terms.data(), int(terms.size()), request, 1000);
        ASSERT_TRUE(r.problem.empty()) << r.problem;
        ASSERT_EQ(r.v.size(), 3001u);
        const double w = kTwoPi * c.burstFreq, end = c.cycles / std::max(c.burstFreq, 1.0);
        double peak = 0, worst = 0, worstClosed = 0;
        for (std::size_t k = 0; k < r.t.size(); ++k) peak = std::max(peak, std::abs(r.v[k]));
        for (std::size_t k = 0; k < r.t.size(); ++k) {
            worst = std::max(worst, std::abs(r.v[k] - Reference(c.stages, c.kind, w, end, r.t[k])));
            if (c.stages.size() == 1 && c.kind != TimeKind::Burst)
                worstClosed = std::max(worstClosed, std::abs(r.v[k] - ClosedForm(c.stages[0], c.kind, r.t[k])));
        }
        EXPECT_LT(worst, 1e-9 * peak);
        EXPECT_LT(worstClosed, 1e-9 * peak);
        // the default span is long enough to settle to 0.1% of the peak
        EXPECT_LE(std::abs(r.v.back()), 1e-3 * peak);
    }
}

// The figures are read off the samples as they are defined.
TEST(TimeResponse, FiguresAreThoseOfTheSamples)
{
    const struct {
        const char* name;
        Stage stage;
        TimeKind kind;
        double share;
    } cases[] = {
        {"step, 1%", {1000, 5, 2}, TimeKind::Step, 0.01},
        {"impulse, 5%", {500, 12, 1}, TimeKind::Impulse, 0.05},
        {"burst, 0.2%", {2000, 20, 1.5}, TimeKind::Burst, 0.002},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const StageTerms terms = TermsOf(c.stage);
        TimeRequest request;
        request.kind = c.kind;
        request.burstCycles = 200;
        request.settleShare = c.share;
        const TimeResponse r = ComputeTimeResponse(&terms, 1, request, c.stage.f0);
        const TimeFigures& f = r.figures;
        double peak = 0, opposite = 0;
        for (const double v : r.v) peak = std::max(peak, std::abs(v));
        EXPECT_EQ(std::abs(f.peak), peak);
        for (const double v : r.v)
            if (std::signbit(v) != std::signbit(f.peak)) opposite = std::max(opposite, std::abs(v));
        // settled from a sample on: it and all after within the share, the one before outside
        for (const auto& [share, settled] : {std::pair{0.01, f.settlingTime}, {c.share, f.shareSettlingTime}}) {
            std::size_t k = 0;
            while (k < r.t.size() && r.t[k] < settled) ++k;
            ASSERT_LT(k, r.t.size());
            ASSERT_GT(k, 0u);
            EXPECT_GT(std::abs(r.v[k - 1]), share * peak);
            for (std::size_t j = k; j < r.v.size(); ++j) ASSERT_LE(std::abs(r.v[j]), share * peak);
        }
        const double sigma = kTwoPi * c.stage.f0 / (2 * c.stage.q);
        if (c.kind == TimeKind::Burst) {
            // a long burst at the centre reaches the stage's gain without overshoot;
            // its envelope rises as 1 - e^(-st) and decays as e^(-st): ln 9 / s from 10% to 90%
            EXPECT_NEAR(r.steadyAmplitude, c.stage.gain, 1e-6);
            EXPECT_NEAR(f.overshootPct, 0, 1.5);  // the samples miss the crests by up to 1 - cos(pi/20)
            EXPECT_NEAR(f.riseTime, std::log(9) / sigma, 1 / c.stage.f0);
            EXPECT_NEAR(f.decayTime, std::log(9) / sigma, 1 / c.stage.f0);
        } else {
            EXPECT_DOUBLE_EQ(f.overshootPct, 100 * opposite / peak);
            // a ringing stage swings back by about e^(-s pi / wd) of its first swing
            EXPECT_NEAR(f.overshootPct, 100 * std::exp(-sigma * std::numbers::pi / (kTwoPi * c.stage.f0)), 15);
        }
    }
}

}  // namespace
}  // namespace stelvane
