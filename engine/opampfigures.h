#pragma once

#include <optional>
#include <vector>

#include "engine/designstate.h"

namespace stelvane {

// The opamp gain plot spans 0.1 Hz to 1 GHz.
constexpr double kOpampFmin = 0.1;
constexpr double kOpampFmax = 1e9;
// A DC gain above this is lowered to it: no real opamp has more.
constexpr Single kOpampHighestDCGain = 1e7f;

// Lowers a DCGain above 1e7 to 1e7 in the record.
void ClampOpampDCGain(DesignState& s);
// The opamp's corner frequency GBW / DCGain in Hz, as Single; 0 when DCGain
// and GBW do not describe a single-pole opamp (both finite and above 0).
Single OpampCornerFrequency(const DesignState& s);
// Whether DCGain and GBW describe a single-pole opamp.
bool OpampModelUsable(const DesignState& s);
// The open-loop gain in dB of the single-pole opamp DCGain / (1 + j f / Fcorner)
// at frequency f; only meaningful when the model is usable.
double OpampGainDB(const DesignState& s, double f);
// The gain stage k's resistor network asks of its opamp, in dB:
// 20 log10((R3 / (R1 || R2)) / (C2 / C1 + 1)) with the ideal-opamp resistors;
// nothing when the parts give no positive finite ratio.
std::optional<double> RequiredGainDB(const DesignState& s, int k);
// The correction of the resistors for the opamp's GBW is first order: close
// while q f0 / GBW is small (at 0.01 a stage whose peak the opamp would pull
// 1% low peaks within 0.01%), worse than none near 1 (at 0.94 a peak 41% low
// ends more than 50% high). Beyond this the opamp test warns.
constexpr double kGbwCorrectionLimit = 0.1;
// The stages 1..Order whose StageQ x StageF / GBW exceeds that limit; none
// when the GBW is not above 0.
std::vector<int> StagesBeyondGbwCorrection(const DesignState& s);

// Writes the decade frequencies 0.1 Hz .. 1 GHz into GridF and NrGridX.
void ComputeDecadeGrid(DesignState& s);

// What the opamp test says of stage k: the opamp's gain at the stage
// frequency, the gain the stage asks of it and the margin between them;
// each is missing where it cannot be had (no usable opamp, impossible parts).
struct OpampStageFigures {
    bool buildable = true;  // false: a part of 0 or below, and no gain or margin is named
    std::optional<double> opampGain;
    std::optional<double> required;
    std::optional<double> margin;
};
OpampStageFigures OpampFiguresOf(const DesignState& s, int k);

}  // namespace stelvane
