#include "engine/mask.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

#include "engine/designsession.h"
#include "engine/headroom.h"
#include "engine/poles.h"

namespace stelvane {

namespace {

// Points evaluated on each half of the passband, log-spaced, the edges
// included: enough to find every ripple trough of a 21-stage Chebyshev.
int PassbandPoints(int count) { return 24 + 8 * count; }
// A Chebyshev's ripple band is the passband widened by this much per unit of
// the passband's Q: its ripple touches Ap by design, and the Singles of the
// centre, width and parts would otherwise move an edge past the last trough.
constexpr double kChebyshevGuard = 1e-6;
// A Chebyshev's ripple is Ap less this much (at most half of Ap): the Single
// arithmetic of a design whose stages reach a Q of some hundreds deepens the
// ripple troughs, mostly by less than 0.002 dB, in narrow bands by more.
constexpr double kRippleHeadroomDb = 2 * kMaskSlackDb;
// The headrooms tried next when that is not enough, before another order.
constexpr std::array<double, 2> kMoreRippleHeadroomDb{0.01, 0.05};
// Points beyond each stop edge, each an octave further out.
constexpr int kStopOctaves = 6;

struct Point {
    double gainDb;
    double delay;  // s
};

// The cascade's gain and group delay at f, in double precision. A stage's
// H = -j w r3c1 / ((a - w^2 b) + j w d): the numerator only turns the phase
// by a constant, so the group delay is the denominator's,
// d (a + w^2 b) / ((a - w^2 b)^2 + w^2 d^2). The squared magnitudes are
// multiplied together and taken to decibels only when the running product
// nears the ends of double's range: one logarithm for most points rather
// than one per stage, which is what a check of thousands of copies spends.
Point Evaluate(const StageTerms* terms, int count, double f)
{
    const double w = kCascadeTwoPi * f;
    const double w2 = w * w;
    double gain = 0, delay = 0, product = 1;
    for (int i = 0; i < count; ++i) {
        const StageTerms& t = terms[i];
        const double reD = t.a - w2 * t.b;
        const double imD = w * t.d;
        const double inverse = 1 / (reD * reD + imD * imD);
        const double num = w * t.r3c1;
        const double squared = std::max(num * num * inverse, 1e-300);
        if (squared >= kProductLow && squared <= kProductHigh) {
            product *= squared;
        } else {
            gain += 10 * std::log10(squared);
        }
        if (product < kRunningProductLow || product > kRunningProductHigh) {
            gain += 10 * std::log10(product);
            product = 1;
        }
        delay += t.d * (t.a + w2 * t.b) * inverse;
    }
    return {gain + 10 * std::log10(product), delay};
}

// The interior samples that are the highest local peaks (sign +1) or the
// deepest local troughs (sign -1) of a passband half, at most kRefined.
constexpr std::size_t kRefined = 2;
std::vector<int> Extremes(const std::vector<Point>& p, int sign)
{
    std::vector<int> found;
    for (int i = 1; i + 1 < static_cast<int>(p.size()); ++i)
        if (sign * (p[i].gainDb - p[i - 1].gainDb) >= 0 && sign * (p[i].gainDb - p[i + 1].gainDb) > 0)
            found.push_back(i);
    const std::size_t keep = std::min(found.size(), kRefined);
    std::partial_sort(found.begin(), found.begin() + keep, found.end(),
        [&](int a, int b) { return sign * p[a].gainDb > sign * p[b].gainDb; });
    found.resize(keep);
    return found;
}

// The peak (sign +1) or trough (sign -1) of gain(f) between f1 and f2, by a
// golden-section search on log f: 24 steps narrow the bracket to 1e-5 of
// its width, far below what changes the gain by a microdecibel.
template <class Gain>
double Extreme(const Gain& gain, double f1, double f2, int sign)
{
    constexpr double kGolden = 0.6180339887498949;
    double a = std::log(f1), b = std::log(f2);
    double x1 = b - kGolden * (b - a), x2 = a + kGolden * (b - a);
    double g1 = sign * gain(std::exp(x1)), g2 = sign * gain(std::exp(x2));
    for (int step = 0; step < 24; ++step) {
        if (g1 > g2) {
            b = x2, x2 = x1, g2 = g1;
            x1 = b - kGolden * (b - a), g1 = sign * gain(std::exp(x1));
        } else {
            a = x1, x1 = x2, g1 = g2;
            x2 = a + kGolden * (b - a), g2 = sign * gain(std::exp(x2));
        }
    }
    return sign * std::max(g1, g2);
}

}  // namespace

const char* MaskEdgeName(MaskEdge edge)
{
    switch (edge) {
    case MaskEdge::Fp1: return "fp1";
    case MaskEdge::Fp2: return "fp2";
    case MaskEdge::Fs1: return "fs1";
    case MaskEdge::Fs2: return "fs2";
    }
    return "";
}

MaskCheck CheckMask(const StageTerms* terms, int count, const FilterMask& mask)
{
    MaskCheck c;
    if (!mask.Active() || count == 0) return c;
    const double centre = std::sqrt(mask.Fp1 * mask.Fp2);
    const int n = PassbandPoints(count);
    // The two passband halves, Fp1..centre and centre..Fp2.
    std::vector<double> lowF(n), highF(n);
    std::vector<Point> low(n), high(n);
    for (int i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) / (n - 1);
        lowF[i] = mask.Fp1 * std::pow(centre / mask.Fp1, x);
        highF[i] = centre * std::pow(mask.Fp2 / centre, x);
        low[i] = Evaluate(terms, count, lowF[i]);
        high[i] = Evaluate(terms, count, highF[i]);
    }
    double reference = -std::numeric_limits<double>::infinity();
    double leastDelay = std::numeric_limits<double>::infinity(), mostDelay = 0;
    for (const auto* half : {&low, &high})
        for (const Point& p : *half) {
            reference = std::max(reference, p.gainDb);
            leastDelay = std::min(leastDelay, p.delay);
            mostDelay = std::max(mostDelay, p.delay);
        }
    c.delaySpreadPct = leastDelay > 0 ? 100 * (mostDelay - leastDelay) / leastDelay : 0;

