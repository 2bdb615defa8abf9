#pragma once

#include <string>

#include "engine/designstate.h"
#include "platform/notifier.h"

namespace stelvane {

inline constexpr const char* kNetlistNotWrittenMessage = "We could not write the ngspice netlist file";

// The opamp every stage of a netlist is built around.
enum class OpampModel {
    Ideal,      // a controlled source of kIdealOpampGain, with the resistors R
    Specified,  // the single-pole opamp of the design window, with the corrected resistors Rs
};

// A stage of Q asks its opamp for a gain near 2Q^2 (2e6 at Q 1000, which a
// narrow Chebyshev of high order has); the error of a finite gain A is about
// 2Q^2/A. At 1e16 it stays below a millionth up to Q 70000, and ngspice's
// pivoting keeps the solution accurate at such a gain (1e9 would already
// move a Q-1000 design by 0.002 dB).
constexpr double kIdealOpampGain = 1e16;

// The netlist's node names: stage k's output is "s<k>", its input "in" for
// stage 1; the last stage's output is "out" as well.
std::string StageOutputNode(int k);

// Whether the record holds a circuit the netlist can describe: stages 1..21
// whose parts (R, or Rs for the specified opamp) are finite and not 0, and
// for the specified opamp a GBW, DC gain and input resistance above 0. An
// empty text when it does; otherwise what stands in the way.
std::string NetlistProblem(const DesignState& s, OpampModel model);

// The ngspice netlist of the design: a title, the AC source VIN of amplitude
// 1 on node "in", every stage's MFB network with one opamp subcircuit, the
// opamp model, an .ac line over the record's sweep and .end. Part values
// carry nine significant digits in exponent form, which brings every Single
// back exactly. Lines end in CR LF like every file the program writes.
std::string NetlistText(const DesignState& s, OpampModel model);

// The analysis a netlist ends with: the AC sweep, or ngspice's noise
// analysis over the same points (output v(out), input VIN).
enum class NetlistAnalysis { Ac, Noise };
// The netlist with the analysis chosen. Whenever the opamp has a noise
// figure above 0 (Bench.En, Bench.In), each stage's opamp gets its own
// noise: a 1-ohm resistor held at 27 C whose thermal noise, scaled by a
// controlled source, is en in series with the grounded input, and another
// whose noise drives in into the inverting input. With either, and in a
// noise analysis, the resistors at Bench.TempC (".options temp", when it is
// not ngspice's 27 C), the opamp model's own resistors kept noiseless, and
// the ideal opamp's gain 2e5 Q^2 (at least 1e9) rather than 1e16, so that
// ngspice's noise analysis keeps its digits.
std::string NetlistText(const DesignState& s, OpampModel model, NetlistAnalysis analysis);

// What a written netlist asks of ngspice run on its own (ngspice -b FILE):
// the output's gain in dB and phase in radians at every point of the sweep,
// printed on standard output. Printing writes no file the user did not ask
// for; the program's own check leaves the line out.
inline constexpr const char* kStandaloneOutputRequest = ".print ac vdb(out) vp(out)";
// NetlistText with kStandaloneOutputRequest before its .end.
std::string StandaloneNetlistText(const DesignState& s, OpampModel model);

// Writes StandaloneNetlistText to the named file; on failure (or a record the netlist
// cannot describe) it beeps, says so and leaves an existing file as it was.
// The record is not changed. Returns whether the file was written.
bool WriteNetlist(const DesignState& s, OpampModel model, const std::string& fileName, Notifier& notifier);

}  // namespace stelvane
