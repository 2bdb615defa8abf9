#include "engine/noise.h"

#include <algorithm>
#include <cmath>
#include <complex>

#include "engine/cascade.h"

namespace stelvane {

namespace {

// The opamp's figures as typed: nV/rtHz and pA/rtHz.
constexpr double kNanovolt = 1e-9;
constexpr double kPicoampere = 1e-12;

using Complex = std::complex<double>;

// One stage as the noise sees it: its parts and the terms of its ideal-opamp
// response H = -j w r3c1 / ((a - w^2 b) + j w d).
struct NoiseStage {
    int stage;
    double r1, r2, r3, c1, c2;
    double a, b, d, r3c1;
};

bool UsablePart(double v) { return v != 0 && std::isfinite(v); }

std::vector<NoiseStage> StagesOf(const DesignState& s, PartsType parts)
{
    std::vector<NoiseStage> stages;
    const ResArray& r = parts == PartsType::Specified ? s.Rs : s.R;
    for (int k = 1; k <= StageCount(s); ++k) {
        const double r1 = r[k][1], r2 = r[k][2], r3 = r[k][3], c1 = s.C[k][1], c2 = s.C[k][2];
        if (!(UsablePart(r1) && UsablePart(r2) && UsablePart(r3) && UsablePart(c1) && UsablePart(c2))) continue;
        stages.push_back({k, r1, r2, r3, c1, c2, 1 + r1 / r2, r1 * r3 * c1 * c2, r1 * (c1 + c2), r3 * c1});
    }
    return stages;
}

// What every source of a stage puts on its own output at one frequency, in
// V^2/Hz, and the stage's |H|^2 that carries what comes before it.
struct StagePowers {
    std::array<double, kNoiseSources> power;
    double gain2;
};

// The source densities squared: 4kT|R| for the resistors (a negative part
// from an over-ambitious gain is evaluated as the size it has), en^2, in^2.
struct SourceLevels {
    double fourKT, en2, in2;
};

SourceLevels LevelsOf(const DesignState& s)
{
    const double kelvin = std::max(0.0, s.Bench.TempC + kZeroCelsius);
    const double en = std::max(0.0, s.Bench.En) * kNanovolt, in = std::max(0.0, s.Bench.In) * kPicoampere;
    return {4 * kBoltzmann * kelvin, en * en, in * in};
}

// With an ideal opamp the inverting input is a virtual ground. From the
// stage's nodal equations: R1's noise (in series with it) reaches the output
// as the signal does, H; R2's (in series with it) as H R1/R2; a current into
// the inverting input (R3's noise, the opamp's in) as -R3 (a + j w d) / D;
// the opamp's en as 1 - a H.
StagePowers IdealPowers(const NoiseStage& t, const SourceLevels& l, double w)
{
    const double w2 = w * w;
    const double reD = t.a - w2 * t.b, imD = w * t.d;
    const double inv = 1 / (reD * reD + imD * imD);
    const double h2 = w2 * t.r3c1 * t.r3c1 * inv;
    const double z2 = t.r3 * t.r3 * (t.a * t.a + w2 * t.d * t.d) * inv;
    const double imE = w * (t.d + t.r3c1 * t.a);
    const double e2 = (reD * reD + imE * imE) * inv;
    const double ratio = t.r1 / t.r2;
    return {{l.fourKT * std::fabs(t.r1) * h2, l.fourKT * std::fabs(t.r2) * ratio * ratio * h2,
                l.fourKT / std::fabs(t.r3) * z2, l.en2 * e2, l.in2 * z2},
        h2};
}

// The single-pole opamp A = DCGain / (1 + j f DCGain / GBW) with Zin across
// its inputs: the inverting input is no longer a virtual ground, and the
// nodal equations of the junction a and the input n are solved as they
// stand (the noise of Zin and of the model's pole is not counted: they are
// the model's, not a real opamp's).
StagePowers SpecifiedPowers(const NoiseStage& t, const SourceLevels& l, double w, const DesignState& s)
{
    const Complex jw(0, w);
    const double dcGain = s.DCGain;
    const Complex gain = dcGain / (1.0 + jw * (dcGain / (kCascadeTwoPi * s.GBW)));
    const Complex ga = 1 / t.r1 + 1 / t.r2 + jw * (t.c1 + t.c2);
    const Complex gn = jw * t.c1 + (1.0 + gain) / t.r3 + 1 / static_cast<double>(s.Zin);
    const Complex det = ga * gn + jw * t.c1 * (jw * t.c2 * gain - jw * t.c1);
    const double h2 = std::norm(gain * jw * t.c1 / (t.r1 * det));
    const double z2 = std::norm(gain * ga / det);
    const double e2 = std::norm(gain * (ga * (jw * t.c1 + 1 / t.r3) - jw * jw * t.c1 * t.c1) / det);
    const double ratio = t.r1 / t.r2;
    return {{l.fourKT * std::fabs(t.r1) * h2, l.fourKT * std::fabs(t.r2) * ratio * ratio * h2,
                l.fourKT / std::fabs(t.r3) * z2, l.en2 * e2, l.in2 * z2},
        h2};
}

// The cascade at the points freq[0..n): the output density squared at each,
// the largest |H|^2 of the whole cascade, and, where weights are given, each
// stage's and source's power weighted by them and summed.
struct CascadeNoise {
    std::vector<double> power;
    double largestGain2 = 0;
    std::vector<std::array<double, kNoiseSources>> shares;
};

CascadeNoise RunCascade(
    const DesignState& s, PartsType parts, const double* freq, std::size_t n, const std::vector<double>* weights)
{
    const std::vector<NoiseStage> stages = StagesOf(s, parts);
    const SourceLevels levels = LevelsOf(s);
    const bool specified = parts == PartsType::Specified;
    CascadeNoise out;
    out.power.assign(n, 0);
    out.shares.assign(stages.size(), {});
    for (std::size_t p = 0; p < n; ++p) {
        const double w = kCascadeTwoPi * freq[p];
        const double weight = weights ? (*weights)[p] : 0;
        // from the last stage back: what follows a stage carries its noise to the output
        double following = 1, total = 0;
        for (std::size_t i = stages.size(); i-- > 0;) {
            const StagePowers sp =
                specified ? SpecifiedPowers(stages[i], levels, w, s) : IdealPowers(stages[i], levels, w);
            for (int src = 0; src < kNoiseSources; ++src) {
                const double atOutput = sp.power[src] * following;
                total += atOutput;
                out.shares[i][src] += weight * atOutput;
            }
            following *= sp.gain2;
        }
        out.power[p] = total;
        if (!stages.empty() && std::isfinite(following)) out.largestGain2 = std::max(out.largestGain2, following);
    }
    if (!weights) out.shares.clear();
    return out;
}

// The weights of the trapezoid rule over [lo, hi] on the points freq[0..n),
// the density squared taken as linear between neighbouring points: an
// interval cut by the band contributes its part inside.
std::vector<double> TrapezoidWeights(const std::vector<double>& freq, double lo, double hi)
{
    std::vector<double> weights(freq.size(), 0);
    for (std::size_t p = 0; p + 1 < freq.size(); ++p) {
        const double f0 = freq[p], f1 = freq[p + 1];
        if (!(f1 > f0)) continue;
        const double x0 = std::max(f0, lo), x1 = std::min(f1, hi);
        if (!(x1 > x0)) continue;
        // where the cut ends lie along the interval, 0 at f0 and 1 at f1
        const double t0 = (x0 - f0) / (f1 - f0), t1 = (x1 - f0) / (f1 - f0);
        const double half = (x1 - x0) / 2;
        weights[p] += half * (2 - t0 - t1);
        weights[p + 1] += half * (t0 + t1);
    }
    return weights;
}

}  // namespace

const char* NoiseSourceName(int source)
{
    static constexpr const char* kNames[kNoiseSources] = {"R1", "R2", "R3", "en", "in"};
    return source >= 0 && source < kNoiseSources ? kNames[source] : "";
}

std::vector<double> NoiseDensity(const DesignState& s, PartsType parts, const std::vector<double>& freq)
{
    CascadeNoise c = RunCascade(s, parts, freq.data(), freq.size(), nullptr);
    for (double& p : c.power) p = std::sqrt(p);
    return std::move(c.power);
}

NoiseFigures ComputeNoise(const DesignState& s, PartsType parts)
{
    NoiseFigures figures;
    // the sweep's points, none for a count below 0, as every view reads them
    const int points = s.NrInts < 0 ? 0 : std::min<int>(s.NrInts, kMaxPoints) + 1;
    std::vector<double> freq(s.Freq.begin(), s.Freq.begin() + points);
    // the band the sweep spans (a point that is no finite frequency spans nothing)
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (double f : freq)
        if (std::isfinite(f)) lo = std::min(lo, f), hi = std::max(hi, f);
    if (lo > hi) lo = hi = 0;
    if (s.Bench.NoiseStart != 0 || s.Bench.NoiseStop != 0) {
        lo = std::clamp(std::min(s.Bench.NoiseStart, s.Bench.NoiseStop), lo, hi);
        hi = std::clamp(std::max(s.Bench.NoiseStart, s.Bench.NoiseStop), lo, hi);
    }
    figures.bandStart = lo;
    figures.bandStop = hi;
    const std::vector<double> weights = TrapezoidWeights(freq, lo, hi);
    const CascadeNoise c = RunCascade(s, parts, freq.data(), freq.size(), &weights);

    figures.density.resize(c.power.size());
    double total = 0;
    for (std::size_t p = 0; p < c.power.size(); ++p) {
        figures.density[p] = std::sqrt(c.power[p]);
        total += weights[p] * c.power[p];
    }
    figures.outputRms = std::sqrt(total);
    figures.passbandGain = std::sqrt(c.largestGain2);
    figures.inputRms = figures.passbandGain > 0 ? figures.outputRms / figures.passbandGain : 0;
    const double signalRms = s.Bench.InputLevel / std::sqrt(2.0);
    figures.snrDb = 20 * std::log10(signalRms / figures.inputRms);

    const std::vector<NoiseStage> stages = StagesOf(s, parts);
    for (std::size_t i = 0; i < stages.size(); ++i) {
        StageNoise share;
        share.stage = stages[i].stage;
        double stagePower = 0;
        for (int src = 0; src < kNoiseSources; ++src) {
            share.sourceRms[src] = std::sqrt(c.shares[i][src]);
            stagePower += c.shares[i][src];
        }
        share.outputRms = std::sqrt(stagePower);
        figures.stages.push_back(share);
    }
    return figures;
}

}  // namespace stelvane
