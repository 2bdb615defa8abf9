// The sweep of the cascade over many frequencies at once, with SIMD chosen
// at run time for the processor at hand.
//
// Across the lanes of a vector this does, per frequency, the double
// operations of AddCascade in the same order (no fused multiply-add: the
// library is built with contraction off), so the running product of |H|^2,
// the product of the phasors -H and the turn the phase is on come out bit for
// bit as AddCascade has them. Only the one logarithm and the one arctangent
// per point are the vectors' own, a few units in the last place away from the
// C library's. Each gain, phase and delay is therefore checked against a
// bound well beyond that distance: where the bound leaves no doubt which
// Single the C library's value rounds to, that is the Single; where it does,
// the C library's logarithm or arctangent decides. (The group delay divides
// phase differences far smaller than the phase by small frequency steps, so
// on the skirts it often needs the C library's arctangent.) A point at which
// AddCascade leaves its running products (a stage added on its own, a product
// rescaled) is evaluated by AddCascade itself.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/cascadesweep.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/cascade.h"
#include "engine/response.h"

#ifndef STELVANE_CASCADESWEEP_ONCE
#define STELVANE_CASCADESWEEP_ONCE
namespace stelvane::sweeplanes {

// Highway's Log10 is within 2 units in the last place, the C library's
// within 2; the bound allows a thousand times that.
constexpr double kGainRelative = 0x1p-40;
constexpr double kGainAbsolute = 1e-25;  // a gain next to 0 dB is always checked

// Highway's Atan is within 3 units in the last place, and the C library's
// atan2 within 1: a phase in degrees from the vectors lies within
// kPrincipalBound + |phase| * kPhaseRelative of the C library's, some ten
// times that.
constexpr double kPrincipalBound = 0x1p-48 * 3.141592653589793 * 57.29577951308232;
constexpr double kPhaseRelative = 0x1p-48;

// A delay next to 0 s is always checked.
constexpr double kDelayAbsolute = 1e-40;

// A point where a stage turns the phasor to within this angle (as tan) of
// +-90 degrees is evaluated on its own: the turn count needs every stage to
// turn it by less than a quarter turn, with room for rounding.
constexpr double kQuarterTurnMargin = 0x1p-40;

// What the vectors leave for each point.
struct Lanes {
    double* product;  // product of |H|^2, or NaN where AddCascade must evaluate the point
    double* gain;     // 0 + (0 + 10*log10(product)), or NaN where the C library must take the logarithm
    double*
        phase;   // the phase in degrees (null for the gain alone), or NaN where the C library must take the arctangent
    double* re;  // the product of the phasors -H
    double* im;
    double* turns;  // whole turns on top of the phasor's principal angle
    int* flagged;   // the points with a NaN above
};

}  // namespace stelvane::sweeplanes
#endif

