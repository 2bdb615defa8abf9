#include "engine/exactcorrection.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>

#include "engine/numbertext.h"
#include "engine/response.h"

namespace stelvane {
namespace {

using Complex = std::complex<double>;

// Points over a band: enough to see a tilt or a ripple of the fit.
constexpr int kMissPoints = 64;
constexpr int kFitPoints = 32;
// Lawson's weights have settled by then: thirty rounds gain a hundredth more.
constexpr int kLevellingRounds = 12;
// The cascade's passband as the check against ngspice takes it: the points
// within 3 dB of the peak, found on a scan of this many points.
constexpr double kPassbandDepthDb = 3;
constexpr int kScanPoints = 400;

bool Positive(double v) { return std::isfinite(v) && v > 0; }

// The denominator d3 s^3 + d2 s^2 + d1 s + d0 and numerator factor of the
// stage's transfer function on the single-pole opamp A(s) = A0 / (1 + s/wa):
// H(s) = -A0 wa Zin R2 R3 C1 s / D(s), from the node equations at the joint of
// the capacitors and at the inverting input.
struct StagePolynomial {
    double d3, d2, d1, d0, numerator;
};

struct Stage {
    double c1, c2, a0, wa, zin;

    StagePolynomial Polynomial(const StageResistors& r) const
    {
        const double r1 = r[0], r2 = r[1], r3 = r[2];
        const double shared = c1 * r1 * r2 * r3 + c1 * r1 * r2 * zin + c1 * r1 * r3 * zin + c1 * r2 * r3 * zin +
            c2 * r1 * r2 * r3 + c2 * r1 * r2 * zin;
        return {c1 * c2 * r1 * r2 * r3 * zin, (a0 + 1) * wa * c1 * c2 * r1 * r2 * r3 * zin + shared,
            a0 * wa * zin * r1 * r2 * (c1 + c2) + wa * shared + r1 * r3 + r1 * zin + r2 * r3 + r2 * zin,
            wa * (r1 + r2) * (a0 * zin + r3 + zin), a0 * wa * zin * r2 * r3 * c1};
    }
    Complex OnOpamp(const StageResistors& r, double w) const
    {
        const StagePolynomial d = Polynomial(r);
        const Complex s(0, w);
        return d.numerator * s / (((d.d3 * s + d.d2) * s + d.d1) * s + d.d0);
    }
    Complex Ideal(const StageResistors& r, double w) const
    {
        const Complex s(0, w);
        return s * r[2] * c1 / (s * s * r[0] * r[2] * c1 * c2 + s * r[0] * (c1 + c2) + 1.0 + r[0] / r[1]);
    }
    // The gain on the opamp over the ideal gain, in dB.
    double MissDb(const StageResistors& onOpamp, const StageResistors& ideal, double w) const
    {
        return 20 * std::log10(std::abs(OnOpamp(onOpamp, w)) / std::abs(Ideal(ideal, w)));
    }
};

Stage StageOf(double c1, double c2, const SinglePoleOpamp& o)
{
    return {c1, c2, o.dcGain, 2 * std::numbers::pi * o.gbw / o.dcGain, o.zin};
}

// The k-th of n angular frequencies spread evenly on a log scale over the band.
double BandPoint(FrequencyBand band, int k, int n)
{
    return 2 * std::numbers::pi * band.low * std::pow(band.high / band.low, static_cast<double>(k) / (n - 1));
}

double LargestMissDb(const Stage& st, const StageResistors& r, const StageResistors& ideal, FrequencyBand band)
{
    double worst = 0;
    for (int k = 0; k < kMissPoints; ++k) {
        const double miss = std::abs(st.MissDb(r, ideal, BandPoint(band, k, kMissPoints)));
        if (!(miss <= worst)) worst = miss;  // a NaN is the worst of all
    }
    return worst;
}

// Solves a x = b in place by Gaussian elimination with partial pivoting.
template <std::size_t N>
bool Solve(std::array<std::array<double, N>, N>& a, std::array<double, N>& b)
{
    for (std::size_t col = 0; col < N; ++col) {
        std::size_t pivot = col;
        for (std::size_t row = col + 1; row < N; ++row)
            if (std::abs(a[row][col]) > std::abs(a[pivot][col])) pivot = row;
        if (!(std::abs(a[pivot][col]) > 0)) return false;
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        for (std::size_t row = col + 1; row < N; ++row) {
            const double f = a[row][col] / a[col][col];
            for (std::size_t k = col; k < N; ++k) a[row][k] -= f * a[col][k];
            b[row] -= f * b[col];
        }
    }
    for (std::size_t row = N; row-- > 0;) {
        for (std::size_t k = row + 1; k < N; ++k) b[row] -= a[row][k] * b[k];
        b[row] /= a[row][row];
    }
    return std::all_of(b.begin(), b.end(), [](double v) { return std::isfinite(v); });
}

StageResistors FromLogs(const double* x) { return {std::exp(x[0]), std::exp(x[1]), std::exp(x[2])}; }

// The stage's poles on the opamp: D(s) = d3 (s + p)(s^2 + e s + g), p the
// real root farthest left (the opamp's own), the pair w^2 = g, w/Q = e; and
// the gain the pair gives at its own centre, N / (d3 e |j w + p|).
struct PolePair {
    double w, q, gain;
};

std::optional<PolePair> PairOf(const Stage& st, const StageResistors& r)
{
    const StagePolynomial d = st.Polynomial(r);
    const double a = d.d2 / d.d3, b = d.d1 / d.d3, c = d.d0 / d.d3;
    // Left of every root (they sum to -a) and concave up to the leftmost, the
    // cubic leads Newton to that root from -a without overshooting.
    double x = -a;
    for (int iteration = 0; iteration < 200; ++iteration) {
        const double f = ((x + a) * x + b) * x + c, slope = (3 * x + 2 * a) * x + b;
        const double step = f / slope;
        x -= step;
        if (!(std::abs(step) > 1e-15 * std::abs(x))) break;
    }
    // c = -x g and b = g - x e give the pair without the cancellation of a + x
    // when the opamp's pole lies far beyond a narrow pair; a + x serves otherwise.
    const double g = -c / x, viaB = (g - b) / x, viaA = a + x;
    const double e = std::abs(a / viaA) < std::max(std::abs(b), g) / std::abs(g - b) ? viaA : viaB;
    if (!(e > 0 && g > 0 && x < 0)) return std::nullopt;
    const double w = std::sqrt(g);
    return PolePair{w, w / e, d.numerator / (d.d3 * e * std::hypot(w, x))};
}

// The dominant pole pair and the centre gain of the ideal stage on the opamp:
// Newton on the logarithms of R1, R2, R3 (so they stay positive), each
// residual a logarithm too, so that all three weigh alike.
std::optional<StageResistors> MatchPolePair(const Stage& st, const StageResistors& ideal, const StageResistors& start)
{
    const double r1 = ideal[0], r2 = ideal[1], r3 = ideal[2], c1 = st.c1, c2 = st.c2;
    const double w0 = std::sqrt((1 / r1 + 1 / r2) / (r3 * c1 * c2));
    const double q = std::sqrt(r3 / r1 + r3 / r2) / (std::sqrt(c1 / c2) + std::sqrt(c2 / c1));
    const double gain = r3 * c1 / (r1 * (c1 + c2));
    using Vector = std::array<double, 3>;
    const auto residuals = [&](const Vector& x, Vector& out) {
        const std::optional<PolePair> pair = PairOf(st, FromLogs(x.data()));
        if (!pair) return HUGE_VAL;
        out = {std::log(pair->w / w0), std::log(pair->q / q), std::log(pair->gain / gain)};
        const double norm = out[0] * out[0] + out[1] * out[1] + out[2] * out[2];
        return std::isfinite(norm) ? norm : HUGE_VAL;
    };
    Vector x{std::log(start[0]), std::log(start[1]), std::log(start[2])}, f{};
    double norm = residuals(x, f);
    for (int iteration = 0; iteration < 100 && norm < HUGE_VAL; ++iteration) {
        if (norm < 1e-24) break;
        std::array<Vector, 3> jacobian{};
        for (std::size_t k = 0; k < 3; ++k) {
            Vector moved = x, g{};
            moved[k] += 1e-7;
            if (residuals(moved, g) == HUGE_VAL) return std::nullopt;
            for (std::size_t row = 0; row < 3; ++row) jacobian[row][k] = (g[row] - f[row]) / 1e-7;
        }
        Vector step = f;
        if (!Solve(jacobian, step)) return std::nullopt;
        // Halved until the residuals shrink: a full step can leave the pair behind.
        double length = 1;
        for (; length > 1e-6; length /= 2) {
            const Vector tried{x[0] - length * step[0], x[1] - length * step[1], x[2] - length * step[2]};
            Vector g{};
            if (const double next = residuals(tried, g); next < norm) {
                x = tried, f = g, norm = next;
                break;
            }
        }
        if (!(length > 1e-6)) break;  // as near as rounding lets it come
    }
    // Nearer than a millionth of a dB or of the pair's place; the band decides the rest.
    if (norm < 1e-14) return FromLogs(x.data());
    return std::nullopt;
}

// The least-squares fit of the gain in dB over the band (Levenberg-Marquardt
// on the logarithms of the resistors): where the opamp's pole is near, a pair
// a little off the ideal one makes up for the tilt that pole gives the band.
using FitWeights = std::array<double, kFitPoints>;

// The fit's points over the band and the ideal stage's gain in dB at each,
// which stay as they are while the resistors move.
class FitTarget {
public:
    FitTarget(const Stage& st, const StageResistors& ideal, FrequencyBand band)
    {
        for (int k = 0; k < kFitPoints; ++k) {
            w_[k] = BandPoint(band, k, kFitPoints);
            idealDb_[k] = 10 * std::log10(std::norm(st.Ideal(ideal, w_[k])));
        }
    }
    // The misses in dB of the stage with r on the opamp at the points.
    void Misses(const Stage& st, const StageResistors& r, FitWeights& out) const
    {
        const StagePolynomial d = st.Polynomial(r);
        for (int k = 0; k < kFitPoints; ++k) {
            const Complex s(0, w_[k]);
            out[k] =
                10 * std::log10(std::norm(d.numerator * s / (((d.d3 * s + d.d2) * s + d.d1) * s + d.d0))) - idealDb_[k];
        }
    }

private:
    FitWeights w_{}, idealDb_{};
};

StageResistors FitBand(const Stage& st, const FitTarget& target, const StageResistors& start, const FitWeights& weight)
{
    using Vector = FitWeights;
    const auto residuals = [&](const std::array<double, 3>& x, Vector& out) {
        target.Misses(st, FromLogs(x.data()), out);
        double sum = 0;
        for (int k = 0; k < kFitPoints; ++k) {
            out[k] *= weight[k];
            sum += out[k] * out[k];
        }
        return std::isfinite(sum) ? sum : HUGE_VAL;
    };
    std::array<double, 3> x{std::log(start[0]), std::log(start[1]), std::log(start[2])};
    Vector f{};
    double cost = residuals(x, f), damping = 1e-3;
    bool settled = false;  // the last step gained less than a millionth
    for (int iteration = 0; iteration < 50 && !settled; ++iteration) {
        std::array<Vector, 3> jacobian{};
        for (std::size_t j = 0; j < 3; ++j) {
            std::array<double, 3> moved = x;
            moved[j] += 1e-6;
            residuals(moved, jacobian[j]);
            for (int k = 0; k < kFitPoints; ++k) jacobian[j][k] = (jacobian[j][k] - f[k]) / 1e-6;
        }
        std::array<std::array<double, 3>, 3> normal{};
        std::array<double, 3> gradient{};
        for (std::size_t i = 0; i < 3; ++i) {
            for (int k = 0; k < kFitPoints; ++k) gradient[i] += jacobian[i][k] * f[k];
            for (std::size_t j = 0; j < 3; ++j)
                for (int k = 0; k < kFitPoints; ++k) normal[i][j] += jacobian[i][k] * jacobian[j][k];
        }
        bool improved = false;
        while (!improved && damping < 1e6) {
            auto a = normal;
            auto step = gradient;
            for (std::size_t i = 0; i < 3; ++i) a[i][i] *= 1 + damping;
            if (!Solve(a, step)) break;
            std::array<double, 3> tried{x[0] - step[0], x[1] - step[1], x[2] - step[2]};
            Vector g{};
            const double next = residuals(tried, g);
            if (next < cost) {
                settled = next > cost * (1 - 1e-6);
                x = tried, f = g, cost = next, damping = std::max(damping / 10, 1e-9);
                improved = true;
            } else {
                damping *= 10;
            }
        }
        if (!improved) break;
    }
    return FromLogs(x.data());
}

// The stage's own 3 dB band, which lies geometrically about its centre.
FrequencyBand OwnBand(const StageResistors& r, double c1, double c2)
{
    const double f0 = std::sqrt((1 / r[0] + 1 / r[1]) / (r[2] * c1 * c2)) / (2 * std::numbers::pi);
    const double q = std::sqrt(r[2] / r[0] + r[2] / r[1]) / (std::sqrt(c1 / c2) + std::sqrt(c2 / c1));
    const double half = 1 / (2 * q), middle = std::sqrt(1 + half * half);
    return {f0 * (middle - half), f0 * (middle + half)};
}

bool SoundParts(const DesignState& s, int k, const StageResistors& r)
{
    return Positive(r[0]) && Positive(r[1]) && Positive(r[2]) && Positive(s.C[k][1]) && Positive(s.C[k][2]);
}

StageResistors Parts(const std::array<Single, 4>& r) { return {r[1], r[2], r[3]}; }

// The band the cascade must hold on the opamp: its points within 3 dB of the
// peak, widened to the scan's next point on either side. The scan covers the
// own bands of the stages that are a circuit and an octave beyond.
std::optional<FrequencyBand> CascadeBand(const DesignState& s)
{
    const int n = StageCount(s);
    double low = HUGE_VAL, high = 0;
    for (int k = 1; k <= n; ++k) {
        if (!SoundParts(s, k, Parts(s.R[k]))) continue;  // named on its own
        const FrequencyBand own = OwnBand(Parts(s.R[k]), s.C[k][1], s.C[k][2]);
        low = std::min(low, own.low / 2);
        high = std::max(high, own.high * 2);
    }
    if (!(Positive(low) && Positive(high) && high > low)) return std::nullopt;
    std::array<double, kScanPoints> gain{};
    double peak = -HUGE_VAL;
    const FrequencyBand scan{low, high};
    const auto at = [&](int k) { return BandPoint(scan, k, kScanPoints) / (2 * std::numbers::pi); };
    for (int k = 0; k < kScanPoints; ++k) {
        double phase = 0;
        EvaluateCascade(s, at(k), gain[k], phase);
        peak = std::max(peak, gain[k]);
    }
    int first = kScanPoints, last = -1;
    for (int k = 0; k < kScanPoints; ++k)
        if (gain[k] >= peak - kPassbandDepthDb) first = std::min(first, k), last = k;
    if (last < 0) return std::nullopt;
    return FrequencyBand{at(std::max(first - 1, 0)), at(std::min(last + 1, kScanPoints - 1))};
}

bool OpampUsable(const DesignState& s) { return Positive(s.GBW) && Positive(s.DCGain) && Positive(s.Zin); }

std::string Digits(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2g", v);
    return GeneralNumberText(std::strtod(text, nullptr));
}

}  // namespace

double StageMissDb(const StageResistors& onOpamp, const StageResistors& ideal, double c1, double c2,
    const SinglePoleOpamp& opamp, FrequencyBand band)
{
    return LargestMissDb(StageOf(c1, c2, opamp), onOpamp, ideal, band);
}

std::optional<StageResistors> ExactStageResistors(const StageResistors& ideal, double c1, double c2,
    const SinglePoleOpamp& opamp, const StageResistors& start, FrequencyBand band)
{
    const Stage st = StageOf(c1, c2, opamp);
    if (!(Positive(st.wa) && Positive(st.a0) && Positive(st.zin))) return std::nullopt;
    for (double v : {ideal[0], ideal[1], ideal[2], start[0], start[1], start[2], c1, c2})
        if (!Positive(v)) return std::nullopt;
    const FrequencyBand own = OwnBand(ideal, c1, c2);
    const FrequencyBand held{std::min(band.low, own.low), std::max(band.high, own.high)};
    if (!(Positive(held.low) && held.high > held.low)) return std::nullopt;

    const std::optional<StageResistors> pair = MatchPolePair(st, ideal, start);
    if (pair && LargestMissDb(st, *pair, ideal, held) <= kExactStageMissDb) return pair;
    // Where the opamp's pole tilts the band, the least-squares fit of the gain
    // over it; then towards the least largest miss (Lawson): each point's
    // weight grows with its miss until the misses are level. That gains a
    // third or so, so a fit further off is not worth the rounds.
    const FitTarget target(st, ideal, held);
    FitWeights lawson, scale;  // each point's weight, and its square root the fit's residuals take
    lawson.fill(1), scale.fill(1);
    StageResistors fitted = FitBand(st, target, pair.value_or(start), scale);
    const bool inReach = LargestMissDb(st, fitted, ideal, held) <= 2 * kExactStageMissDb;
    for (int round = 0; inReach && round < kLevellingRounds; ++round) {
        FitWeights miss;
        target.Misses(st, fitted, miss);
        double total = 0;
        for (int k = 0; k < kFitPoints; ++k) total += lawson[k] *= std::abs(miss[k]);
        if (!(total > 0 && std::isfinite(total))) break;
        for (int k = 0; k < kFitPoints; ++k) scale[k] = std::sqrt(lawson[k] *= kFitPoints / total);
        fitted = FitBand(st, target, fitted, scale);
    }
    if (LargestMissDb(st, fitted, ideal, held) <= kExactStageMissDb) return fitted;
    return std::nullopt;
}

void ApplyExactCorrection(DesignState& s)
{
    s.ExactMissed = {};
    if (s.Bench.Correction != OpampCorrection::Exact) return;
    const int n = StageCount(s);
    const std::optional<FrequencyBand> band = CascadeBand(s);
    const SinglePoleOpamp opamp{s.DCGain, s.GBW, s.Zin};
    for (int k = 1; k <= n; ++k) {
        const StageResistors ideal = Parts(s.R[k]), firstOrder = Parts(s.Rs[k]);
        std::optional<StageResistors> exact;
        if (band && OpampUsable(s) && SoundParts(s, k, ideal)) {
            // Newton starts from the first-order set, which is near, when it is a circuit.
            const StageResistors start = SoundParts(s, k, firstOrder) ? firstOrder : ideal;
            exact = ExactStageResistors(ideal, s.C[k][1], s.C[k][2], opamp, start, *band);
        }
        const bool stored = exact &&
            std::all_of(exact->begin(), exact->end(), [](double v) { return Positive(static_cast<Single>(v)); });
        if (!stored) {
            s.ExactMissed[k] = 1;
            continue;
        }
        for (int j = 1; j <= 3; ++j) s.Rs[k][j] = static_cast<Single>((*exact)[j - 1]);
    }
}

std::string ExactMissedText(const DesignState& s, int k)
{
    if (k < 1 || k > StageCount(s) || s.ExactMissed[k] == 0) return {};
    std::string why;
    if (!OpampUsable(s)) {
        why = "the opamp needs a GBW, a gain at DC and an input impedance above 0";
    } else if (!SoundParts(s, k, Parts(s.R[k]))) {
        why = "its ideal parts cannot be built";
    } else {
        // What the opamp asks of the stage: its Q times its frequency over the
        // GBW, and, where it is not small, R3 against the input impedance.
        const double load = static_cast<double>(s.StageQActual[k]) * s.StageFoActual[k] / s.GBW;
        const double r3 = s.R[k][3] / s.Zin;
        why = "no positive resistors hold its passband within " + Digits(kExactStageMissDb) +
            " dB on this opamp (q f0/GBW " + Digits(load) + (r3 >= 0.1 ? ", R3/Zin " + Digits(r3) : "") + ")";
    }
    return "Stage " + std::to_string(k) + " has no exact resistors for the specified opamp: " + why +
        "; the first-order ones are kept";
}

}  // namespace stelvane
