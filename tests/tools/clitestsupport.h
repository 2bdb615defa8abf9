#pragma once

// Runs the command-line companion in this process, as the tests of its options do.

#include <cmath>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tools/clijson.h"
#include "tools/clirun.h"

namespace stelvane::testing {

struct CliRun {
    int code;
    std::string out, err;
};

// The second line of every usage error.
inline constexpr const char* kSeeHelp = "see stelvane-cli --help\n";

// Every value of "key" in a JSON text, arrays flattened, in the document's
// order; null reads as NaN. The text must parse as JSON.
inline std::vector<double> Numbers(const std::string& json, const std::string& key)
{
    std::vector<double> found;
    const std::regex member(".*/" + key + "(/[0-9]+)?");
    const Json flat = Json::parse(json).flatten();
    for (const auto& [pointer, value] : flat.items())
        if (std::regex_match(pointer, member)) found.push_back(value.is_null() ? NAN : value.get<double>());
    return found;
}

// The arguments as a case's name, each cut to 20 characters.
inline std::string ArgsText(const std::vector<std::string>& args)
{
    std::string text;
    for (const auto& a : args) text += a.substr(0, 20) + " ";
    return text;
}

// RunCli on the arguments (and --json when asked), with what it printed.
inline CliRun RunCliIn(std::vector<std::string> args, bool json = false)
{
    if (json) args.push_back("--json");
    std::ostringstream out, err;
    const int code = RunCli(args, out, err);
    return {code, out.str(), err.str()};
}

}  // namespace stelvane::testing
