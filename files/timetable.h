#pragma once

#include <string>

#include "engine/timeresponse.h"
#include "platform/notifier.h"

namespace stelvane {

inline constexpr const char* kTimeTableNotWrittenMessage = "We could not write the time response file";

// The samples as comma-separated text: the line "t,v", then one line per
// sample, time in seconds and value, each the shortest text that reads back
// as the same double. Lines end in CR LF like every file the program writes.
std::string TimeTableText(const TimeResponse& r);
// Writes it to the named file in one piece (an existing file is replaced
// whole or left as it was); on failure it beeps and says so. Returns whether
// the file was written.
bool WriteTimeTable(const TimeResponse& r, const std::string& fileName, Notifier& notifier);

}  // namespace stelvane
