#include "engine/poles.h"

#include <algorithm>
#include <cmath>

namespace stelvane {

namespace {

// One Bessel pole per stage, normalised to a group delay of 1 s at DC. The
// order of the poles within a row decides which stage gets which frequency,
// so the rows keep their historical order (orders 8 to 10 start with the
// positive imaginary part, order 9 puts its real pole third).
struct Pole {
    Single re;
    Single im;
};

constexpr Pole kBessel1[] = {{-1.0f, 0.0f}};
constexpr Pole kBessel2[] = {{-1.5f, -0.8660254f}, {-1.5f, 0.8660254f}};
constexpr Pole kBessel3[] = {{-2.322165f, 0.0f}, {-1.838907f, -1.754381f}, {-1.838907f, 1.754381f}};
constexpr Pole kBessel4[] = {
    {-2.896211f, -0.8672341f}, {-2.896211f, 0.8672341f}, {-2.103789f, -2.657418f}, {-2.103789f, 2.657418f}};
constexpr Pole kBessel5[] = {{-3.646739f, 0.0f}, {-3.351956f, -1.742661f}, {-3.351956f, 1.742661f},
    {-2.324674f, -3.571033f}, {-2.324674f, 3.571033f}};
constexpr Pole kBessel6[] = {{-4.248359f, -0.8675097f}, {-4.248359f, 0.8675097f}, {-3.735708f, -2.626272f},
    {-3.735708f, 2.626272f}, {-2.515932f, -4.492673f}, {-2.515932f, 4.492673f}};
constexpr Pole kBessel7[] = {{-4.971787f, 0.0f}, {-4.75829f, -1.739286f}, {-4.75829f, 1.739286f},
    {-4.070139f, -3.517174f}, {-4.070139f, 3.517174f}, {-2.685677f, -5.420694f}, {-2.685677f, 5.420694f}};
constexpr Pole kBessel8[] = {{-5.204841f, 2.616175f}, {-5.204841f, -2.616175f}, {-5.587886f, 0.8676144f},
    {-5.587886f, -0.8676144f}, {-4.368289f, 4.414443f}, {-4.368289f, -4.414443f}, {-2.838984f, 6.353911f},
    {-2.838984f, -6.353911f}};
constexpr Pole kBessel9[] = {{-6.129368f, 1.737848f}, {-6.129368f, -1.737848f}, {-6.297019f, 0.0f},
    {-5.604422f, 3.498157f}, {-5.604422f, -3.498157f}, {-4.63844f, 5.317272f}, {-4.63844f, -5.317272f},
    {-2.979261f, 7.291464f}, {-2.979261f, -7.291464f}};
constexpr Pole kBessel10[] = {{-6.615291f, 2.611568f}, {-6.615291f, -2.611568f}, {-6.922045f, 0.8676652f},
    {-6.922045f, -0.8676652f}, {-5.967528f, 4.384947f}, {-5.967528f, -4.384947f}, {-4.88622f, 6.224986f},
    {-4.88622f, -6.224986f}, {-3.108916f, 8.232699f}, {-3.108916f, -8.232699f}};

constexpr const Pole* kBesselRows[kMaxBesselOrder + 1] = {
    nullptr, kBessel1, kBessel2, kBessel3, kBessel4, kBessel5, kBessel6, kBessel7, kBessel8, kBessel9, kBessel10};

// A real pole is recognised by an imaginary part that is negligible next to
// its real part, or next to the prototype's normalised band edge of 1 rad/s.
// The middle pole of an odd-order Butterworth or Chebyshev carries a rounding
// residue of up to about 2e-7 there (its angle is the Single nearest pi/2)
// and must count as real; every true pair lies at least 0.07 off the axis.
constexpr double kRealPoleRatio = 1e-6;

bool IsRealPole(double sigma, double omega)
{
    return std::abs(omega) <= kRealPoleRatio * std::max(std::abs(sigma), 1.0);
}

// The angle of Butterworth pole k of n, carried in Single as the record's
// arithmetic always has been; this is what leaves the middle pole of an odd
// order a hair off the real axis.
Single ButterworthAngle(int k, int n, Single pi)
{
    const Single numerator = static_cast<Single>(2 * k - 1) * pi;
    return numerator / static_cast<Single>(2 * n);
}

void PlaceButterworthPoles(DesignState& s, int n, Single pi)
{
    for (int k = 1; k <= n; ++k) {
        const double theta = ButterworthAngle(k, n, pi);
        s.PoleRe[k] = static_cast<Single>(-std::sin(theta));
        s.PoleIm[k] = static_cast<Single>(std::cos(theta));
    }
}

void PlaceChebyshevPoles(DesignState& s, int n, Single pi)
{
    if (n == 0) return;
    const double apass = s.Apass;
    const Single epsilon = static_cast<Single>(std::sqrt(std::pow(10.0, 0.1 * apass) - 1.0));
    if (!(epsilon > 0)) {
        // A ripple too small to leave any epsilon (below about 1e-15 dB, only
        // from a file) would send the poles to infinity; it is no ripple.
        PlaceButterworthPoles(s, n, pi);
        return;
    }
    const double inverse = 1.0 / static_cast<double>(epsilon);
    const Single a = static_cast<Single>(std::log(inverse + std::sqrt(inverse * inverse + 1.0)) / n);
    const double ea = std::exp(static_cast<double>(a));
    const double eMinusA = std::exp(-static_cast<double>(a));
    const Single sinhA = static_cast<Single>((ea - eMinusA) / 2.0);
    const Single coshA = static_cast<Single>((ea + eMinusA) / 2.0);
    if (!std::isfinite(coshA)) {
        PlaceButterworthPoles(s, n, pi);
        return;
    }
    for (int k = 1; k <= n; ++k) {
        const double theta = ButterworthAngle(k, n, pi);
        s.PoleRe[k] = static_cast<Single>(-std::sin(theta) * sinhA);
        s.PoleIm[k] = static_cast<Single>(std::cos(theta) * coshA);
    }
}

void PlaceBesselPoles(DesignState& s)
{
    if (s.Order > kMaxBesselOrder) s.Order = kMaxBesselOrder;
    const int n = StageCount(s);
    const Pole* row = kBesselRows[n];
    for (int k = 1; k <= n; ++k) {
        s.PoleRe[k] = row[k - 1].re;
        s.PoleIm[k] = row[k - 1].im;
    }
}

// A stage that no second-order section can realise: it keeps a finite
// frequency, a Q of 0, and the flag that makes the views say so.
void MarkStageInvalid(DesignState& s, int k, double frequency)
{
    const Single f = static_cast<Single>(frequency);
    s.StageF[k] = std::isfinite(f) && f > 0 ? f : 0.0f;
    s.StageQ[k] = 0;
    s.StageInvalid[k] = 1;
}

}  // namespace

void ComputePrototypePoles(DesignState& s)
{
    const Single pi = PiOf(s);
    switch (s.Family) {
    case FilterFamily::Butterworth: PlaceButterworthPoles(s, StageCount(s), pi); break;
    case FilterFamily::Bessel: PlaceBesselPoles(s); break;
    case FilterFamily::FromPoles:
        // Poles brought by a design file are the design; only the ripple goes.
        s.Apass = 0;
        break;
    default:
        // Chebyshev, and any family code the program does not know.
        if (s.Apass > 0) {
            PlaceChebyshevPoles(s, StageCount(s), pi);
        } else {
            PlaceButterworthPoles(s, StageCount(s), pi);
        }
        break;
    }
}

void TransformToBandpass(DesignState& s)
{
    const int n = StageCount(s);
    const double center = s.Center;
    const bool positiveBand = center > 0 && std::isfinite(center) && s.Width > 0;
    const Single qbp = positiveBand ? static_cast<Single>(center / static_cast<double>(s.Width)) : 0.0f;
    const bool bandUsable = positiveBand && std::isfinite(qbp) && qbp > 0;
    s.Qbp = bandUsable ? qbp : 0.0f;

    for (int k = 1; k <= n; ++k) {
        const double sigma = s.PoleRe[k];
        const double omega = s.PoleIm[k];
        if (!bandUsable || !std::isfinite(sigma) || !std::isfinite(omega)) {
            MarkStageInvalid(s, k, bandUsable ? center : 0.0);
            continue;
        }
        const Single d = static_cast<Single>(2.0 * sigma / qbp);
        if (d == 0) {
            // A pole on the imaginary axis (or too close for a Single to tell)
            // maps to an undamped pair: the stage would need an infinite Q.
            // Keep its true frequency for the views.
            const double half = std::abs(omega) / (2.0 * qbp);
            const double root = std::sqrt(half * half + 1.0);
            MarkStageInvalid(s, k, omega > 0 ? center * (root - half) : center * (root + half));
            continue;
        }
        s.StageInvalid[k] = 0;
        if (IsRealPole(sigma, omega)) {
            // A real pole is one section at the centre whatever the width: for
            // wide bands its two bandpass poles are real, and taking them as a
            // pair still gives a section at the centre, now with Q below 0.5.
            s.StageF[k] = s.Center;
            s.StageQ[k] = static_cast<Single>(static_cast<double>(qbp) / std::abs(sigma));
        } else {
            const Single e =
                static_cast<Single>((sigma * sigma + omega * omega) / (static_cast<double>(qbp) * qbp) + 4.0);
            const double dd = static_cast<double>(d) * d;
            // E^2 - 4D^2 is never negative in exact arithmetic; rounding must
            // not turn a vanishing value into a NaN.
            const double g = std::sqrt(std::max(0.0, static_cast<double>(e) * e - 4.0 * dd));
            s.StageQ[k] = static_cast<Single>(std::sqrt((e + g) / (2.0 * dd)));
            const double m = static_cast<double>(s.StageQ[k]) * sigma / qbp;
            const Single w = static_cast<Single>(m + std::sqrt(std::abs(m * m - 1.0)));
            if (omega < 0) {
                s.StageF[k] = static_cast<Single>(std::abs(center / w));
            } else {
                s.StageF[k] = static_cast<Single>(std::abs(center * w));
            }
        }
        if (!std::isfinite(s.StageF[k]) || !std::isfinite(s.StageQ[k]) || s.StageF[k] <= 0 || s.StageQ[k] <= 0) {
            MarkStageInvalid(s, k, center);
        }
    }
}

}  // namespace stelvane
