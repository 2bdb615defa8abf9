#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/practicalparts.h"
#include "engine/standardseries.h"

namespace stelvane {

// What the command line asked for. A text option holds the text exactly as
// typed; it goes into the matching box of the design window's inputs and is
// read there like anything the user types.
struct CliOptions {
    std::optional<std::string> center, width, gain, ripple, order, cap;
    std::optional<std::string> gbw, dcgain, zin;
    std::optional<std::string> start, stop, intervals;
    std::optional<int> family; // 1 Butterworth, 2 Chebyshev, 3 Bessel
    std::optional<int> sweep;  // 1 linear, 2 logarithmic

    std::optional<std::string> load, save, easy, scientific, spice;
    std::optional<std::string> monteCarlo, rTol, cTol, distribution, seed; // a tolerance run
    bool specifiedOpamp = false;

    // Parts that can be bought (tools/cliparts.h).
    std::optional<StandardSeries> series;
    std::optional<std::string> bom;
    std::optional<ResistorRange> rRange;
    bool sensitivity = false;
    bool suggestCap = false;

    bool overlay = false;
    bool json = false;
    bool help = false;
    // the ngspice netlist and the check against ngspice
    std::optional<std::string> netlist, verifyNetlist, toleranceDb;
    std::optional<std::string> spiceTimeout; // seconds ngspice may take for a check
    bool verify = false;
};

struct CliParse {
    CliOptions options;
    std::string error; // one line; empty when the arguments were understood
};

// Reads the arguments (without the program name). Both "--option value" and
// "--option=value" are accepted; a later repetition of an option wins.
CliParse ParseCliArgs(const std::vector<std::string>& args);

// The usage text, with the start-up design's values shown as the defaults.
std::string UsageText();

} // namespace stelvane