    // The samples find every ripple peak and trough, but the narrow ones of
    // high-Q stages only to some thousandths of a dB: the highest peaks and
    // the deepest troughs are found exactly between their neighbours.
    auto gainAt = [&](double f) { return Evaluate(terms, count, f).gainDb; };
    for (const auto& [f, p] : {std::pair(&lowF, &low), std::pair(&highF, &high)})
        for (int i : Extremes(*p, +1)) reference = std::max(reference, Extreme(gainAt, (*f)[i - 1], (*f)[i + 1], +1));
    c.passbandGainDb = reference;

    auto passMargin = [&](const std::vector<double>& f, const std::vector<Point>& half) {
        double least = std::numeric_limits<double>::infinity();
        for (const Point& p : half) least = std::min(least, p.gainDb);
        for (int i : Extremes(half, -1)) least = std::min(least, Extreme(gainAt, f[i - 1], f[i + 1], -1));
        return mask.Ap - (reference - least);
    };
    // The stopbands: the edge and points octaves beyond it, and the centre
    // of every stage that lies among them, where a response whose passband
    // is not the mask's (a loaded design) peaks between the octaves.
    auto stopMargin = [&](double edge, double step) {
        double least = std::numeric_limits<double>::infinity();
        auto at = [&](double f) { least = std::min(least, (reference - Evaluate(terms, count, f).gainDb) - mask.As); };
        for (int k = 0; k <= kStopOctaves; ++k) at(edge * std::pow(step, k));
        const double far = edge * std::pow(step, kStopOctaves);
        for (int i = 0; i < count; ++i) {
            const double f = std::sqrt(terms[i].a / terms[i].b) / kCascadeTwoPi;
            if (f >= std::min(edge, far) && f <= std::max(edge, far)) at(f);
        }
        return least;
    };
    c.marginDb[static_cast<int>(MaskEdge::Fp1)] = passMargin(lowF, low);
    c.marginDb[static_cast<int>(MaskEdge::Fp2)] = passMargin(highF, high);
    c.marginDb[static_cast<int>(MaskEdge::Fs1)] = stopMargin(mask.Fs1, 0.5);
    c.marginDb[static_cast<int>(MaskEdge::Fs2)] = stopMargin(mask.Fs2, 2);

