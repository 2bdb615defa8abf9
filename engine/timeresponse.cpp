#include "engine/timeresponse.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <charconv>
#include <limits>

#include "engine/numbertext.h"

namespace stelvane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// Samples per cycle of the highest pole (or burst) frequency by default:
// enough for the curve and for its peaks to be seen.
constexpr double kSamplesPerCycle = 20;
constexpr int kLeastDefaultPoints = 1001;
constexpr int kMostDefaultPoints = 200001;
// The default stop: the slowest mode's decay to 0.1%, with room for the
// cascade's build-up, doubled until the samples have settled to 0.1%.
constexpr double kSettleDecades = 6.907755278982137;  // ln(1000)
constexpr double kBuildUpMargin = 1.5;
constexpr int kMostDoublings = 6;
// A cascade with no decaying mode is shown over this many cycles of its centre.
constexpr double kUnsettledCycles = 100;
// The Taylor series is summed for a matrix of 1-norm at most this, then squared back.
constexpr double kTaylorNorm = 0.5;
constexpr int kMostTaylorTerms = 30;

// One stage as two states: x1' = w x2, x2' = -(a/b)/w x1 - (d/b) x2 + (r3c1/b) u,
// and its output -x2; w = sqrt|a/b| keeps both states of a size.
struct StageModel {
    double w, k12, alpha, kappa;
};

StageModel ModelOf(const StageTerms& t)
{
    const double w2 = t.a / t.b;
    double w = std::sqrt(std::abs(w2));
    if (!(w > 0) || !std::isfinite(w)) w = 1;
    return {w, -w2 / w, t.d / t.b, t.r3c1 / t.b};
}

// The stage's poles, roots of s^2 + alpha s + a/b.
std::array<std::complex<double>, 2> PolesOf(const StageModel& m)
{
    const double w2 = -m.k12 * m.w;
    const std::complex<double> root = std::sqrt(std::complex<double>(m.alpha * m.alpha / 4 - w2, 0));
    return {-m.alpha / 2 + root, -m.alpha / 2 - root};
}

// The linear system without input: generator states first, then two per stage.
struct System {
    int n = 0, generators = 0, out = 0;
    std::vector<double> a;      // n x n, row-major
    std::vector<int> rowStart;  // the first row column j reaches (block lower triangular)
};

System BuildSystem(const StageTerms* terms, int count, TimeKind kind, double omega)
{
    System sys;
    sys.generators = kind == TimeKind::Step ? 1 : kind == TimeKind::Burst ? 2 : 0;
    sys.n = sys.generators + 2 * count;
    const int n = sys.n;
    sys.a.assign(static_cast<std::size_t>(n) * n, 0.0);
    auto at = [&](int i, int j) -> double& { return sys.a[static_cast<std::size_t>(i) * n + j]; };
    if (kind == TimeKind::Burst) {
        at(0, 1) = omega;  // s' = omega c, c' = -omega s: s is the sine
        at(1, 0) = -omega;
    }
    sys.rowStart.assign(n, 0);
    for (int j = 0; j < sys.generators; ++j) sys.rowStart[j] = 0;
    for (int k = 0; k < count; ++k) {
        const StageModel m = ModelOf(terms[k]);
        const int i = sys.generators + 2 * k;
        at(i, i + 1) = m.w;
        at(i + 1, i) = m.k12;
        at(i + 1, i + 1) = -m.alpha;
        // the input: the generator's first state, or the stage before's output -x2
        if (k > 0)
            at(i + 1, i - 1) = -m.kappa;
        else if (sys.generators > 0)
            at(i + 1, 0) = m.kappa;
        sys.rowStart[i] = sys.rowStart[i + 1] = i;
    }
    sys.out = n - 1;
    return sys;
}

std::vector<double> Multiply(const std::vector<double>& x, const std::vector<double>& y, int n)
{
    std::vector<double> r(x.size(), 0.0);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) {
            const double xik = x[static_cast<std::size_t>(i) * n + k];
            if (xik == 0) continue;
            for (int j = 0; j < n; ++j)
                r[static_cast<std::size_t>(i) * n + j] += xik * y[static_cast<std::size_t>(k) * n + j];
        }
    return r;
}

