#pragma once

#include <cstddef>

#include "engine/designstate.h"

namespace stelvane {

// Adds the cascade's gain (dB) and phase (degrees) at f to the accumulators.
void EvaluateCascade(const DesignState& s, double f, double& gain, double& phase);
// The same for stage k alone; nothing is added when its parts leave it out of the cascade.
void EvaluateStage(const DesignState& s, int k, double f, double& gain, double& phase);
// The group delay of one sweep interval in seconds: minus the phase step in
// cycles over the frequency step; 0 over an interval of no width.
inline double GroupDelayOver(double fBefore, double phaseBefore, double fAfter, double phaseAfter)
{
    const double den = 360 * (fAfter - fBefore);
    return den != 0 ? (phaseBefore - phaseAfter) / den : 0;
}
// The delay at a sweep's first point, which has no interval below it: the
// line through the next two extended, the only neighbour repeated, or 0.
inline double FirstPointDelay(std::size_t points, double second, double third)
{
    return points >= 3 ? 2 * second - third : points == 2 ? second : 0;
}

// Fills Freq, GainDB, Phase and Delay for points 0..NrInts.
void ComputeResponse(DesignState& s);
// Fills GridF/NrGridX with the plot's vertical grid frequencies.
void ComputeFrequencyGrid(DesignState& s);

}  // namespace stelvane
