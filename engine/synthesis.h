#pragma once

#include <vector>

#include "engine/designstate.h"

namespace stelvane {

// Equal-capacitor MFB synthesis: StageGain, R, the opamp correction factors and
// Rs (the exact correction's when it is chosen, see ApplyExactCorrection).
void SynthesizeStages(DesignState& s);
// Buildable stage gains: shares totalDb (the passband gain and the loss
// make-up, in dB) over the stages so that each builds with margin, the
// stages of higher Q taking more; where sharing is not enough, a stage's C1
// is raised to the least E12 value (at most 10 x C2) that builds it. Writes
// StageGain and C(k,1) of stages 1..Order; C(k,2) is kept.
void ShareBuildableGains(DesignState& s, double totalDb);
// What buildable gains cannot do for the record's stages: the stages whose
// parts still cannot be built (R2 below 0; only for a designed buildable
// design), and the highest total gain in dB that every stage can be built
// with, with margin and C1 up to 10 x C2.
struct BuildableLimit {
    std::vector<int> stages;
    double highestGainDb = 0;
};
BuildableLimit BuildableGainLimit(const DesignState& s);
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
