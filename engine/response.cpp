#include "engine/response.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/cascade.h"

namespace stelvane {

namespace {

const double kTwoPi = kCascadeTwoPi;

// The ceiling on a stage's magnitude, for parts that put |H| beyond double.
constexpr double kMagnitudeCeiling = 1e300;

// A logarithmic sweep or grid cannot start at 0 Hz or below; such a limit is
// raised to the bottom of the grid's lowest decade.
constexpr Single kLowestLogFrequency = 0.001f;

// The grid of a logarithmic plot: the steps of every decade.
constexpr double kDecadeSteps[] = {1, 1.5, 2, 3, 4, 5, 6, 7, 8, 9};

// A part of 0 makes the stage's response divide by zero or vanish, and one
// that is not a number has no response at all. A negative part is evaluated
// as it stands: a negative R2 from a gain too high for the stage's Q still
// describes the response the design asked for (1 + R1/R2 stays positive),
// while the part analysis flags the stage as one that cannot be built.
bool UsablePart(Single v) { return v != 0 && std::isfinite(v); }

}  // namespace

namespace {

// The terms of stage k; a stage with a part of 0 or one that is not a finite
// number is left out of the cascade (the part analysis flags it as invalid,
// and the views say so).
bool CollectStage(const DesignState& s, int k, StageTerms& terms)
{
    const Single r1 = s.R[k][1], r2 = s.R[k][2], r3 = s.R[k][3];
    const Single c1 = s.C[k][1], c2 = s.C[k][2];
    if (!(UsablePart(r1) && UsablePart(r2) && UsablePart(r3) && UsablePart(c1) && UsablePart(c2))) return false;
    const double r1d = r1, r3d = r3, c1d = c1, c2d = c2;
    terms = {r3d * c1d, 1 + r1d / r2, r1d * r3d * c1d * c2d, r1d * (c1d + c2d)};
    return true;
}

}  // namespace

int CollectStages(const DesignState& s, CascadeTerms& terms)
{
    const int order = StageCount(s);
    int count = 0;
    for (int k = 1; k <= order; ++k)
        if (CollectStage(s, k, terms[count])) ++count;
    return count;
}

namespace {

Single LogSweepLimit(Single f) { return f > 0 ? f : kLowestLogFrequency; }

// The phase of a stage whose Re H has vanished (at 0 Hz, or when |D|^2 left
// the range of double): the limit the principal arctangent approaches there.
// With positive parts Re H is negative at every other frequency, so Im H < 0
// means +90 degrees; with Im H gone too, the side of the stage's centre
// decides.
double VanishedPhase(double imH, double reD)
{
    if (imH < 0) return 90;
    if (imH > 0) return -90;
    return reD > 0 ? 90 : -90;
}

// arctan within 0.005 rad: enough to tell which turn a phase sum is on.
double CoarseAtan(double x)
{
    constexpr double kQuarterTurn = 1.5707963267948966;
    const double ax = std::fabs(x);
    if (ax <= 1) return x / (1 + 0.28 * x * x);
    if (std::isinf(x)) return std::copysign(kQuarterTurn, x);
    return std::copysign(kQuarterTurn, x) - x / (x * x + 0.28);
}

}  // namespace

// Adds the gain (dB) and phase (degrees) of the collected stages at f.
//
// Per stage this is the ideal-opamp H = N/D with Im H kept in Single, its
// gain 20*log10|H| and its phase the principal arctan(Im H / Re H), which
// runs from +90 to -90 degrees without wrapping. The sum of the stage gains
// is taken as one logarithm of the product of |H|^2, and the sum of the
// stage phases as one arctangent of the product of the phasors -H (each with
// a positive real part), put on the right turn by a running coarse sum of
// the stage phases: two transcendental calls per point instead of two per
// stage, which is what keeps a 21-stage sweep of 2001 points quick enough to
// follow the tuning panel's clicks. Stages whose numbers leave the product
// ranges (0 Hz, parts at the ends of Single), or whose Re H is not negative
// (negative parts), are added one by one.
void AddCascade(const StageTerms* terms, int count, double f, double& gain, double& phase)
{
    const double w = kTwoPi * f;
    const double w2 = w * w;
    double magnitudeProduct = 1;  // product of |H|^2 since the last flush
    double gainDb = 0;
    double phasorRe = 1, phasorIm = 0;  // product of -H
    double coarsePhase = 0;             // radians
    double exactPhase = 0;              // degrees, stages added one by one

    for (int i = 0; i < count; ++i) {
        const StageTerms& t = terms[i];
        const double imN = -w * t.r3c1;
        const double reD = t.a - w2 * t.b;
        const double imD = w * t.d;
        const double den = reD * reD + imD * imD;
        const double reH = imN * imD / den;
        const double imHExact = imN * reD / den;
        // Im H is kept in Single, unless it is too large for Single.
        const double imH =
            std::fabs(imHExact) <= FLT_MAX ? static_cast<double>(static_cast<Single>(imHExact)) : imHExact;
        const double squared = reH * reH + imH * imH;

        if (reH < 0 && squared >= kProductLow && squared <= kProductHigh) {
            magnitudeProduct *= std::max(squared, kMagnitudeFloor * kMagnitudeFloor);
            if (magnitudeProduct > kRunningProductHigh || magnitudeProduct < kRunningProductLow) {
                gainDb += 10 * std::log10(magnitudeProduct);
                magnitudeProduct = 1;
            }
            const double re = phasorRe * -reH - phasorIm * -imH;
            const double im = phasorRe * -imH + phasorIm * -reH;
            phasorRe = re;
            phasorIm = im;
            const double largest = std::max(std::fabs(re), std::fabs(im));
            if (largest > kProductHigh || largest < kProductLow) {
                // a power of two keeps the angle exact
                const int exponent = std::ilogb(largest);
                phasorRe = std::scalbn(phasorRe, -exponent);
                phasorIm = std::scalbn(phasorIm, -exponent);
            }
            coarsePhase += CoarseAtan(imH / reH);
            continue;
        }

        double magnitude = std::sqrt(squared);
        if (std::isinf(magnitude)) magnitude = std::hypot(reH, imH);
        if (!(magnitude >= kMagnitudeFloor)) magnitude = kMagnitudeFloor;  // also NaN
        if (magnitude > kMagnitudeCeiling) magnitude = kMagnitudeCeiling;
        gainDb += 20 * std::log10(magnitude);
        const double stagePhase = std::atan(imH / reH) * kDegreesPerRadian;
        exactPhase += std::isnan(stagePhase) ? VanishedPhase(imH, reD) : stagePhase;
    }

    gain += gainDb + 10 * std::log10(magnitudeProduct);
    const double principal = std::atan2(phasorIm, phasorRe);
    const double turns = std::round((coarsePhase - principal) / kTwoPi);
    phase += (principal + turns * kTwoPi) * kDegreesPerRadian + exactPhase;
}

void EvaluateCascade(const DesignState& s, double f, double& gain, double& phase)
{
    CascadeTerms terms;
    const int count = CollectStages(s, terms);
    AddCascade(terms.data(), count, f, gain, phase);
}

void EvaluateStage(const DesignState& s, int k, double f, double& gain, double& phase)
{
    StageTerms terms;
    if (k >= 1 && k <= StageCount(s) && CollectStage(s, k, terms)) AddCascade(&terms, 1, f, gain, phase);
}

void ComputeResponse(DesignState& s)
{
    // The sweep arrays hold points 0..2000; a count from a file or a caller
    // outside that range is brought into it, and the record keeps the count
    // that was swept so every view reads the same points.
    const int n = std::clamp<int>(s.NrInts, 0, kMaxPoints);
    s.NrInts = static_cast<Integer>(n);

    const Single fstart = FiniteSingle(s.Fstart);
    const Single fstop = FiniteSingle(s.Fstop);
    const double lnStart = std::log(static_cast<double>(LogSweepLimit(fstart)));
    const double lnStop = std::log(static_cast<double>(LogSweepLimit(fstop)));
    const bool linear = s.Sweep == SweepSpacing::Linear;

    for (int l = 0; l <= n; ++l) {
        Single f = fstart;
        if (n > 0) {
            if (linear) {
                // Single arithmetic throughout, as the linear points always were.
                f = (fstop - fstart) * static_cast<Single>(l) / static_cast<Single>(n) + fstart;
                if (!std::isfinite(f)) f = FiniteSingle(fstart + (static_cast<double>(fstop) - fstart) * l / n);
            } else {
                f = FiniteSingle(std::exp(lnStart + (lnStop - lnStart) * l / n));
            }
        } else if (!linear) {
            f = LogSweepLimit(fstart);
        }
        s.Freq[l] = f;
    }

    // The stages' part values do not change during the sweep.
    CascadeTerms terms;
    const int count = CollectStages(s, terms);
    SweepCascade(terms.data(), count, s.Freq.data(), n + 1, s.GainDB.data(), s.Phase.data(), s.Delay.data());
    s.Delay[0] = FiniteSingle(FirstPointDelay(std::size_t(n) + 1, s.Delay[1], s.Delay[2]));
}

void ComputeFrequencyGrid(DesignState& s)
{
    const Single fstart = FiniteSingle(s.Fstart);
    const Single fstop = FiniteSingle(s.Fstop);

    if (s.Sweep == SweepSpacing::Linear) {
        if (s.NrX < 0) {
            s.NrGridX = -1;
            return;
        }
        const int nx = std::min<int>(s.NrX, kMaxPoints);
        s.NrGridX = static_cast<Integer>(nx);
        if (nx == 0) {
            s.GridF[0] = fstart;
            return;
        }
        for (int i = 0; i <= nx; ++i) {
            const Single x = static_cast<Single>(i);
            Single g = fstart + (fstop - fstart) * x / static_cast<Single>(nx);
            if (!std::isfinite(g)) g = FiniteSingle(fstart + (static_cast<double>(fstop) - fstart) * i / nx);
            s.GridF[i] = g;
        }
        return;
    }
    if (s.Sweep != SweepSpacing::Log) return;

    s.NrGridX = -1;
    // The margin keeps a line at Fstop itself, which the Single decade value
    // overshoots by a few millionths.
    const Single limit = FiniteSingle(static_cast<double>(fstop) * 1.0001);
    const Single lowest = LogSweepLimit(fstart);
    Single decade = 0.001f;
    for (;;) {
        for (double step : kDecadeSteps) {
            const double candidate = decade * step;
            // A line the grid array cannot hold in Single ends the decades too.
            if (candidate > limit || !(candidate <= FLT_MAX)) return;
            if (candidate >= lowest) {
                if (s.NrGridX >= kMaxPoints) return;
                ++s.NrGridX;
                s.GridF[s.NrGridX] = static_cast<Single>(candidate);
            }
        }
        decade = decade * 10.0f;
    }
}

}  // namespace stelvane
