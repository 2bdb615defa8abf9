#pragma once

#include <string>
#include <vector>

#include "engine/designstate.h"
#include "engine/timeresponse.h"
#include "spice/ngspice.h"

namespace stelvane {

// The transient check: ngspice's transient analysis of the ideal-opamp
// netlist and the program's exact response agree when they differ by at most
// this share of the response's peak at every sample.
constexpr double kTransientTolerance = 0.001;

struct TransientVerification {
    bool simulated = false;  // ngspice ran; otherwise message says why not
    std::string message;
    int points = 0;        // the samples compared
    double maxError = 0;   // the largest difference, as a share of the peak
    double worstTime = 0;  // s, where it lies
    bool passed = false;
    std::vector<double> t, v;  // ngspice's own time points and output voltage
};

// The design's ideal-opamp netlist driven for a transient analysis over the
// response's span: the input source replaced by the response's drive (a
// step rising within a ten-thousandth of a sample; for the impulse a
// triangle of unit area, as narrow; for the burst a sine and, from the
// burst's end, its opposite, which cancel), tight tolerances and a step of
// at most a sixty-fourth of a sample. Every line but the source and the
// analysis is the AC netlist's own.
std::string TransientNetlistText(const DesignState& s, const TimeResponse& r);

// Runs that netlist in ngspice and compares its output with the response.
// The record is not changed.
TransientVerification VerifyTransient(const DesignState& s, const TimeResponse& r, const SimulationLimits& limits = {});
// The comparison of a transient analysis of the output node (ngspice's
// times in freq) with the response: ngspice's output is interpolated
// linearly to each sample's time; for the impulse the samples within the
// drive's own width are left out.
TransientVerification CompareTransient(const TimeResponse& r, const AcAnalysis& analysis);
// "ngspice's transient agrees within 0.002% of the peak", or where and by how
// much it differs, or why there is no simulation.
std::string TransientAgreementText(const TransientVerification& v);

}  // namespace stelvane
