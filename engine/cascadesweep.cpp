// The sweep of the cascade over many frequencies at once, with SIMD chosen
// at run time for the processor at hand.
//
// Across the lanes of a vector this does, per frequency, the double
// operations of AddCascade in the same order (no fused multiply-add: the
// library is built with contraction off), so the running product of |H|^2,
// the product of the phasors -H and the turn the phase is on come out bit for
// bit as AddCascade has them. The arctangent of the phasor is then the C
// library's, point by point, since the group delay divides phase differences
// far smaller than the phase by small frequency steps and would show any
// difference in its last digit. The logarithm is taken in the vectors and
// checked against a bound far wider than its distance from the C library's:
// where the bound leaves no doubt which Single the gain rounds to, that is
// the Single; where it does, the C library's logarithm decides. A point at
// which AddCascade leaves its running products (a stage added on its own, a
// product rescaled) is evaluated by AddCascade itself.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/cascadesweep.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <limits>

#include "engine/cascade.h"

#ifndef STELVANE_CASCADESWEEP_ONCE
#define STELVANE_CASCADESWEEP_ONCE
namespace stelvane::sweeplanes {

// Highway's Log10 is within 2 units in the last place, the C library's
// within 2; the bound allows a thousand times that.
constexpr double kGainRelative = 0x1p-40;
constexpr double kGainAbsolute = 1e-25; // a gain next to 0 dB is always checked

// A point where a stage turns the phasor to within this angle (as tan) of
// +-90 degrees is evaluated on its own: the turn count needs every stage to
// turn it by less than a quarter turn, with room for rounding.
constexpr double kQuarterTurnMargin = 0x1p-40;

// What the vectors leave for each point.
struct Lanes {
    double* product; // product of |H|^2, or NaN where AddCascade must evaluate the point
    double* gain;    // 0 + (0 + 10*log10(product)), or NaN where the C library must take the logarithm
    double* re;      // the product of the phasors -H (with the phase only)
    double* im;
    double* turns;   // whole turns on top of the phasor's principal angle
};

} // namespace stelvane::sweeplanes
#endif

