#include "engine/stageanalysis.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace stelvane {

namespace {

// The centre frequency is divided by this rather than by 2*pi; the readouts
// have always been about one part in a million above w0/(2*pi), and designs
// tuned against them should keep reading the same.
constexpr double kStageTwoPi = 6.28318;

bool UsablePart(Single v)
{
    // Rejects 0, negatives, NaN and infinity in one test.
    return v > 0 && std::isfinite(v);
}

// False for NaN, infinity and anything a Single cannot hold.
bool FitsSingle(double v) { return std::fabs(v) <= FLT_MAX; }

void MarkInvalid(DesignState& s, int k)
{
    s.StageFoActual[k] = 0;
    s.StageQActual[k] = 0;
    s.StageGainActual[k] = 0;
    s.StageInvalid[k] = 1;
}

}  // namespace

void AnalyzeStageParts(DesignState& s)
{
    const int order = StageCount(s);
    for (int k = 1; k <= order; ++k) {
        const Single r1f = s.R[k][1], r2f = s.R[k][2], r3f = s.R[k][3];
        const Single c1f = s.C[k][1], c2f = s.C[k][2];
        if (!(UsablePart(r1f) && UsablePart(r2f) && UsablePart(r3f) && UsablePart(c1f) && UsablePart(c2f))) {
            // A missing or negative part (a negative R2 from a gain too high
            // for the stage's Q) leaves no meaningful centre, Q or gain.
            MarkInvalid(s, k);
            continue;
        }
        const double r1 = r1f, r2 = r2f, r3 = r3f, c1 = c1f, c2 = c2f;

        const double omega = std::sqrt((r2 / r1 + 1) / (c1 * r2 * r3 * c2));
        const double gain = (r3 / r1) / (c2 / c1 + 1);
        const double qRoot = std::sqrt(r3 / r2 + r3 / r1);
        // Positive finite parts can still give readouts beyond the range of
        // Single at its extremes; such a stage is no more drawable than one
        // with a part of 0.
        if (!(FitsSingle(omega) && FitsSingle(gain) && FitsSingle(qRoot))) {
            MarkInvalid(s, k);
            continue;
        }
        const Single fo = static_cast<Single>(static_cast<Single>(omega) / kStageTwoPi);
        const Single q = static_cast<Single>(static_cast<Single>(qRoot) / (std::sqrt(c1 / c2) + std::sqrt(c2 / c1)));
        s.StageFoActual[k] = fo;
        s.StageGainActual[k] = static_cast<Single>(gain);
        s.StageQActual[k] = q;
        s.StageInvalid[k] = 0;
    }
}

}  // namespace stelvane
