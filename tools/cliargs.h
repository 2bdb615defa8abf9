#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/designstate.h"
#include "engine/practicalparts.h"
#include "engine/standardseries.h"

namespace stelvane {

// What the command line asked for. A text option holds the text exactly as
// typed; a number option's text has been found to be wholly one number
// (ParseStrictNumber) before it gets here.
struct CliOptions {
    std::optional<std::string> center, width, gain, ripple, order, cap;
    std::optional<std::string> gbw, dcgain, zin;
    std::optional<std::string> start, stop, intervals;
    std::optional<int> family;  // 1 Butterworth, 2 Chebyshev, 3 Bessel
    std::optional<int> sweep;   // 1 linear, 2 logarithmic

    std::optional<std::string> load, save, easy, scientific, spice;
    std::optional<std::string> monteCarlo, rTol, cTol, distribution, seed;  // a tolerance run
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
    std::optional<std::string> spiceTimeout;  // seconds ngspice may take for a check
    bool verify = false;

    // The bench: how the stages are built, and the signal and opamp figures
    // that headroom and noise are worked out with.
    std::optional<StageGains> stageGains;
    std::optional<OpampCorrection> correction;
    std::optional<StageOrder> stageOrder;
    std::optional<std::string> inputLevel, swing, slew, temp, en, in;
    std::optional<std::pair<std::string, std::string>> noiseBand;
    std::optional<std::string> opamp;  // a name from the opamp list

    // A requirement: FP1 FP2 AP FS1 FS2 AS, and the passband's delay spread.
    std::optional<std::array<std::string, 6>> mask;
    std::optional<std::string> delaySpread;

    // The KiCad schematic (.kicad_sch added to a name without an extension).
    std::optional<std::string> kicad;
    // A time response (tools/clitime.h): at most one kind, the burst's
    // frequency ("centre" or a number) and cycles, the samples' span and
    // count, the settling share (percent) and the CSV file of the samples.
    bool step = false, impulse = false;
    std::optional<std::pair<std::string, std::string>> burst;
    std::optional<std::string> timeStop, timePoints, settle, tabulateTime;
    bool TimeAsked() const { return step || impulse || burst.has_value(); }
    // The plot as an image file (.png or .svg) and its size in pixels, "WxH".
    std::optional<std::string> image, imageSize;
};
// The resistors the run builds with: Rs when asked for the specified opamp, else R.
inline PartsType PartsOf(const CliOptions& o) { return o.specifiedOpamp ? PartsType::Specified : PartsType::Ideal; }

struct CliParse {
    CliOptions options;
    std::string error;  // one line; empty when the arguments were understood
};

// Reads the arguments (without the program name). Both "--option value" and
// "--option=value" are accepted; a later repetition of an option wins. A
// number option takes only a text that is wholly one number, a whole number
// where only one makes sense, and a sweep frequency above 0; an option that
// does nothing without another is refused.
CliParse ParseCliArgs(const std::vector<std::string>& args);

// The size in an --image-size text: two whole numbers of pixels joined by
// an x ("800x600"), each within what an image may have; nothing otherwise.
std::optional<std::pair<int, int>> ImageSizeOf(const std::string& text);

// The value of a number option's text (one ParseCliArgs let through).
double CliNumber(const std::string& text);

// An outside text as a message quotes it: at most 300 characters (Shortened),
// in single quotes with control characters as \xNN (Quoted).
std::string Shortened(const std::string& text);
std::string Quoted(const std::string& text);

// The usage text, with the start-up design's values shown as the defaults.
std::string UsageText();

}  // namespace stelvane
