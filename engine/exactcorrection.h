#pragma once

#include <array>
#include <optional>
#include <string>

#include "engine/designstate.h"

namespace stelvane {

// The opamp a stage is corrected for: one pole, a finite gain at DC and a
// resistance between its inputs.
struct SinglePoleOpamp {
    double dcGain;  // v/v
    double gbw;     // Hz
    double zin;     // ohms
};

// R1, R2 and R3 of one MFB bandpass stage, in that order.
using StageResistors = std::array<double, 3>;

// Frequencies in Hz, the lower first.
struct FrequencyBand {
    double low, high;
};

// How far the exact correction lets a stage on the opamp stray from the ideal
// stage over the band it is held to: half the hundredth of a dB the cascade is
// checked to, as two low-Q stages (a wide pair) may both be fitted that close;
// stages of higher Q, which keep the ideal pole pair, land far below it.
constexpr double kExactStageMissDb = 0.005;

// The resistors that make a stage with capacitors c1 and c2 behave on the
// opamp as the ideal-opamp stage of `ideal` does over `band` and the stage's
// own 3 dB band, within kExactStageMissDb. First its dominant pole pair and
// its gain at the centre frequency are made the ideal stage's (Newton's
// method from `start`, the first-order correction, say); where the opamp's
// own pole lies so near that this tilts the passband more than allowed (a
// low Q), the gain over the band is fitted instead. Nothing when no positive
// set of resistors holds the band.
std::optional<StageResistors> ExactStageResistors(const StageResistors& ideal, double c1, double c2,
    const SinglePoleOpamp& opamp, const StageResistors& start, FrequencyBand band);

// The largest gain difference in dB between the stage with `onOpamp` on the
// opamp and the stage with `ideal` on an ideal one, over the band.
double StageMissDb(const StageResistors& onOpamp, const StageResistors& ideal, double c1, double c2,
    const SinglePoleOpamp& opamp, FrequencyBand band);

// With the exact correction chosen: every stage's Rs becomes the exact set
// for the ideal parts R; a stage without one keeps its first-order Rs and is
// marked in ExactMissed. With the first-order correction only ExactMissed is
// cleared.
void ApplyExactCorrection(DesignState& s);

// Why stage k has no exact resistors, in words; empty when it has them.
std::string ExactMissedText(const DesignState& s, int k);

}  // namespace stelvane
