#pragma once

#include <string>

#include "engine/designstate.h"
#include "platform/notifier.h"

namespace stelvane {

// The last-session file lives in the working directory under this name.
inline constexpr const char* kLastSessionFileName = "QUIBEX.LAST";

inline constexpr const char* kLastSessionNotWrittenMessage = "The last-session file was not written correctly";
inline constexpr const char* kLastSessionNotFoundMessage = "Last-session file not found; defaults installed";
inline constexpr const char* kLastSessionDamagedMessage = "The last-session file is damaged; defaults installed";
// A damaged last-session file is kept under its name with this added.
inline constexpr const char* kDamagedSuffix = ".damaged";
inline constexpr const char* kDesignNotReadMessage = "The design file could not be read; the design was not changed";

// Saves the design (centre, width, gain, order and family, sweep and graph
// settings, poles, capacitors, resistors) as a design file; the old file
// survives a failed save. On failure it beeps. Returns whether it was written.
bool WriteDesignFile(const DesignState& state, const std::string& fileName, Notifier& notifier);

// Loads a design file into the record. The record changes only when the whole
// file has been read and every value is one the program can hold (an Order of
// 1 to 21, 1 to 10 for a Bessel design; Family 1 to 4; Sweep 1 or 2; NrX and
// NrY 1 to 12; Center, Width, Fstart and Fstop above 0; dBTop above dBBottom;
// one value a line); otherwise it stays as it was and the user is told which
// file, which line and why.
// Returns whether the design was read.
bool ReadDesignFile(DesignState& state, const std::string& fileName, Notifier& notifier);

// Saves the design to the last-session file; on failure it beeps and says so,
// and the old file survives. Returns whether the file was written.
bool WriteLastSession(const DesignState& state, Notifier& notifier, const std::string& fileName = kLastSessionFileName);

// Loads the last-session file into the record as a design file is loaded;
// when it is missing or damaged, installs the default settings and capacitors
// instead and says so. A damaged file is said to be damaged (and why) and is
// kept beside under its name with ".damaged" added.
// Returns whether the file was read.
bool ReadLastSession(DesignState& state, Notifier& notifier, const std::string& fileName = kLastSessionFileName);

}  // namespace stelvane
