#pragma once

#include <string>

#include "engine/designstate.h"
#include "platform/notifier.h"

namespace stelvane {

inline constexpr const char* kTabulatedNotWrittenMessage =
    "A problem was encountered and so the tabulated-data file was not written";

// Writes the response points 0..NrInts (frequency, gain, phase, delay) in the
// short suffixed forms of the screen, in columns 10 characters wide. On failure
// it beeps and says so, and an existing file is left as it was. The record is
// not changed. Returns whether the file was written.
bool WriteTabulatedEasy(const DesignState& state, const std::string& fileName, Notifier& notifier);

// The same points as plain numbers with up to seven significant digits, in
// columns 14 characters wide.
bool WriteTabulatedScientific(const DesignState& state, const std::string& fileName, Notifier& notifier);

}  // namespace stelvane