// exp(a h), n x n row-major.
std::vector<double> Exponential(const std::vector<double>& a, int n, double h)
{
    double norm = 0;
    for (int j = 0; j < n; ++j) {
        double column = 0;
        for (int i = 0; i < n; ++i) column += std::abs(a[static_cast<std::size_t>(i) * n + j] * h);
        norm = std::max(norm, column);
    }
    const int squarings = norm > kTaylorNorm ? static_cast<int>(std::ceil(std::log2(norm / kTaylorNorm))) : 0;
    const double scale = std::ldexp(h, -squarings);
    std::vector<double> m(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) m[i] = a[i] * scale;
    std::vector<double> sum(a.size(), 0.0), term(a.size(), 0.0);
    for (int i = 0; i < n; ++i)
        sum[static_cast<std::size_t>(i) * n + i] = term[static_cast<std::size_t>(i) * n + i] = 1;
    for (int k = 1; k <= kMostTaylorTerms; ++k) {
        term = Multiply(term, m, n);
        double largest = 0;
        for (std::size_t i = 0; i < term.size(); ++i) {
            term[i] /= k;
            sum[i] += term[i];
            largest = std::max(largest, std::abs(term[i]));
        }
        if (largest < 1e-18) break;
    }
    for (int i = 0; i < squarings; ++i) sum = Multiply(sum, sum, n);
    return sum;
}

// next = phi x over the columns (see Stepper), four columns at a time so
// that each output is loaded and stored once per two stages. Built for
// the processor's widest vectors where it has them.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void StepColumns(int n, const int* start, const double* __restrict columns, const double* __restrict x,
    double* __restrict out)
{
    for (int i = 0; i < n; ++i) out[i] = 0;
    int j = 0;
    for (; j + 3 < n; j += 4) {
        const double x0 = x[j], x1 = x[j + 1], x2 = x[j + 2], x3 = x[j + 3];
        const double* __restrict c0 = columns + static_cast<std::size_t>(j) * n;
        const double* __restrict c1 = c0 + n;
        const double* __restrict c2 = c1 + n;
        const double* __restrict c3 = c2 + n;
        // a later column never reaches a row an earlier one does not
        for (int i = start[j]; i < start[j + 1]; ++i) out[i] += c0[i] * x0;
        for (int i = start[j + 1]; i < start[j + 2]; ++i) out[i] += c0[i] * x0 + c1[i] * x1;
        for (int i = start[j + 2]; i < start[j + 3]; ++i) out[i] += c0[i] * x0 + c1[i] * x1 + c2[i] * x2;
        for (int i = start[j + 3]; i < n; ++i) out[i] += (c0[i] * x0 + c1[i] * x1) + (c2[i] * x2 + c3[i] * x3);
    }
    for (; j < n; ++j) {
        const double* __restrict c = columns + static_cast<std::size_t>(j) * n;
        for (int i = start[j]; i < n; ++i) out[i] += c[i] * x[j];
    }
}

// The step from sample to sample: next = phi x, phi kept by columns, each
// from the first row it reaches, so that the loop runs over contiguous
// numbers with the multiplier fixed.
class Stepper {
public:
    Stepper(const System& sys, const std::vector<double>& phi) : n_(sys.n), start_(sys.rowStart), next_(sys.n)
    {
        columns_.resize(static_cast<std::size_t>(n_) * n_);
        for (int j = 0; j < n_; ++j)
            for (int i = 0; i < n_; ++i)
                columns_[static_cast<std::size_t>(j) * n_ + i] = phi[static_cast<std::size_t>(i) * n_ + j];
    }
    void Step(std::vector<double>& x)
    {
        StepColumns(n_, start_.data(), columns_.data(), x.data(), next_.data()), x.swap(next_);
    }

private:
    int n_;
    std::vector<int> start_;
    std::vector<double> columns_, next_;
};

// |H| of the cascade at f.
double CascadeMagnitude(const StageTerms* terms, int count, double f)
{
    const double w = kCascadeTwoPi * f;
    double m = 1;
    for (int k = 0; k < count; ++k) {
        const StageTerms& t = terms[k];
        m *= std::abs(std::complex<double>(0, -w * t.r3c1) / std::complex<double>(t.a - w * w * t.b, w * t.d));
    }
    return m;
}

// The first sample time from which |v| stays within the share of |peak|.
double SettledFrom(const std::vector<double>& t, const std::vector<double>& v, double limit)
{
    std::size_t k = v.size();
    while (k > 0 && !(std::abs(v[k - 1]) > limit)) --k;
    if (k == v.size()) return kNaN;
    return t[k];
}

constexpr double kPercent = 100;

// A figure to four significant digits; "-" for none.
std::string Figure(double value)
{
    if (!std::isfinite(value)) return "-";
    char buf[40];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 4).ptr);
}

