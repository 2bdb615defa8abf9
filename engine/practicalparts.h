#pragma once

#include <optional>
#include <vector>

#include "engine/designstate.h"
#include "engine/standardseries.h"

namespace stelvane {

// The resistances that are easy to buy and behave: below the low end the
// opamp drives too hard, above the high end its input currents and the
// board's leakage matter.
struct ResistorRange {
    double low = 1e3;
    double high = 1e6;
};
inline constexpr ResistorRange kPracticalResistors{};

// The resistors the circuit is built with: Rs for the specified opamp, else R.
const ResArray& BuiltResistors(const DesignState& s, PartsType parts);

// A resistor of stage 1..Order, part 1..3, and its value.
struct StageResistor {
    int stage = 0;
    int part = 0;
    Single ohms = 0;
};
// The built resistors outside the range, stage by stage (a value of 0 or
// below counts as outside: no such part can be bought).
std::vector<StageResistor> ResistorsOutsideRange(const DesignState& s, PartsType parts, const ResistorRange& range);

// A capacitor for every stage that centres the built resistors in the range.
// Every resistor scales as 1/C when all capacitors are scaled together, so
// the capacitor is the series value whose resistors have their
// ratio-midpoint, the geometric mean of the smallest and the largest,
// nearest the range's own.
struct CapacitorSuggestion {
    double capacitor = 0;  // farads
    double lowest = 0;     // the smallest and largest resistor with it, ohms
    double highest = 0;
};
// Nothing when the design has no positive resistor or no first capacitor
// to scale from (C(1,1), the capacitor every designed stage has).
std::optional<CapacitorSuggestion> SuggestCapacitor(
    const DesignState& s, PartsType parts, const ResistorRange& range, StandardSeries series);

}  // namespace stelvane
