#pragma once

#include <string>
#include <vector>

#include "engine/designstate.h"
#include "spice/netlist.h"
#include "spice/ngspice.h"

namespace stelvane {

// The ideal-opamp check: the engine and the simulated netlist describe the
// same circuit when they agree within these at every point that lies less
// than kCheckedDepthDb below the curve's peak. Further down the two double
// computations part on rounding alone, not on the circuit.
constexpr double kIdealGainToleranceDb = 0.001;
constexpr double kIdealPhaseToleranceDeg = 0.01;
constexpr double kCheckedDepthDb = 100;
// The passband: the points within 3 dB of the peak.
constexpr double kPassbandDepthDb = 3;
// How far the specified opamp may take the passband from the ideal design.
constexpr double kDefaultToleranceDb = 0.1;
// The same with the exact opamp correction.
constexpr double kExactToleranceDb = 0.01;
// The tolerance a check holds the design's specified opamp to unless told:
// what its opamp correction promises.
inline double DesignToleranceDb(const DesignState& s)
{
    return s.Bench.Correction == OpampCorrection::Exact ? kExactToleranceDb : kDefaultToleranceDb;
}

// How closely one simulated curve follows the program's own: the cascade
// (stage 0) or one stage alone. Differences in dB and degrees, each with the
// frequency where it is largest.
struct CurveAgreement {
    int stage = 0;
    double maxGainErrorDb = 0, gainErrorFreq = 0;
    double maxPhaseErrorDeg = 0, phaseErrorFreq = 0;
    double passbandMaxGainErrorDb = 0, passbandErrorFreq = 0;
};

// The check of a design against ngspice.
struct Verification {
    bool simulated = false;  // ngspice ran; otherwise message says why not
    std::string message;
    OpampModel model = OpampModel::Ideal;
    double toleranceDb = kDefaultToleranceDb;
    int points = 0;
    CurveAgreement cascade;
    std::vector<CurveAgreement> stages;    // stages 1..Order
    CurveAgreement worstGain, worstPhase;  // the curves where the largest differences lie
    bool passed = false;
    // The simulated cascade at ngspice's frequencies, its phase on the same
    // turn as the program's, and its group delay, for drawing.
    std::vector<double> freq, gainDb, phaseDeg, delay;
};

// Simulates the design's netlist with the opamp model in ngspice and compares
// every stage and the cascade with the program's own response at ngspice's
// frequencies. The specified opamp is compared with the ideal design, which
// the corrected resistors on it are meant to reproduce. The record is not
// changed.
Verification VerifyDesign(const DesignState& s, OpampModel model, double toleranceDb = kDefaultToleranceDb,
    const SimulationLimits& limits = {});

// The nodes an analysis must hold for CompareWithEngine, in this order: the
// input and every stage's output.
std::vector<std::string> ComparedNodes(const DesignState& s);
// The comparison of an analysis of those nodes with the program's response.
Verification CompareWithEngine(
    const DesignState& s, OpampModel model, const AcAnalysis& analysis, double toleranceDb = kDefaultToleranceDb);

// The agreement in words: "ngspice agrees within 0.0002 dB and 0.001°", or
// where and by how much it differs, or why there is no simulation.
std::string AgreementText(const Verification& v);

// The noise check: ngspice's noise analysis of the netlist and the
// program's output density agree when they differ by at most
// kNoiseTolerance (relative) at every point within kNoiseDepthDb of the
// density's peak.
constexpr double kNoiseTolerance = 0.01;
constexpr double kNoiseDepthDb = 60;

struct NoiseVerification {
    bool simulated = false;  // ngspice ran; otherwise message says why not
    bool skipped = false;    // not simulated, as no comparison would mean anything (message says why)
    std::string message;
    int points = 0;        // the points compared
    double maxError = 0;   // the largest relative difference of the densities
    double worstFreq = 0;  // where it lies
    bool passed = false;
    std::vector<double> freq, density;  // ngspice's output density, V/rtHz
};

// Runs ngspice's noise analysis of the design's netlist with the opamp model
// (its resistors, its opamps' noise) and compares the output density with
// the program's at ngspice's frequencies. A circuit with a negative resistor
// is skipped: ngspice counts its noise as negative, the program by its size.
// The record is not changed.
NoiseVerification VerifyNoise(const DesignState& s, OpampModel model, const SimulationLimits& limits = {});
// The comparison of a noise analysis (one vector: the output density) with the program's density.
NoiseVerification CompareNoiseWithEngine(const DesignState& s, OpampModel model, const AcAnalysis& analysis);
// "ngspice's noise agrees within 0.02%", or where and by how much it differs, or why there is no simulation.
std::string NoiseAgreementText(const NoiseVerification& v);

}  // namespace stelvane
