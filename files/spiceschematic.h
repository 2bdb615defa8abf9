#pragma once

#include <string>

#include "engine/designstate.h"
#include "platform/notifier.h"

namespace stelvane {

inline constexpr const char* kSpiceNotWrittenMessage = "We could not write the LTspice schematic file";
// Follows the words on the stage that has a part of 0 or no value.
inline constexpr const char* kSpiceNotBuildableEnding = ". The LTspice schematic was not written.";

// Writes the design as an LTspice schematic: an AC source, every stage with its
// parts (R, or Rs for the specified opamp), opamps, grounds, an output flag and an
// AC sweep over the design's range. On failure it beeps and says so, and an
// existing file is left as it was. The record is not changed. Returns whether
// the file was written.
bool WriteSpiceSchematic(const DesignState& state, PartsType parts, const std::string& fileName, Notifier& notifier);

}  // namespace stelvane
