#pragma once

// Runs the command-line companion in this process, as the tests of its options do.

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "tools/clirun.h"

namespace stelvane::testing {

struct CliRun { int code; std::string out, err; };

// The second line of every usage error.
inline constexpr const char* kSeeHelp = "see stelvane-cli --help\n";

// Every number, or every number of the array, that follows "key": in a JSON
// text, in order; null reads as NaN.
inline std::vector<double> Numbers(const std::string& json, const std::string& key)
{
    std::vector<double> found;
    const std::string head = "\"" + key + "\": ";
    for (auto at = json.find(head); at != std::string::npos; at = json.find(head, at + 1)) {
        std::istringstream values(json.substr(at + head.size(), json.find('\n', at) - at - head.size()));
        for (std::string item; std::getline(values, item, ',');) {
            item.erase(0, item.find_first_not_of(" ["));
            if (!item.empty() && item[0] != ']') found.push_back(item[0] == 'n' ? NAN : std::stod(item));
        }
    }
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
