#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/designstate.h"
#include "spice/netlist.h"

namespace stelvane {

// The largest netlist file read for a check: a design's netlist of 21
// stages is under 5 kB.
inline constexpr std::size_t kLargestNetlistFile = std::size_t{1} << 20;

// A netlist from outside made fit to simulate, or why it is refused.
struct CircuitNetlist {
    std::string text;   // what ngspice is given; empty when refused
    std::string error;  // "line 7 holds .control, ...", empty when accepted
};

// Keeps a netlist from outside to a circuit: element, comment and
// continuation lines and the dot lines .subckt, .ends, .model, .param,
// .options, .ac and .end (in any case, after any blanks). Every other dot
// line, a comment that ngspice would run as a command (*#), a code-model
// instance (A..., some of which read files) and a title that makes the deck
// a script (*ng_script) refuse it, naming the line and its keyword. The
// title is replaced by a fixed one, control characters inside a line become
// blanks, a written netlist's .print lines are dropped, and the first .ac
// line (with its continuation lines, as with .print) becomes sweepLine, the
// others are dropped; without one, sweepLine goes before .end. So the
// verdict is always over the design's own frequencies.
CircuitNetlist CircuitOnly(std::string_view netlist, const std::string& sweepLine);

// The design's sweep as its netlist states it: ".ac lin 1001 ... ...".
std::string DesignSweepLine(const DesignState& s, OpampModel model);

// Reads a netlist file to check: a regular file of at most
// kLargestNetlistFile bytes (a folder, a device or a FIFO is refused without
// waiting on it). false with why in error otherwise; refused tells a file
// that was refused from one that could not be read.
bool ReadNetlistFile(const std::string& path, std::string& text, std::string& error, bool& refused);

}  // namespace stelvane
