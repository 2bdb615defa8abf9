#pragma once

// Runs the command-line companion in this process, as the tests of its options do.

#include <sstream>
#include <string>
#include <vector>

#include "tools/clirun.h"

namespace stelvane::testing {

struct CliRun { int code; std::string out, err; };

// RunCli on the arguments (and --json when asked), with what it printed.
inline CliRun RunCliIn(std::vector<std::string> args, bool json = false)
{
    if (json) args.push_back("--json");
    std::ostringstream out, err;
    const int code = RunCli(args, out, err);
    return {code, out.str(), err.str()};
}

} // namespace stelvane::testing
