#pragma once

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>

#include "engine/designstate.h"

namespace stelvane {

// 2*pi and degrees per radian as the response takes them: from arctan(1) in
// double precision.
inline const double kCascadeTwoPi = 8.0 * std::atan(1.0);
inline const double kDegreesPerRadian = 45.0 / std::atan(1.0);

// One stage's ideal-opamp response in the form the sweep evaluates:
// H = -j*w*r3c1 / ((a - w^2*b) + j*w*d), the coefficients taken once per
// sweep rather than once per point.
struct StageTerms {
    double r3c1;  // R3*C1
    double a;     // 1 + R1/R2
    double b;     // R1*R3*C1*C2
    double d;     // R1*(C1 + C2)
};

// A stage's magnitude is never taken below 1e-20 (-400 dB): at 0 Hz, or when
// the arithmetic leaves the range of double, |H| comes out as 0 and its
// logarithm would be minus infinity. No real part set gets near this floor
// at any frequency a plot can show.
constexpr double kMagnitudeFloor = 1e-20;
// Squared stage magnitudes and stage phasors inside these bounds go into the
// running products; anything beyond them takes the stage-by-stage path.
constexpr double kProductLow = 1e-100;
constexpr double kProductHigh = 1e100;
// The running product of squared magnitudes is turned into decibels before
// it leaves these bounds.
constexpr double kRunningProductLow = 1e-150;
constexpr double kRunningProductHigh = 1e150;

using CascadeTerms = std::array<StageTerms, kMaxStages>;

// The terms of stages 1..Order; a stage with a part of 0 or one that is not a
// finite number is left out. Returns how many were collected.
int CollectStages(const DesignState& s, CascadeTerms& terms);

// Adds the cascade's gain (dB) and phase (degrees) at f, one point at a time.
void AddCascade(const StageTerms* terms, int count, double f, double& gain, double& phase);

// The cascade at freq[0..points) (points at most kMaxPoints + 1), many
// frequencies at once: gainDb[l] and phase[l] are the Singles that
// AddCascade gives at freq[l], bit for bit, and delay[l] for l >= 1 the
// backward-difference group delay of ComputeResponse (0 where two
// frequencies are equal); delay[0] is left to the caller. phase and delay
// may be null when only the gain is wanted.
void SweepCascade(
    const StageTerms* terms, int count, const Single* freq, int points, Single* gainDb, Single* phase, Single* delay);

// Rounds to Single without ever producing NaN or infinity, so that nothing a
// view draws or a file writes can be one: NaN becomes 0 and values beyond the
// Single range are held at its largest value.
inline Single FiniteSingle(double v)
{
    if (std::isnan(v)) return 0;
    return static_cast<Single>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

}  // namespace stelvane
