#pragma once

#include "engine/designstate.h"

namespace stelvane {

// Equal-capacitor MFB synthesis: StageGain, R, the opamp correction factors and Rs.
void SynthesizeStages(DesignState& s);
// Poles, transform and synthesis (left out when ManualEntry is 1), then the
// part analysis and the sweep.
void RunDesignChain(DesignState& s);

} // namespace stelvane
