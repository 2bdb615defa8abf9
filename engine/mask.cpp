#include "engine/mask.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace stelvane {

namespace {

// Points evaluated on each half of the passband, log-spaced, the edges
// included: enough to find every ripple trough of a 21-stage Chebyshev.
int PassbandPoints(int count) { return 24 + 8 * count; }
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
    std::vector<Point> low(n), high(n);
    for (int i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) / (n - 1);
        low[i] = Evaluate(terms, count, mask.Fp1 * std::pow(centre / mask.Fp1, x));
        high[i] = Evaluate(terms, count, centre * std::pow(mask.Fp2 / centre, x));
    }
    double reference = -std::numeric_limits<double>::infinity();
    double leastDelay = std::numeric_limits<double>::infinity(), mostDelay = 0;
    for (const auto* half : {&low, &high})
        for (const Point& p : *half) {
            reference = std::max(reference, p.gainDb);
            leastDelay = std::min(leastDelay, p.delay);
            mostDelay = std::max(mostDelay, p.delay);
        }
    c.passbandGainDb = reference;
    c.delaySpreadPct = leastDelay > 0 ? 100 * (mostDelay - leastDelay) / leastDelay : 0;

    auto passMargin = [&](const std::vector<Point>& half) {
        double least = std::numeric_limits<double>::infinity();
        for (const Point& p : half) least = std::min(least, mask.Ap - (reference - p.gainDb));
        return least;
    };
    // The stopbands: the edge and points octaves beyond it.
    auto stopMargin = [&](double edge, double step) {
        double least = std::numeric_limits<double>::infinity();
        for (int k = 0; k <= kStopOctaves; ++k) {
            const double gain = Evaluate(terms, count, edge * std::pow(step, k)).gainDb;
            least = std::min(least, (reference - gain) - mask.As);
        }
        return least;
    };
    c.marginDb[static_cast<int>(MaskEdge::Fp1)] = passMargin(low);
    c.marginDb[static_cast<int>(MaskEdge::Fp2)] = passMargin(high);
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

std::vector<MaskCandidate> FindCandidates(const DesignState&, const FilterMask&)
{
    return {};  // the order search is yet to come
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

}  // namespace stelvane
