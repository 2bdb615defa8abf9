#pragma once

#include "engine/designstate.h"

namespace stelvane {

// Rounds every resistor R of stages 1..Order to the nearest 5% (E24) value.
void NearestStandardValue(DesignState& s);
// Sets the start-up constants Pi and VersionText.
void InitEngine(DesignState& s);

} // namespace stelvane