std::string Seconds(double value)
{
    if (!std::isfinite(value)) return "-";
    return Trimmed(FormatEngSmall(static_cast<Single>(value))) + "s";
}

// " at 12.3ms", or that the samples end before it.
std::string SettledAt(double value)
{
    return std::isfinite(value) ? " at " + Seconds(value) : " not within the time shown";
}

}  // namespace

std::vector<std::string> TimeFigureLines(const TimeResponse& r)
{
    const TimeFigures& f = r.figures;
    std::string head = r.kind == TimeKind::Burst
        ? std::to_string(r.burstCycles) + " cycles at " + Trimmed(FormatEng(static_cast<Single>(r.burstFreq))) + "Hz"
        : std::string("Unit ") + TimeKindName(r.kind);
    head += ", " + std::to_string(r.t.size()) + " samples to " + Seconds(r.t.empty() ? 0 : r.t.back());
    if (!r.problem.empty()) return {head, r.problem};
    std::vector<std::string> lines{head};
    lines.push_back("Peak " + Figure(f.peak) + " at " + Seconds(f.peakTime) + "; overshoot " + Figure(f.overshootPct) +
        "%" +
        (r.kind == TimeKind::Burst ? " over the steady amplitude " + Figure(r.steadyAmplitude)
                                   : " (the swing of the other sign, of the peak)"));
    std::string settle = "Settles to 1% of the peak" + SettledAt(f.settlingTime);
    if (r.settleShare != kDefaultSettleShare)
        settle += ", to " + Figure(kPercent * r.settleShare) + "%" + SettledAt(f.shareSettlingTime);
    lines.push_back(settle);
    if (r.kind == TimeKind::Burst)
        lines.push_back("Envelope rise (10-90%) " + Seconds(f.riseTime) + ", decay (90-10%) " + Seconds(f.decayTime));
    return lines;
}

const char* TimeKindName(TimeKind kind)
{
    switch (kind) {
    case TimeKind::Impulse: return "impulse";
    case TimeKind::Burst: return "burst";
    default: return "step";
    }
}

TimeFigures MeasureTimeResponse(const std::vector<double>& t, const std::vector<double>& v, TimeKind kind,
    double steadyAmplitude, double burstEnd, double settleShare)
{
    TimeFigures f;
    if (v.empty() || v.size() != t.size()) return f;
    std::size_t top = 0;
    for (std::size_t k = 1; k < v.size(); ++k)
        if (std::abs(v[k]) > std::abs(v[top])) top = k;
    f.peak = v[top];
    f.peakTime = t[top];
    const double peak = std::abs(f.peak);
    if (kind == TimeKind::Burst) {
        f.overshootPct = steadyAmplitude > 0 ? 100 * (peak / steadyAmplitude - 1) : 0;
    } else {
        double opposite = 0;
        for (const double x : v)
            if (x * f.peak < 0) opposite = std::max(opposite, std::abs(x));
        f.overshootPct = peak > 0 ? 100 * opposite / peak : 0;
    }
    f.settlingTime = SettledFrom(t, v, kDefaultSettleShare * peak);
    f.shareSettlingTime = SettledFrom(t, v, settleShare * peak);
    f.settle01Time = SettledFrom(t, v, 0.001 * peak);
    if (kind != TimeKind::Burst) return f;

    double riseLow = kNaN, riseHigh = kNaN;
    for (std::size_t k = 0; k < v.size() && std::isnan(riseHigh); ++k) {
        if (std::isnan(riseLow) && std::abs(v[k]) >= 0.1 * peak) riseLow = t[k];
        if (std::abs(v[k]) >= 0.9 * peak) riseHigh = t[k];
    }
    f.riseTime = riseHigh - riseLow;
    // the amplitude at the end: the largest |v| from the burst's end on
    std::size_t end = 0;
    while (end < t.size() && t[end] < burstEnd) ++end;
    double atEnd = 0;
    double lastHigh = kNaN, lastLow = kNaN;
    for (std::size_t k = end; k < v.size(); ++k) atEnd = std::max(atEnd, std::abs(v[k]));
    for (std::size_t k = end; k < v.size(); ++k) {
        if (std::abs(v[k]) >= 0.9 * atEnd) lastHigh = t[k];
        if (std::abs(v[k]) >= 0.1 * atEnd) lastLow = t[k];
    }
    f.decayTime = lastLow - lastHigh;
    return f;
}

