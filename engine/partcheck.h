#pragma once

#include <string>

#include "engine/designstate.h"

namespace stelvane {

// Whether the record's parts are what the family design of its figures
// (centre, width, gain, family, order, ripple, the first capacitor) gives,
// as far as figures kept to seven significant digits can tell: each part is
// compared within the spread that rounding the figures brings to it. A
// design without parts counts as the family's.
bool PartsAreFamilyDesign(const DesignState& s);

// What keeps a stage's parts (R or Rs, and C) from being a circuit: nothing,
// a negative part (a gain too high for the Q), or a part of 0 or a value that
// is not finite (no circuit at all).
enum class StageFault { None, Negative, Missing };
StageFault StageFaultOf(const DesignState& s, int k, bool specifiedOpamp = false);
// The first stage of stages 1..Order with that fault, or 0.
int FirstStageWith(const DesignState& s, StageFault fault, bool specifiedOpamp = false);

// Why stage k cannot be built with the ideal-opamp resistors R (or the
// specified opamp's Rs), in words; empty when every part is above 0. A gain
// too high for the stage's Q is named with the Q it would need, as in
// "Stage 2 cannot be built: its gain 12.3 needs Q above 2.48".
std::string UnbuildableStageText(const DesignState& s, int k, bool specifiedOpamp = false);

}  // namespace stelvane
