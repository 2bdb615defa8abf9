#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/designstate.h"

namespace stelvane {

// A writer that writes every part in full (the netlist, the parts list) may
// let its text read back this far from the part, relatively: the seventh
// significant digit's rounding and no more.
inline constexpr double kFullPartText = 1e-6;
// The LTspice schematic rounds its parts on purpose to its formatters'
// ranges, which keep four significant digits and more for every resistor from
// 0.01 ohm and every capacitor from 1 fF: half a unit in the fourth digit.
inline constexpr double kRoundedPartText = 5e-4;

// What a writer puts down for one part: the value it means to write (the part
// itself, or the series value it stands for) and the value its text gives
// when read as a number (nothing when the text is none).
struct WrittenPart {
    double meant;
    std::optional<double> read;
};

// How a writer writes part p (1..3 for R1..R3, 4 and 5 for C1 and C2) of a
// value; the stage is given for writers that round stage by stage.
using PartWriting = std::function<WrittenPart(int stage, int part, double value)>;

// Why a writer that writes the record's parts so cannot write them: for the
// first stage of 1..Order with a part of 0 or not finite, today's words
// ("Stage 2 cannot be built: its R3 is 0"), and for one whose text would read
// back further than the tolerance from what it means, the part as it is
// ("Stage 2 cannot be built: its R1 is 1e-13 ohms"). The resistors are the
// specified opamp's Rs when specifiedOpamp is set, else R. Empty when every
// part is written as itself.
std::string WrittenPartProblem(const DesignState& s, bool specifiedOpamp, double tolerance, const PartWriting& write);

}  // namespace stelvane