TimeResponse ComputeTimeResponse(const StageTerms* terms, int count, const TimeRequest& request, double center)
{
    TimeResponse r;
    r.kind = request.kind;
    r.settleShare = request.settleShare;
    if (count < 1) {
        r.problem = "the design has no stage to compute a response of";
        return r;
    }
    const bool burst = request.kind == TimeKind::Burst;
    r.burstFreq = burst ? (request.burstFreq > 0 ? request.burstFreq : center) : 0;
    r.burstCycles = burst ? std::max(1, request.burstCycles) : 0;
    if (burst && !(r.burstFreq > 0 && std::isfinite(r.burstFreq))) {
        r.problem = "the burst needs a frequency above 0";
        return r;
    }
    r.burstEnd = burst ? r.burstCycles / r.burstFreq : 0;
    r.steadyAmplitude = burst ? CascadeMagnitude(terms, count, r.burstFreq) : 0;

    // the slowest decay and the highest frequency among the poles
    double slowest = std::numeric_limits<double>::infinity(), fastest = r.burstFreq * kCascadeTwoPi;
    bool growing = false;
    for (int k = 0; k < count; ++k)
        for (const auto& p : PolesOf(ModelOf(terms[k]))) {
            if (!(p.real() < 0))
                growing = true;
            else
                slowest = std::min(slowest, -p.real());
            fastest = std::max(fastest, std::abs(p));
        }
    if (!std::isfinite(fastest) || !(fastest > 0)) fastest = kCascadeTwoPi * std::max(1.0, center);
    double stop = request.stop;
    const bool defaultStop = !(stop > 0);
    if (defaultStop) {
        stop = growing || !std::isfinite(slowest) ? kUnsettledCycles * kCascadeTwoPi / fastest
                                                  : kBuildUpMargin * kSettleDecades / slowest;
        stop += r.burstEnd;
    }
    const double omega = burst ? kCascadeTwoPi * r.burstFreq : 0;
    const System sys = BuildSystem(terms, count, request.kind, omega);

    for (int attempt = 0;; ++attempt) {
        int points = request.points;
        if (points < kFewestTimePoints) {
            const double wanted = std::ceil(kSamplesPerCycle * stop * fastest / kCascadeTwoPi) + 1;
            points = static_cast<int>(std::clamp(wanted, double(kLeastDefaultPoints), double(kMostDefaultPoints)));
        }
        points = std::min(points, kMaxTimePoints);
        const double h = stop / (points - 1);
        r.t.resize(points);
        r.v.resize(points);
        for (int k = 0; k < points; ++k) r.t[k] = h * k;

        std::vector<double> x(sys.n, 0.0);
        if (request.kind == TimeKind::Step) x[0] = 1;
        if (burst) x[1] = 1;                                                    // the sine starts at 0 and rising
        if (request.kind == TimeKind::Impulse) x[1] = ModelOf(terms[0]).kappa;  // the unit area sets stage 1's x2
        Stepper stepper(sys, Exponential(sys.a, sys.n, h));
        r.v[0] = -x[sys.out];
        // the burst's end: the last sample before it, then a step to the end
        const int beforeEnd = burst ? static_cast<int>(std::min<double>(std::floor(r.burstEnd / h), points - 1)) : -1;
        for (int k = 1; k < points; ++k) {
            if (k == beforeEnd + 1) {
                const double toEnd = r.burstEnd - r.t[k - 1];
                Stepper(sys, Exponential(sys.a, sys.n, toEnd)).Step(x);
                x[0] = x[1] = 0;  // the sine is at a zero: the input simply stops
                Stepper(sys, Exponential(sys.a, sys.n, r.t[k] - r.burstEnd)).Step(x);
            } else {
                stepper.Step(x);
            }
            r.v[k] = -x[sys.out];
        }
        for (const double v : r.v)
            if (!std::isfinite(v)) {
                r.problem = "the response grows beyond any bound: a stage's parts make it unstable";
                break;
            }
        r.figures = MeasureTimeResponse(r.t, r.v, r.kind, r.steadyAmplitude, r.burstEnd, r.settleShare);
        if (!defaultStop || growing || !std::isnan(r.figures.settle01Time) || attempt == kMostDoublings) break;
        stop *= 2;
    }
    if (growing && r.problem.empty())
        r.problem = "a stage's parts leave it without damping: the response never settles";
    return r;
}

TimeResponse ComputeTimeResponse(const DesignState& s, const TimeRequest& request)
{
    CascadeTerms terms{};
    const int count = CollectStages(s, terms);
    return ComputeTimeResponse(terms.data(), count, request, s.Center);
}

}  // namespace stelvane
