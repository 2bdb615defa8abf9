#pragma once

#include <optional>
#include <string>

#include "engine/designstate.h"
#include "engine/tolerance.h"
#include "tools/cliargs.h"
#include "tools/clijson.h"

namespace stelvane {

// The tolerance run the options ask for: none without --monte-carlo, or an
// error (one line) for a value out of range or a companion option alone.
struct CliTolerance {
    std::optional<ToleranceSettings> settings;
    std::string error;
};
CliTolerance ToleranceFromOptions(const CliOptions& o);

// The run in words: settings, centre gain, the gain's spread at eleven points
// across the sweep and each stage's figures.
std::string ToleranceSummary(const ToleranceResult& r);

// The run as the JSON object of the design's "monte_carlo" member.
Json ToleranceJson(const ToleranceResult& r);

}  // namespace stelvane
