#pragma once

#include <iosfwd>
#include <string>

#include "engine/designstate.h"
#include "platform/notifier.h"
#include "tools/cliargs.h"
#include "tools/clijson.h"

namespace stelvane {

// What the check options make of a design: the exit code (0 when the check
// passed or was not asked for, 4 when the simulation disagrees, 1 when there
// is no simulation), the comparison in words for the summary, and the
// "verify" object for the JSON.
struct CliCheck {
    int code = 0;
    std::string text;
    Json json;  // null when no check was asked for
};

// A usage error in the check options (the tolerance not a number of dB of 0
// or more, a time limit that is not a number of seconds, either without a
// check, a netlist to check that is refused), or an empty text.
std::string CheckOptionsError(const CliOptions& o);
// Writes the netlist asked for by --netlist (".cir" added to a name without
// an extension); false after a message when it could not.
bool WriteCliNetlist(const CliOptions& o, const DesignState& s, Notifier& notifier);
// Simulates the design, or the circuit in the netlist --verify-netlist names
// over the design's sweep, when asked for, within --spice-timeout; Ctrl-C
// meanwhile stops ngspice before it ends the program. A simulation that could
// not be had is said on err.
CliCheck RunCliCheck(const CliOptions& o, const DesignState& s, std::ostream& err);

}  // namespace stelvane