HWY_BEFORE_NAMESPACE();
namespace stelvane {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

template <bool kPhase>
void SweepLanesT(const StageTerms* terms, int count, const Single* freq, int points, const sweeplanes::Lanes& out)
{
    using namespace sweeplanes;
    const hn::ScalableTag<double> d;
    const hn::Rebind<float, decltype(d)> df;
    const hn::RebindToSigned<decltype(d)> di;
    using V = hn::Vec<decltype(d)>;
    const int lanes = static_cast<int>(hn::Lanes(d));

    // Every stage turns the phasor by less than a quarter turn, with room for
    // rounding, between these angular frequencies: a stage's turn nears +90
    // degrees only where w*|d| <= margin*|a| and -90 degrees only where
    // w*|d| <= margin*w^2*|b|.
    double quarterTurnLow = 0, quarterTurnHigh = std::numeric_limits<double>::infinity();
    for (int i = 0; i < count; ++i) {
        quarterTurnLow = std::max(quarterTurnLow, 2 * kQuarterTurnMargin * std::abs(terms[i].a) / std::abs(terms[i].d));
        quarterTurnHigh = std::min(quarterTurnHigh, std::abs(terms[i].d) / (2 * kQuarterTurnMargin * std::abs(terms[i].b)));
    }
    if (std::isnan(quarterTurnLow) || std::isnan(quarterTurnHigh)) quarterTurnLow = quarterTurnHigh = 0;

    const V zero = hn::Zero(d);
    const V one = hn::Set(d, 1.0);
    const V twoPi = hn::Set(d, kCascadeTwoPi);
    const V ten = hn::Set(d, 10.0);
    const V nan = hn::Set(d, std::numeric_limits<double>::quiet_NaN());

    constexpr int kMaxLanes = HWY_MAX_BYTES / sizeof(double);
    HWY_ALIGN float tailFreq[kMaxLanes];
    HWY_ALIGN double tail[5][kMaxLanes];

    for (int first = 0; first < points; first += lanes) {
        const int inBlock = std::min(lanes, points - first);
        const float* f32 = freq + first;
        if (inBlock < lanes) {
            // The last block is filled up with its last frequency.
            for (int i = 0; i < lanes; ++i) tailFreq[i] = freq[first + std::min(i, inBlock - 1)];
            f32 = tailFreq;
        }
        const V w = hn::Mul(twoPi, hn::PromoteTo(d, hn::LoadU(df, f32)));
        const V w2 = hn::Mul(w, w);

        // What a lane meets on its way through the stages, checked once after
        // them; a NaN anywhere stays in the product.
        V product = one, re = one, im = zero, turns = zero;
        V highestReH = hn::Set(d, -1.0), lowestSquared = one, highestSquared = one;
        V lowestProduct = one, highestProduct = one;
        for (int i = 0; i < count; ++i) {
            const StageTerms& t = terms[i];
            const V imN = hn::Neg(hn::Mul(w, hn::Set(d, t.r3c1)));
            const V reD = hn::Sub(hn::Set(d, t.a), hn::Mul(w2, hn::Set(d, t.b)));
            const V imD = hn::Mul(w, hn::Set(d, t.d));
            const V den = hn::Add(hn::Mul(reD, reD), hn::Mul(imD, imD));
            const V reH = hn::Div(hn::Mul(imN, imD), den);
            // Im H is kept in Single; one too large for Single becomes
            // infinite here, and the point is evaluated on its own.
            const V imH = hn::PromoteTo(d, hn::DemoteTo(df, hn::Div(hn::Mul(imN, reD), den)));
            const V squared = hn::Add(hn::Mul(reH, reH), hn::Mul(imH, imH));
            highestReH = hn::Max(highestReH, reH);
            lowestSquared = hn::Min(lowestSquared, squared);
            highestSquared = hn::Max(highestSquared, squared);
            // No stage below the magnitude floor stays in the vectors, so the
            // floor AddCascade applies here never bites.
            product = hn::Mul(product, squared);
            lowestProduct = hn::Min(lowestProduct, product);
            highestProduct = hn::Max(highestProduct, product);
            if constexpr (kPhase) {
                const V negRe = hn::Neg(reH), negIm = hn::Neg(imH);
                const V nextRe = hn::Sub(hn::Mul(re, negRe), hn::Mul(im, negIm));
                const V nextIm = hn::Add(hn::Mul(re, negIm), hn::Mul(im, negRe));
                // Each stage turns the phasor by less than a quarter turn, so
                // a change of sign of its imaginary part where the real part
                // is negative is a crossing of the negative real axis: one
                // turn more (from above) or less (from below) on top of the
                // principal angle, by the signs of zero that atan2 reads.
                const V crossing = hn::And(hn::Xor(im, nextIm), re);
                const auto crossed = hn::RebindMask(d, hn::Lt(hn::BitCast(di, crossing), hn::Zero(di)));
                turns = hn::Add(turns, hn::IfThenElseZero(crossed, hn::CopySignToAbs(one, im)));
                re = nextRe;
                im = nextIm;
            }
        }

        // The lanes AddCascade would not keep in its running products: a
        // stage whose Re H is not negative or whose |H|^2 is below the floor
        // or above the product range, a product that leaves its range. (The
        // phasor's size is then the product's square root, well inside the
        // range it is kept in.)
        auto pointByPoint = hn::Or(hn::Not(hn::Eq(product, product)), hn::Not(hn::Lt(highestReH, zero)));
        pointByPoint = hn::Or(pointByPoint, hn::Or(hn::Lt(lowestSquared, hn::Set(d, kMagnitudeFloor * kMagnitudeFloor)),
                                                   hn::Gt(highestSquared, hn::Set(d, kProductHigh))));
        pointByPoint = hn::Or(pointByPoint, hn::Or(hn::Lt(lowestProduct, hn::Set(d, kRunningProductLow)),
                                                   hn::Gt(highestProduct, hn::Set(d, kRunningProductHigh))));
        if constexpr (kPhase) {
            pointByPoint = hn::Or(pointByPoint, hn::Or(hn::Le(w, hn::Set(d, quarterTurnLow)),
                                                       hn::Ge(w, hn::Set(d, quarterTurnHigh))));
        }

        // gain = 0 + (0 + 10*log10(product)), as AddCascade adds it up; the
        // gain is left to the C library where, give or take the bound, it
        // could round to two Singles.
        const V gain = hn::Add(zero, hn::Add(zero, hn::Mul(ten, hn::Log10(d, product))));
        const V eps = hn::Add(hn::Mul(hn::Abs(gain), hn::Set(d, kGainRelative)), hn::Set(d, kGainAbsolute));
        const V low = hn::PromoteTo(d, hn::DemoteTo(df, hn::Sub(gain, eps)));
        const V high = hn::PromoteTo(d, hn::DemoteTo(df, hn::Add(gain, eps)));
        // (Both ends are never zeros of opposite sign: the bound has an absolute part.)
        const auto undecided = hn::Ne(low, high);

        const bool whole = inBlock == lanes;
        auto at = [&](double* array, int k) { return whole ? array + first : tail[k]; };
        hn::StoreU(hn::IfThenElse(pointByPoint, nan, product), d, at(out.product, 0));
        hn::StoreU(hn::IfThenElse(undecided, nan, gain), d, at(out.gain, 1));
        if constexpr (kPhase) {
            hn::StoreU(re, d, at(out.re, 2));
            hn::StoreU(im, d, at(out.im, 3));
            hn::StoreU(turns, d, at(out.turns, 4));
        }
        if (!whole) {
            double* arrays[5] = {out.product, out.gain, out.re, out.im, out.turns};
            for (int k = 0; k < (kPhase ? 5 : 2); ++k) std::copy(tail[k], tail[k] + inBlock, arrays[k] + first);
        }
    }
}

void SweepLanes(const StageTerms* terms, int count, const Single* freq, int points, const sweeplanes::Lanes& out)
{
    if (out.re != nullptr)
        SweepLanesT<true>(terms, count, freq, points, out);
    else
        SweepLanesT<false>(terms, count, freq, points, out);
}

} // namespace HWY_NAMESPACE
} // namespace stelvane
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace stelvane {

HWY_EXPORT(SweepLanes);

void SweepCascade(const StageTerms* terms, int count, const Single* freq, int points, Single* gainDb, Single* phase,
                  Single* delay)
{
    // A block of points at a time, so the lanes' results stay in the cache.
    constexpr int kBlock = 256;
    std::array<double, kBlock> product, gain, re, im, turns;
    const bool withPhase = phase != nullptr;
    const sweeplanes::Lanes lanes{product.data(), gain.data(), withPhase ? re.data() : nullptr, im.data(), turns.data()};

    points = std::clamp(points, 0, kMaxPoints + 1);
    double previousPhase = 0;
    for (int first = 0; first < points; first += kBlock) {
        const int n = std::min(kBlock, points - first);
        HWY_DYNAMIC_DISPATCH(SweepLanes)(terms, count, freq + first, n, lanes);
        for (int i = 0; i < n; ++i) {
            const int l = first + i;
            double g = 0, p = 0;
            if (std::isnan(product[i])) {
                AddCascade(terms, count, freq[l], g, p);
            } else {
                g = std::isnan(gain[i]) ? 0 + (0 + 10 * std::log10(product[i])) : gain[i];
                if (withPhase) p = 0 + ((std::atan2(im[i], re[i]) + turns[i] * kCascadeTwoPi) * kDegreesPerRadian + 0);
            }
            gainDb[l] = FiniteSingle(g);
            if (!withPhase) continue;
            phase[l] = FiniteSingle(p);
            if (delay != nullptr && l >= 1) {
                // Group delay: minus the phase step in cycles over the
                // frequency step, assigned to the upper point of the
                // interval. Two equal frequencies (Fstart equal to Fstop)
                // give no step to divide by.
                const double step = static_cast<double>(freq[l]) - freq[l - 1];
                delay[l] = step != 0 ? FiniteSingle((previousPhase - p) / (360 * step)) : 0;
            }
            previousPhase = p;
        }
    }
}

} // namespace stelvane
#endif
