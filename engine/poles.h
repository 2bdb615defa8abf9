#pragma once

#include "engine/designstate.h"

namespace stelvane {

constexpr int kMaxBesselOrder = 10;  // the Bessel pole table ends at order 10

// Places the normalised lowpass prototype poles of Family/Order/Apass in
// PoleRe/PoleIm (Bessel lowers Order to 10; family 4 keeps the poles, Apass 0).
void ComputePrototypePoles(DesignState& s);
// Maps every prototype pole to one bandpass stage: Qbp, StageF, StageQ.
void TransformToBandpass(DesignState& s);

}  // namespace stelvane