HWY_BEFORE_NAMESPACE();
namespace stelvane {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// atan2(y, x) for a phasor that is not 0, with the C library's signs: +-pi
// on the negative real axis by the sign of y, +-pi/2 for x = +-0.
template <class D, class V>
HWY_INLINE V Atan2(D d, V y, V x)
{
    const V zero = hn::Zero(d);
    V a = hn::Atan(d, hn::Div(y, x));
    a = hn::IfThenElse(hn::Lt(x, zero), hn::Add(a, hn::CopySign(hn::Set(d, 3.141592653589793), y)), a);
    return hn::IfThenElse(hn::Eq(x, zero), hn::CopySign(hn::Set(d, 1.5707963267948966), y), a);
}

// Lanes where v, give or take eps, could round to two Singles. (The two ends
// are never zeros of opposite sign: every bound has an absolute part.)
template <class D, class V>
HWY_INLINE hn::Mask<D> Undecided(D d, V v, V eps)
{
    const hn::Rebind<float, D> df;
    return hn::Ne(
        hn::PromoteTo(d, hn::DemoteTo(df, hn::Sub(v, eps))), hn::PromoteTo(d, hn::DemoteTo(df, hn::Add(v, eps))));
}

template <bool kPhase>
int SweepLanesT(const StageTerms* terms, int count, const Single* freq, int points, const sweeplanes::Lanes& out)
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
        quarterTurnHigh =
            std::min(quarterTurnHigh, std::abs(terms[i].d) / (2 * kQuarterTurnMargin * std::abs(terms[i].b)));
    }

    const V zero = hn::Zero(d);
    const V one = hn::Set(d, 1.0);
    const V twoPi = hn::Set(d, kCascadeTwoPi);
    const V ten = hn::Set(d, 10.0);
    const V degrees = hn::Set(d, kDegreesPerRadian);
    const V nan = hn::Set(d, std::numeric_limits<double>::quiet_NaN());

    constexpr int kMaxLanes = HWY_MAX_BYTES / sizeof(double);
    HWY_ALIGN float tailFreq[kMaxLanes];
    HWY_ALIGN double tail[6][kMaxLanes];
    HWY_ALIGN double flags[kMaxLanes];
    int flagged = 0;

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
        pointByPoint = hn::Or(pointByPoint,
            hn::Or(hn::Lt(lowestSquared, hn::Set(d, kMagnitudeFloor * kMagnitudeFloor)),
                hn::Gt(highestSquared, hn::Set(d, kProductHigh))));
        pointByPoint = hn::Or(pointByPoint,
            hn::Or(hn::Lt(lowestProduct, hn::Set(d, kRunningProductLow)),
                hn::Gt(highestProduct, hn::Set(d, kRunningProductHigh))));
        if constexpr (kPhase) {
            pointByPoint = hn::Or(
                pointByPoint, hn::Or(hn::Le(w, hn::Set(d, quarterTurnLow)), hn::Ge(w, hn::Set(d, quarterTurnHigh))));
        }

        // gain = 0 + (0 + 10*log10(product)), as AddCascade adds it up; the
        // gain is left to the C library where, give or take the bound, it
        // could round to two Singles. The same for the phase, as AddCascade
        // puts it together from the principal angle and the turns.
        const V gain = hn::Add(zero, hn::Add(zero, hn::Mul(ten, hn::Log10(d, product))));
        const auto gainUndecided =
            Undecided(d, gain, hn::Add(hn::Mul(hn::Abs(gain), hn::Set(d, kGainRelative)), hn::Set(d, kGainAbsolute)));

        const bool whole = inBlock == lanes;
        auto at = [&](double* array, int k) { return whole ? array + first : tail[k]; };
        hn::StoreU(hn::IfThenElse(pointByPoint, nan, product), d, at(out.product, 0));
        hn::StoreU(hn::IfThenElse(gainUndecided, nan, gain), d, at(out.gain, 1));
        auto anyFlag = hn::Or(pointByPoint, gainUndecided);
        if constexpr (kPhase) {
            const V principal = Atan2(d, im, re);
            const V phase = hn::Add(zero, hn::Add(hn::Mul(hn::Add(principal, hn::Mul(turns, twoPi)), degrees), zero));
            const auto phaseUndecided = Undecided(
                d, phase, hn::Add(hn::Mul(hn::Abs(phase), hn::Set(d, kPhaseRelative)), hn::Set(d, kPrincipalBound)));
            hn::StoreU(hn::IfThenElse(phaseUndecided, nan, phase), d, at(out.phase, 2));
            anyFlag = hn::Or(anyFlag, phaseUndecided);
            hn::StoreU(re, d, at(out.re, 3));
            hn::StoreU(im, d, at(out.im, 4));
            hn::StoreU(turns, d, at(out.turns, 5));
        }
        if (!whole) {
            double* arrays[6] = {out.product, out.gain, out.phase, out.re, out.im, out.turns};
            for (int k = 0; k < (kPhase ? 6 : 2); ++k) std::copy(tail[k], tail[k] + inBlock, arrays[k] + first);
        }
        if (!hn::AllFalse(d, anyFlag)) {
            hn::Store(hn::VecFromMask(d, anyFlag), d, flags);
            for (int i = 0; i < inBlock; ++i)
                if (flags[i] != 0) out.flagged[flagged++] = first + i;
        }
    }
    return flagged;
}

// FiniteSingle across the lanes.
template <class D, class V>
HWY_INLINE hn::Vec<hn::Rebind<float, D>> FiniteSingles(D d, V v)
{
    const V largest = hn::Set(d, static_cast<double>(FLT_MAX));
    return hn::DemoteTo(
        hn::Rebind<float, D>(), hn::IfThenElseZero(hn::Eq(v, v), hn::Min(hn::Max(v, hn::Neg(largest)), largest)));
}

