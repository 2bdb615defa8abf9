#pragma once

#include <functional>
#include <string>

#include "engine/designstate.h"
#include "tools/cliargs.h"
#include "tools/clijson.h"

namespace CLI {
class App;
}

// The command line's options for parts that can be bought: standard series,
// sensitivities, the parts list, the practical resistor range and the
// capacitor that suits it.
namespace stelvane {

// Adds --series NAME and --r-range LO HI (or --r-range=LO,HI) to the parser;
// each reads into the options or hands refuse its one line.
void AddPartsOptions(CLI::App& app, CliOptions& options, const std::function<void(std::string)>& refuse);

// The usage lines of these options.
std::string PartsUsageText();

// What the summary adds: the series the resistors were rounded to, the
// resistors outside the practical range, the suggested capacitor and the
// sensitivity tables, each when asked for or (the range) when it applies.
std::string PartsSummary(const CliOptions& options, const DesignState& s);

// What the JSON adds: an object of "series", "suggested_cap" and
// "sensitivity", each when asked for.
Json PartsJson(const CliOptions& options, const DesignState& s);

}  // namespace stelvane
