#pragma once

// Runs the command-line companion in this process, as the tests of its options do.

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tools/clirun.h"

namespace stelvane::testing {

struct CliRun { int code; std::string out, err; };

// The second line of every usage error.
inline constexpr const char* kSeeHelp = "see stelvane-cli --help\n";

// Every value of "key" in a JSON text, arrays flattened, in the document's
// order; null reads as NaN. The text must parse as JSON.
inline void CollectNumbers(const nlohmann::ordered_json& j, const std::string& key, bool take,
                           std::vector<double>& found)
{
    if (!j.is_structured()) {
        if (take) found.push_back(j.is_null() ? NAN : j.get<double>());
        return;
    }
    for (auto it = j.begin(); it != j.end(); ++it)
        CollectNumbers(*it, key, j.is_object() ? it.key() == key : take, found);
}
inline std::vector<double> Numbers(const std::string& json, const std::string& key)
{
    std::vector<double> found;
    CollectNumbers(nlohmann::ordered_json::parse(json), key, false, found);
    return found;
}

// RunCli on the arguments (and --json when asked), with what it printed.
inline CliRun RunCliIn(std::vector<std::string> args, bool json = false)
{
    if (json) args.push_back("--json");
    std::ostringstream out, err;
    const int code = RunCli(args, out, err);
    return {code, out.str(), err.str()};
}

} // namespace stelvane::testing
