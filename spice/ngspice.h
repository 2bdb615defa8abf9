#pragma once

#include <atomic>
#include <complex>
#include <cstddef>
#include <string>
#include <vector>

namespace stelvane {

// What an AC analysis gave back: the frequencies ngspice chose and, for every
// node asked for, its complex voltage at each of them. When the analysis
// could not be had, ok is false and message says why in the program's words
// (the simulator missing, the netlist rejected, the simulator stopped).
struct AcAnalysis {
    bool ok = false;
    std::string message;
    std::vector<double> freq;
    std::vector<std::vector<std::complex<double>>> nodes;
};

// The simulator library loaded when none is named: ngspice's shared library.
inline constexpr const char* kNgspiceLibrary = "libngspice.so.0";
// An environment variable that names another ngspice shared library to load.
inline constexpr const char* kNgspiceLibraryVariable = "STELVANE_NGSPICE_LIBRARY";

// How long and how large one simulation may grow before it is stopped, and a
// flag that stops it when set (by Stop in a window, Ctrl-C on the console).
struct SimulationLimits {
    double seconds = 20;
    std::size_t memoryBytes = std::size_t{1} << 30;
    const std::atomic<bool>* stop = nullptr;
};

// Runs the netlist's AC analysis in ngspice and reads the voltages of the
// named nodes. ngspice runs in a helper process of its own, with an empty
// working folder as its home (so no start-up file of the user's is read), a
// made-up environment, and the limits given; the helper is killed at the
// time limit or when stop is set. Whatever ends the helper (a crash, the
// memory limit, garbage) is a message; the program goes on.
AcAnalysis RunAcAnalysis(
    const std::string& netlist, const std::vector<std::string>& nodeNames, const SimulationLimits& limits = {});

// A netlist that ends in a transient analysis is run the same way: the
// answer's freq then holds ngspice's time points and each node its voltage
// (real) at them.
inline AcAnalysis RunTransientAnalysis(
    const std::string& netlist, const std::vector<std::string>& nodeNames, const SimulationLimits& limits = {})
{
    return RunAcAnalysis(netlist, nodeNames, limits);
}

// Where the helper program is: beside this program, in ../libexec/stelvane/
// of an installed one, else where the build put it. Empty when none exists.
std::string SimulationHelperPath();

}  // namespace stelvane
