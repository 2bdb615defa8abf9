#include "engine/sensitivity.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace stelvane {

StageSensitivities SensitivitiesOf(const StageParts& parts)
{
    StageSensitivities s;
    const bool usable = std::all_of(parts.begin(), parts.end(), [](double v) { return v > 0 && std::isfinite(v); });
    if (!usable) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        s.f0.fill(nan);
        s.q.fill(nan);
        s.gain.fill(nan);
        return s;
    }
    const auto [r1, r2, r3, c1, c2] = parts;
    // w0^2 = (R1 + R2) / (R1 R2 R3 C1 C2): R1 and R2 share their half by
    // the other's part of R1 + R2; R3, C1 and C2 each take half.
    const double shareR1 = r2 / (r1 + r2);
    const double shareR2 = r1 / (r1 + r2);
    s.f0 = {-0.5 * shareR1, -0.5 * shareR2, -0.5, -0.5, -0.5};
    // Q = sqrt(R3 (R1 + R2) / (R1 R2)) sqrt(C1 C2) / (C1 + C2): the
    // resistors as for w0 but with R3 up, the capacitors only through
    // their ratio.
    const double capSpread = (c2 - c1) / (2 * (c1 + c2));
    s.q = {-0.5 * shareR1, -0.5 * shareR2, 0.5, capSpread, -capSpread};
    // Gain = R3 C1 / (R1 (C1 + C2)).
    const double c2Share = c2 / (c1 + c2);
    s.gain = {-1, 0, 1, c2Share, -c2Share};
    return s;
}

StageParts PartsOfStage(const DesignState& s, int stage)
{
    const int k = std::clamp(stage, 1, kMaxStages);
    return {s.R[k][1], s.R[k][2], s.R[k][3], s.C[k][1], s.C[k][2]};
}

}  // namespace stelvane