// The Singles of points 0..points-1: gain and phase as they are, and the
// group delay of each interval from the point before (index -1 of phase,
// exact and freq). A delay that the phases' bounds leave in doubt is listed
// in undecided; returns how many.
int FinishLanes(const double* gain, const double* phase, const double* exact, const Single* freq, int points,
    Single* gainDb, Single* phaseOut, Single* delay, int* undecided)
{
    using namespace sweeplanes;
    const hn::ScalableTag<double> d;
    const hn::Rebind<float, decltype(d)> df;
    using V = hn::Vec<decltype(d)>;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const V zero = hn::Zero(d);
    const V one = hn::Set(d, 1.0);
    HWY_ALIGN double flags[HWY_MAX_BYTES / sizeof(double)];
    int count = 0;

    int first = 0;
    for (; first + lanes <= points; first += lanes) {
        hn::StoreU(FiniteSingles(d, hn::LoadU(d, gain + first)), df, gainDb + first);
        if (phase == nullptr) continue;
        const V p = hn::LoadU(d, phase + first);
        hn::StoreU(FiniteSingles(d, p), df, phaseOut + first);
        if (delay == nullptr) continue;
        // Group delay: minus the phase step in cycles over the frequency
        // step, assigned to the upper point of the interval. Two equal
        // frequencies (Fstart equal to Fstop) give no step to divide by.
        const V previous = hn::LoadU(d, phase + first - 1);
        const V den = hn::Mul(hn::Set(d, 360.0),
            hn::Sub(hn::PromoteTo(d, hn::LoadU(df, freq + first)), hn::PromoteTo(d, hn::LoadU(df, freq + first - 1))));
        const auto noStep = hn::Eq(den, zero);
        const V value = hn::IfThenZeroElse(noStep, hn::Div(hn::Sub(previous, p), den));
        hn::StoreU(FiniteSingles(d, value), df, delay + first);

        // Where a phase from the vectors takes part, the delay's Single must
        // be the same at both ends of the bound.
        const V exactBefore = hn::LoadU(d, exact + first - 1), exactHere = hn::LoadU(d, exact + first);
        auto bound = [&](V phaseValue, V isExact) {
            return hn::Mul(hn::Sub(one, isExact),
                hn::Add(hn::Mul(hn::Abs(phaseValue), hn::Set(d, kPhaseRelative)), hn::Set(d, kPrincipalBound)));
        };
        const V eps = hn::Add(hn::Add(hn::Div(hn::Add(bound(previous, exactBefore), bound(p, exactHere)), hn::Abs(den)),
                                  hn::Mul(hn::Abs(value), hn::Set(d, kPhaseRelative))),
            hn::Set(d, kDelayAbsolute));
        auto doubt = hn::AndNot(
            hn::Or(noStep, hn::Eq(hn::Add(exactBefore, exactHere), hn::Set(d, 2.0))), Undecided(d, value, eps));
        if (!hn::AllFalse(d, doubt)) {
            hn::Store(hn::VecFromMask(d, doubt), d, flags);
            for (int i = 0; i < lanes; ++i)
                if (flags[i] != 0) undecided[count++] = first + i;
        }
    }
    // The points after the last whole vector, one by one.
    for (; first < points; ++first) {
        gainDb[first] = FiniteSingle(gain[first]);
        if (phase == nullptr) continue;
        phaseOut[first] = FiniteSingle(phase[first]);
        if (delay == nullptr) continue;
        delay[first] = FiniteSingle(GroupDelayOver(freq[first - 1], phase[first - 1], freq[first], phase[first]));
        if (freq[first] != freq[first - 1] && exact[first - 1] + exact[first] != 2) undecided[count++] = first;
    }
    return count;
}

