#pragma once

#include <complex>
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

// Runs the netlist's AC analysis in the process's one ngspice and reads the
// voltages of the named nodes. ngspice keeps global state, so the calls of
// all threads are taken one at a time, each with the C number format, and
// the circuit and its results are removed afterwards. The library is loaded
// on first use; when it cannot be loaded, or ngspice stopped itself after an
// unrecoverable error (after which it is not called again in this process),
// the analysis fails with a message and the program goes on.
AcAnalysis RunAcAnalysis(const std::string& netlist, const std::vector<std::string>& nodeNames);

} // namespace stelvane
