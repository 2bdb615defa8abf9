#pragma once

#include "engine/designstate.h"

namespace stelvane {

// Adds the cascade's gain (dB) and phase (degrees) at f to the accumulators.
void EvaluateCascade(const DesignState& s, double f, double& gain, double& phase);
// The same for stage k alone; nothing is added when its parts leave it out of the cascade.
void EvaluateStage(const DesignState& s, int k, double f, double& gain, double& phase);
// Fills Freq, GainDB, Phase and Delay for points 0..NrInts.
void ComputeResponse(DesignState& s);
// Fills GridF/NrGridX with the plot's vertical grid frequencies.
void ComputeFrequencyGrid(DesignState& s);

} // namespace stelvane
