#pragma once

#include <array>
#include <optional>

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

// The resistors that make a stage with capacitors c1 and c2 behave on the
// opamp as the ideal-opamp stage of `ideal` does: its dominant pole pair and
// its gain at the centre frequency are the ideal stage's. Solved by Newton's
// method from `start` (the first-order correction, say); nothing when no
// positive set of resistors does it.
std::optional<StageResistors> ExactStageResistors(
    const StageResistors& ideal, double c1, double c2, const SinglePoleOpamp& opamp, const StageResistors& start);

}  // namespace stelvane
