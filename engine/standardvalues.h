#pragma once

#include "engine/designstate.h"

namespace stelvane {

// Rounds every resistor R of stages 1..Order to the nearest 5% (E24) value.
void NearestStandardValue(DesignState& s);
// The nearest 5% (E24) value of one resistance, as NearestStandardValue rounds it.
Single NearestStandardValueOf(Single value);
// The program's version as the record and its files name it.
inline constexpr const char* kVersionText = "Version 2.03";
// Sets the start-up constants Pi and VersionText.
void InitEngine(DesignState& s);

}  // namespace stelvane
