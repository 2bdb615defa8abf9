#pragma once

#include "engine/designstate.h"

namespace stelvane {

// Centre frequency, Q and peak gain of every stage from its present R and C;
// a stage whose parts give no sensible result is flagged in StageInvalid.
void AnalyzeStageParts(DesignState& s);

}  // namespace stelvane