int SweepLanes(const StageTerms* terms, int count, const Single* freq, int points, const sweeplanes::Lanes& out)
{
    return out.phase != nullptr ? SweepLanesT<true>(terms, count, freq, points, out)
                                : SweepLanesT<false>(terms, count, freq, points, out);
}

}  // namespace HWY_NAMESPACE
}  // namespace stelvane
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace stelvane {

HWY_EXPORT(SweepLanes);
HWY_EXPORT(FinishLanes);

namespace {

// The phase as AddCascade has it, from the phasor and the turns the vectors left.
struct Phasor {
    double re, im, turns;
    double Phase() const { return 0 + ((std::atan2(im, re) + turns * kCascadeTwoPi) * kDegreesPerRadian + 0); }
};

}  // namespace

void SweepCascade(
    const StageTerms* terms, int count, const Single* freq, int points, Single* gainDb, Single* phase, Single* delay)
{
    // A block of points at a time, so the lanes' results stay in the cache.
    // Index 0 of the phase, exactness and frequency buffers holds the point
    // before the block, for the first group delay.
    constexpr int kBlock = 256;
    std::array<double, kBlock> product, gain, re, im, turns;
    std::array<double, kBlock + 1> phaseBuffer, exactBuffer;
    std::array<Single, kBlock + 1> freqBuffer;
    std::array<int, kBlock> flagged, undecided;
    const bool withPhase = phase != nullptr;
    const sweeplanes::Lanes lanes{product.data(), gain.data(), withPhase ? phaseBuffer.data() + 1 : nullptr, re.data(),
        im.data(), turns.data(), flagged.data()};
    phaseBuffer[0] = 0;
    exactBuffer[0] = 1;
    Phasor previousPhasor{1, 0, 0};

    points = std::clamp(points, 0, kMaxPoints + 1);
    for (int first = 0; first < points; first += kBlock) {
        const int n = std::min(kBlock, points - first);
        freqBuffer[0] = freq[first > 0 ? first - 1 : 0];  // the first point has no step below it
        std::copy(freq + first, freq + first + n, freqBuffer.begin() + 1);
        std::fill(exactBuffer.begin() + 1, exactBuffer.begin() + 1 + n, 0.0);

        const int nFlagged = HWY_DYNAMIC_DISPATCH(SweepLanes)(terms, count, freq + first, n, lanes);
        for (int k = 0; k < nFlagged; ++k) {
            const int i = flagged[k];
            if (std::isnan(product[i])) {
                double g = 0, p = 0;
                AddCascade(terms, count, freq[first + i], g, p);
                gain[i] = g;
                phaseBuffer[i + 1] = p;
                exactBuffer[i + 1] = 1;
                continue;
            }
            if (std::isnan(gain[i])) gain[i] = 0 + (0 + 10 * std::log10(product[i]));
            if (withPhase && std::isnan(phaseBuffer[i + 1])) {
                phaseBuffer[i + 1] = Phasor{re[i], im[i], turns[i]}.Phase();
                exactBuffer[i + 1] = 1;
            }
        }

        const int nUndecided =
            HWY_DYNAMIC_DISPATCH(FinishLanes)(gain.data(), withPhase ? phaseBuffer.data() + 1 : nullptr,
                exactBuffer.data() + 1, freqBuffer.data() + 1, n, gainDb + first, withPhase ? phase + first : nullptr,
                withPhase && delay != nullptr ? delay + first : nullptr, undecided.data());
        for (int k = 0; k < nUndecided; ++k) {
            // The C library's arctangent at both ends of the interval.
            const int i = undecided[k];
            if (exactBuffer[i] == 0) {
                phaseBuffer[i] = (i == 0 ? previousPhasor : Phasor{re[i - 1], im[i - 1], turns[i - 1]}).Phase();
                exactBuffer[i] = 1;
            }
            if (exactBuffer[i + 1] == 0) {
                phaseBuffer[i + 1] = Phasor{re[i], im[i], turns[i]}.Phase();
                exactBuffer[i + 1] = 1;
            }
            const double step = static_cast<double>(freqBuffer[i + 1]) - freqBuffer[i];
            delay[first + i] = FiniteSingle((phaseBuffer[i] - phaseBuffer[i + 1]) / (360 * step));
        }
        phaseBuffer[0] = phaseBuffer[n];
        exactBuffer[0] = exactBuffer[n];
        previousPhasor = {re[n - 1], im[n - 1], turns[n - 1]};
    }
}

}  // namespace stelvane
#endif
