#pragma once

#include "engine/designstate.h"

namespace stelvane {

// Equal-capacitor MFB synthesis: StageGain, R, the opamp correction factors and
// Rs (the exact correction's when it is chosen, see ApplyExactCorrection).
void SynthesizeStages(DesignState& s);
// The resistors Rs that give the present parts' centre frequency, Q and gain
// on the specified opamp (the correction a design run applies, from what the
// parts give instead of the family's targets), with the capacitors as they
// are, or the exact ones when that correction is chosen. A stage with a part
// of 0 or below gets an Rs of 0.
void CorrectPartsForOpamp(DesignState& s);
// Poles, transform and synthesis (when ManualEntry is 1, only the opamp
// correction of the parts as they stand), then the part analysis and the sweep.
void RunDesignChain(DesignState& s);

}  // namespace stelvane
