#include "engine/noise.h"

#include <algorithm>
#include <cmath>

#include "engine/cascade.h"

namespace stelvane {

namespace {

// The opamp's figures as typed: nV/rtHz and pA/rtHz.
constexpr double kNanovolt = 1e-9;
constexpr double kPicoampere = 1e-12;

// One stage as the noise sees it: its parts and the terms of its ideal-opamp
// response H = -j w r3c1 / ((a - w^2 b) + j w d).
struct NoiseStage {
    int stage;
    double r1, r2, r3, c1, c2;
    double a, b, d, r3c1;
    double g1, g12, g3;  // 1/R1, 1/R1 + 1/R2, 1/R3: the specified opamp's nodal equations take them
};

bool UsablePart(double v) { return v != 0 && std::isfinite(v); }

std::vector<NoiseStage> StagesOf(const DesignState& s, PartsType parts)
{
    std::vector<NoiseStage> stages;
    const ResArray& r = parts == PartsType::Specified ? s.Rs : s.R;
    for (int k = 1; k <= StageCount(s); ++k) {
        const double r1 = r[k][1], r2 = r[k][2], r3 = r[k][3], c1 = s.C[k][1], c2 = s.C[k][2];
        if (!(UsablePart(r1) && UsablePart(r2) && UsablePart(r3) && UsablePart(c1) && UsablePart(c2))) continue;
        stages.push_back({k, r1, r2, r3, c1, c2, 1 + r1 / r2, r1 * r3 * c1 * c2, r1 * (c1 + c2), r3 * c1, 1 / r1,
            1 / r1 + 1 / r2, 1 / r3});
    }
    return stages;
}

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

// The squared transfers of a stage's three kinds of source to its output at
// one frequency: h2 for a voltage in series with R1 (the signal's |H|^2; R2's
// is h2 (R1/R2)^2), z2 for a current into the inverting input (R3's noise,
// the opamp's in), e2 for the opamp's en.
struct Transfers {
    double h2, z2, e2;
};

// With an ideal opamp the inverting input is a virtual ground, and the
// stage's nodal equations give H = -j w r3c1 / D, the current's -R3 (a + j w d) / D
// and en's 1 - a H = (D + j w r3c1 a) / D, with D = a - w^2 b + j w d.
inline Transfers IdealTransfers(const NoiseStage& t, double w2)
{
    const double reD = t.a - w2 * t.b;
    const double inv = 1 / (reD * reD + w2 * t.d * t.d);
    const double imE = t.d + t.r3c1 * t.a;
    return {w2 * t.r3c1 * t.r3c1 * inv, t.r3 * t.r3 * (t.a * t.a + w2 * t.d * t.d) * inv,
        (reD * reD + w2 * imE * imE) * inv};
}

// Complex arithmetic in plain doubles: std::complex's product guards
// against infinities at a cost the sweep cannot afford.
struct Cx {
    double re, im;
    Cx operator+(Cx o) const { return {re + o.re, im + o.im}; }
    Cx operator-(Cx o) const { return {re - o.re, im - o.im}; }
    Cx operator*(Cx o) const { return {re * o.re - im * o.im, re * o.im + im * o.re}; }
    double Norm() const { return re * re + im * im; }
};

// The single-pole opamp A = DCGain / (1 + j f DCGain / GBW) with Zin across
// its inputs: the inverting input is no longer a virtual ground. The nodal
// equations of the junction (admittance ga) and of the inverting input (gn),
// with the output A (e - vn), have the determinant det = ga gn - w^2 c1 (c2 A - c1);
// then H = -A j w c1 / (R1 det), the current's -A ga / det and en's
// A (ga (j w c1 + 1/R3) + w^2 c1^2) / det. The noise of Zin and of the
// model's pole is not counted: they are the model's, not a real opamp's.
// The opamp at one frequency, the same for every stage: w, A and |A|^2.
struct OpampPoint {
    double w;
    Cx gain;
    double gain2;
};

inline Transfers SpecifiedTransfers(const NoiseStage& t, const OpampPoint& o, double zinConductance)
{
    const double w = o.w;
    const Cx ga{t.g12, w * (t.c1 + t.c2)};
    const Cx gn{(1 + o.gain.re) * t.g3 + zinConductance, w * t.c1 + o.gain.im * t.g3};
    const double w2c1 = w * w * t.c1;
    const Cx det = ga * gn - Cx{w2c1 * (t.c2 * o.gain.re - t.c1), w2c1 * t.c2 * o.gain.im};
    const double common = o.gain2 / det.Norm();
    const Cx en = ga * Cx{t.g3, w * t.c1} + Cx{w2c1 * t.c1, 0};
    const double jwc1g1 = w * t.c1 * t.g1;
    return {common * jwc1g1 * jwc1g1, common * ga.Norm(), common * en.Norm()};
}

// The cascade at the points freq[0..n): the output density squared at each,
// the largest |H|^2 of the whole cascade, and, where weights are given, each
// stage's and source's power weighted by them and summed.
struct CascadeNoise {
    std::vector<double> power;
    double largestGain2 = 0;
    std::vector<std::array<double, kNoiseSources>> shares;
};

// Stage by stage from the last back: what follows a stage carries its
// noise to the output. R1 and R2 share one transfer, R3 and in another, so
// three weighted sums per stage give all five shares.
template <class Transfer>
CascadeNoise RunStages(const std::vector<NoiseStage>& stages, const SourceLevels& l, std::size_t n,
    const std::vector<double>* weights, Transfer transfer)
{
    CascadeNoise out;
    out.power.assign(n, 0);
    std::vector<double> following(n, 1);
    for (std::size_t i = stages.size(); i-- > 0;) {
        const NoiseStage& t = stages[i];
        const double ratio = t.r1 / t.r2;
        const double kh = l.fourKT * (std::fabs(t.r1) + std::fabs(t.r2) * ratio * ratio);
        const double kz = l.fourKT / std::fabs(t.r3) + l.in2;
        double sh = 0, sz = 0, se = 0;
        for (std::size_t p = 0; p < n; ++p) {
            const Transfers x = transfer(t, p);
            const double f = following[p];
            out.power[p] += (kh * x.h2 + kz * x.z2 + l.en2 * x.e2) * f;
            if (weights) {
                const double wf = (*weights)[p] * f;
                sh += wf * x.h2, sz += wf * x.z2, se += wf * x.e2;
            }
            following[p] = f * x.h2;
        }
        if (weights) {
            const double hPart = l.fourKT * sh;
            out.shares.push_back({hPart * std::fabs(t.r1), hPart * std::fabs(t.r2) * ratio * ratio,
                l.fourKT / std::fabs(t.r3) * sz, l.en2 * se, l.in2 * sz});
        }
    }
    std::reverse(out.shares.begin(), out.shares.end());
    if (!stages.empty())
        for (double g : following)
            if (std::isfinite(g)) out.largestGain2 = std::max(out.largestGain2, g);
    return out;
}

CascadeNoise RunCascade(
    const DesignState& s, PartsType parts, const double* freq, std::size_t n, const std::vector<double>* weights)
{
    const std::vector<NoiseStage> stages = StagesOf(s, parts);
    const SourceLevels levels = LevelsOf(s);
    std::vector<double> w(n);
    for (std::size_t p = 0; p < n; ++p) w[p] = kCascadeTwoPi * freq[p];
    if (parts == PartsType::Specified) {
        // A = DCGain / (1 + j w DCGain / (2 pi GBW)), worked out once a point.
        const double dcGain = s.DCGain, poleTime = dcGain / (kCascadeTwoPi * s.GBW);
        std::vector<OpampPoint> opamp(n);
        for (std::size_t p = 0; p < n; ++p) {
            const double x = w[p] * poleTime, scale = dcGain / (1 + x * x);
            opamp[p] = {w[p], {scale, -scale * x}, scale * scale * (1 + x * x)};
        }
        const double zinConductance = 1 / static_cast<double>(s.Zin);
        return RunStages(stages, levels, n, weights,
            [&](const NoiseStage& t, std::size_t p) { return SpecifiedTransfers(t, opamp[p], zinConductance); });
    }
    for (double& v : w) v *= v;
    return RunStages(
        stages, levels, n, weights, [&](const NoiseStage& t, std::size_t p) { return IdealTransfers(t, w[p]); });
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
