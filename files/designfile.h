#pragma once

#include <string>

#include "engine/designstate.h"
#include "platform/notifier.h"

namespace stelvane {

// The last-session file lives in the working directory under this name.
inline constexpr const char* kLastSessionFileName = "QUIBEX.LAST";

inline constexpr const char* kLastSessionNotWrittenMessage = "The last-session file was not written correctly";
inline constexpr const char* kLastSessionNotFoundMessage = "Last-session file not found; defaults installed";
inline constexpr const char* kDesignNotReadMessage = "The design file could not be read; the design was not changed";

// Saves the design (centre, width, gain, order and family, sweep and graph
// settings, poles, capacitors, resistors) as a design file; the old file
// survives a failed save. On failure it beeps. Returns whether it was written.
bool WriteDesignFile(const DesignState& state, const std::string& fileName, Notifier& notifier);

// Loads a design file into the record. The record changes only when the whole
// file has been read; otherwise it stays as it was and the user is told.
// Returns whether the design was read.
bool ReadDesignFile(DesignState& state, const std::string& fileName, Notifier& notifier);

// Saves the design to the last-session file; on failure it beeps and says so,
// and the old file survives. Returns whether the file was written.
bool WriteLastSession(const DesignState& state, Notifier& notifier,
                      const std::string& fileName = kLastSessionFileName);

// Loads the last-session file into the record; when it is missing or damaged,
// installs the default settings and capacitors instead and says so.
// Returns whether the file was read.
bool ReadLastSession(DesignState& state, Notifier& notifier,
                     const std::string& fileName = kLastSessionFileName);

} // namespace stelvane