    int worst = 0;
    for (int e = 1; e < 4; ++e)
        if (c.marginDb[e] < c.marginDb[worst]) worst = e;
    c.worst = static_cast<MaskEdge>(worst);
    c.meets = c.marginDb[worst] >= -kMaskSlackDb && (mask.DelaySpread <= 0 || c.delaySpreadPct <= mask.DelaySpread);
    return c;
}

MaskCheck CheckMask(const DesignState& s, const FilterMask& mask)
{
    CascadeTerms terms;
    const int count = CollectStages(s, terms);
    return CheckMask(terms.data(), count, mask);
}

namespace {

// The Enter step takes a Chebyshev ripple of 0.001 to 20 dB.
constexpr double kLeastRipple = 0.001;
constexpr double kMostRipple = 20;
// The interval count of a candidate's own sweep: the mask is checked at
// points of its own, so the sweep only has to be one the record can hold.
constexpr int kCandidateIntervals = 2;

// The loss (dB, against the passband's best) of a family's lowpass
// prototype of order n at the normalised frequency w, as the design places
// its poles: Butterworth -3 dB at 1 rad/s, Chebyshev the ripple band to
// 1 rad/s, Bessel a group delay of 1 s at DC.
class Prototype {
public:
    Prototype(FilterFamily family, int n, double ripple) : family_(family), n_(n)
    {
        epsilon2_ = std::pow(10.0, ripple / 10) - 1;
        if (family != FilterFamily::Bessel) return;
        // The reverse Bessel polynomial: a_k = (2n-k)! / (2^(n-k) k! (n-k)!).
        bessel_.assign(n + 1, 0.0);
        for (int k = 0; k <= n; ++k)
            bessel_[k] = std::exp(
                std::lgamma(2 * n - k + 1) - (n - k) * std::log(2.0) - std::lgamma(k + 1) - std::lgamma(n - k + 1));
    }
    double LossDb(double w) const
    {
        if (family_ == FilterFamily::Bessel) {
            double re = 0, im = 0, power = 1;  // the polynomial at jw: powers of j cycle 1, j, -1, -j
            for (int k = 0; k <= n_; ++k, power *= w) {
                const double term = bessel_[k] * power;
                if (k % 4 == 0) re += term;
                if (k % 4 == 1) im += term;
                if (k % 4 == 2) re -= term;
                if (k % 4 == 3) im -= term;
            }
            return 10 * std::log10((re * re + im * im) / (bessel_[0] * bessel_[0]));
        }
        if (family_ == FilterFamily::Chebyshev) {
            const double t = w <= 1 ? std::cos(n_ * std::acos(w)) : std::cosh(n_ * std::acosh(w));
            return 10 * std::log10(1 + epsilon2_ * t * t);
        }
        return 10 * std::log10(1 + std::pow(w, 2.0 * n_));
    }

private:
    FilterFamily family_;
    int n_;
    double epsilon2_ = 0;
    std::vector<double> bessel_;
};

// Where the mask's edges fall on the prototype's axis for a design of the
// passband's width: the passband edges at 1, the stop edges at these
// ratios (geometric transformation about sqrt(fp1 fp2)); the nearer (the
// smaller) decides the order.
double NearerStopRatio(const FilterMask& m)
{
    const double centre2 = m.Fp1 * m.Fp2, band = m.Fp2 - m.Fp1;
    return std::min((centre2 - m.Fs1 * m.Fs1) / (m.Fs1 * band), (m.Fs2 * m.Fs2 - centre2) / (m.Fs2 * band));
}

// The passband edge's place on the prototype's axis that leaves as much to
// spare in the passband (Ap less the loss there) as at the nearer stop edge
// (the loss there less As), or with `stopToo` false the place where the
// passband has nothing to spare: the difference falls as the place rises,
// so a bisection over a wide span of its logarithm finds it.
double ShareEdge(const Prototype& p, double ratio, const FilterMask& m, bool stopToo = true)
{
    double lo = std::log(1e-9), hi = std::log(1e9);
    for (int i = 0; i < 80; ++i) {
        const double mid = (lo + hi) / 2, w = std::exp(mid);
        const double spare = (m.Ap - p.LossDb(w)) - (stopToo ? p.LossDb(ratio * w) - m.As : 0);
        (spare > 0 ? lo : hi) = mid;
    }
    return std::exp((lo + hi) / 2);
}

// Where a Butterworth or Bessel of order n puts the passband edge: the margin
// shared evenly, or, when there is none to share, the passband kept whole and
// the stopband left short (as a Chebyshev of ripple Ap leaves it).
double PassbandEdge(FilterFamily family, int n, double ratio, const FilterMask& m)
{
    const Prototype p(family, n, 0);
    const double even = ShareEdge(p, ratio, m);
    return m.Ap - p.LossDb(even) >= 0 ? even : ShareEdge(p, ratio, m, false);
}

// The least order of a family by the textbook closed form (Butterworth,
// Chebyshev of ripple Ap) or, for Bessel, by stepping the prototype up to
// the first order whose evenly shared margin is not below 0.
int LeastOrder(FilterFamily family, double ratio, const FilterMask& m, int most)
{
    const double d = (std::pow(10.0, m.As / 10) - 1) / (std::pow(10.0, m.Ap / 10) - 1);
    double n = 0;
    if (family == FilterFamily::Butterworth) n = std::log10(d) / (2 * std::log10(ratio));
    if (family == FilterFamily::Chebyshev) n = std::acosh(std::sqrt(d)) / std::acosh(ratio);
    if (family != FilterFamily::Bessel) return static_cast<int>(std::clamp(std::ceil(n), 1.0, double(most)));
    for (int order = 1; order < most; ++order) {
        const Prototype p(family, order, 0);
        if (m.Ap - p.LossDb(ShareEdge(p, ratio, m)) >= 0) return order;
    }
    return most;
}

// A Single's shortest text that the design window's box reads back exactly.
std::string ExactText(double value)
{
    char text[32];
    const char* end = std::to_chars(text, text + sizeof text, static_cast<Single>(value)).ptr;
    std::string t;
    for (const char* c = text; c != end; ++c)
        if (*c != '+') t.push_back(*c);
    return t;
}

// The candidate of `family` at `order` designed from the base's gain,
// capacitor, opamp and bench in a record of its own, and checked.
void DesignCandidate(const DesignState& base, const FilterMask& mask, MaskCandidate& c, DesignState& scratch)
{
    scratch = base;
    scratch.ManualEntry = PartsEntry::Designed;
    // The stage order leaves the cascade's response as it is; the family's costs nothing.
    scratch.Bench.Order = StageOrder::Family;
    DesignSession session(scratch);
    DesignInputs in = InputsFromRecord(scratch);
    in.txtCenter = ExactText(c.center);
    in.txtWidth = ExactText(c.width);
    in.lblOrderInput = std::to_string(c.order);
    in.txtApass = ExactText(c.ripple);
    in.txtCaps = ExactText(base.C[1][2] > 0 ? base.C[1][2] : base.C[1][1]);
    in.txtInts = std::to_string(kCandidateIntervals);
    in.optButterworth = c.family == FilterFamily::Butterworth;
    in.optChebyshev = c.family == FilterFamily::Chebyshev;
    in.optBessel = c.family == FilterFamily::Bessel;
    session.Enter(in, [](const std::string&) {});
    c.center = scratch.Center, c.width = scratch.Width, c.ripple = scratch.Apass;
    c.check = CheckMask(scratch, mask);
    c.meets = c.check.meets;
    c.maxStageQ = 0;
    for (int k = 1; k <= StageCount(scratch); ++k) c.maxStageQ = std::max(c.maxStageQ, double(scratch.StageQ[k]));
    c.buildable = UnbuildableWords(scratch).empty();
}

bool OnlyTheDelayMisses(const MaskCandidate& c)
{
    return !c.meets && *std::min_element(c.check.marginDb.begin(), c.check.marginDb.end()) >= -kMaskSlackDb;
}

bool Usable(const FilterMask& m)
{
    const std::array<double, 6> figures{m.Fp1, m.Fp2, m.Ap, m.Fs1, m.Fs2, m.As};
    for (double x : figures)
        if (!std::isfinite(x) || x <= 0) return false;
    return m.Fs1 < m.Fp1 && m.Fp1 < m.Fp2 && m.Fp2 < m.Fs2 && m.As > m.Ap;
}

}  // namespace

