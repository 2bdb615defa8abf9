#pragma once

#include <string>

#include "engine/timeresponse.h"
#include "tools/cliargs.h"
#include "tools/clijson.h"

namespace stelvane {

// The response the time options ask for (a step when none is).
TimeRequest TimeRequestFromOptions(const CliOptions& o);

// The "time" object: the kind, the samples and the figures (times in s).
Json TimeJson(const TimeResponse& r);
// The same figures in words for the summary.
std::string TimeSummary(const TimeResponse& r);

}  // namespace stelvane