std::vector<MaskCandidate> FindCandidates(const DesignState& base, const FilterMask& mask)
{
    std::vector<MaskCandidate> out;
    if (!Usable(mask)) return out;
    const double ratio = NearerStopRatio(mask), band = mask.Fp2 - mask.Fp1;
    const double centre = std::sqrt(mask.Fp1 * mask.Fp2);
    auto scratch = std::make_unique<DesignState>();
    for (FilterFamily family : {FilterFamily::Butterworth, FilterFamily::Chebyshev, FilterFamily::Bessel}) {
        const int most = family == FilterFamily::Bessel ? kMaxBesselOrder : kMaxStages;
        MaskCandidate c;
        c.family = family;
        const double ripple = family == FilterFamily::Chebyshev
            ? std::clamp(std::max(mask.Ap - kRippleHeadroomDb, mask.Ap / 2), kLeastRipple, kMostRipple)
            : 0;
        // Rounding may leave the closed form's order a hair short, and the
        // delay spread is no part of it: the next order is tried then, while
        // it helps.
        std::optional<MaskCandidate> below;
        for (c.order = LeastOrder(family, ratio, mask, most); c.order <= most; ++c.order) {
            double edge = 1 / (1 + kChebyshevGuard * centre / band);
            if (family != FilterFamily::Chebyshev) edge = PassbandEdge(family, c.order, ratio, mask);
            c.center = centre, c.width = band / edge, c.ripple = ripple;
            DesignCandidate(base, mask, c, *scratch);
            // The troughs of a narrow Chebyshev's high-Q stages can come out
            // deeper than its ripple by more than the headroom: a little more
            // headroom keeps the closed form's order where it is enough.
            for (double more : kMoreRippleHeadroomDb) {
                if (c.meets || family != FilterFamily::Chebyshev || mask.Ap - more < mask.Ap / 2) break;
                c.ripple = std::clamp(mask.Ap - more, kLeastRipple, kMostRipple);
                DesignCandidate(base, mask, c, *scratch);
            }
            if (c.meets || c.order == most) break;
            if (below && OnlyTheDelayMisses(*below) && OnlyTheDelayMisses(c) &&
                c.check.delaySpreadPct >= below->check.delaySpreadPct) {
                c = *below;  // a further stage only spreads the delay more
                break;
            }
            below = c;
        }
        out.push_back(c);
    }
    return out;
}

std::optional<std::size_t> ChooseCandidate(
    const std::vector<MaskCandidate>& candidates, std::optional<FilterFamily> family)
{
    std::optional<std::size_t> chosen;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const MaskCandidate& c = candidates[i];
        if (family) {
            if (c.family == *family) return i;
            continue;
        }
        if (c.meets && (!chosen || c.order < candidates[*chosen].order)) chosen = i;
    }
    return family ? std::nullopt : chosen;
}

std::size_t ClosestCandidate(const std::vector<MaskCandidate>& candidates)
{
    std::size_t best = 0;
    auto least = [&](std::size_t i) {
        return candidates[i].check.marginDb[static_cast<int>(candidates[i].check.worst)];
    };
    for (std::size_t i = 1; i < candidates.size(); ++i)
        if (least(i) > least(best)) best = i;
    return best;
}

}  // namespace stelvane
