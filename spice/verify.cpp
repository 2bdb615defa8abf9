#include "spice/verify.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <complex>
#include <limits>

#include "engine/noise.h"
#include "engine/numbertext.h"
#include "engine/response.h"

namespace stelvane {

namespace {

using Complex = std::complex<double>;

const double kDegreesPerRadian = 45.0 / std::atan(1.0);

// The program's response of the cascade (stage 0) or of stage k alone at f,
// as the circuit has it: the program's phase leaves out the inversion of
// every stage, the simulator does not.
Complex EngineResponse(const DesignState& s, int stage, double f, double& gainDb, double& phaseDeg)
{
    double gain = 0, phase = 0;
    if (stage == 0)
        EvaluateCascade(s, f, gain, phase);
    else
        EvaluateStage(s, stage, f, gain, phase);
    gainDb = gain;
    phaseDeg = phase;
    const bool inverted = stage != 0 || StageCount(s) % 2 == 1;
    return std::polar(std::pow(10.0, gain / 20), phase / kDegreesPerRadian) * (inverted ? -1.0 : 1.0);
}

// A figure rounded to the given significant digits (upward when asked: a
// "within" must not claim less than was found), in plain decimals.
std::string Figure(double value, int digits, bool upward)
{
    if (!std::isfinite(value)) return "an unmeasurable amount";
    if (value <= 0) return "0";
    auto lastDigit = [digits](double v) { return static_cast<int>(std::floor(std::log10(v))) - (digits - 1); };
    const double step = std::pow(10.0, lastDigit(value));
    const double rounded = (upward ? std::ceil(value / step * (1 - 1e-12)) : std::round(value / step)) * step;
    char buffer[64];
    // rounding may have carried into a new leading digit (9.95 to 10)
    const auto end = std::to_chars(
        buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, std::max(0, -lastDigit(rounded)));
    return std::string(buffer, end.ptr);
}

std::string Shortest(double value)
{
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

std::string Hertz(double f) { return Trimmed(FormatEng(static_cast<Single>(f))) + "Hz"; }

std::string Where(const CurveAgreement& c, double freq)
{
    return " at " + Hertz(freq) + (c.stage == 0 ? " in the cascade" : " in stage " + std::to_string(c.stage));
}

void Compare(const DesignState& s, const AcAnalysis& a, int stage, CurveAgreement& out)
{
    const auto& input = a.nodes[static_cast<std::size_t>(stage == 0 ? 0 : stage - 1)];
    const auto& output = a.nodes[static_cast<std::size_t>(stage == 0 ? a.nodes.size() - 1 : stage)];
    const std::size_t n = a.freq.size();
    std::vector<double> engineDb(n);
    std::vector<Complex> ratio(n);
    double peak = -std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < n; ++i) {
        double phase = 0;
        ratio[i] = output[i] / input[i] / EngineResponse(s, stage, a.freq[i], engineDb[i], phase);
        peak = std::max(peak, engineDb[i]);
    }
    out.stage = stage;
    for (std::size_t i = 0; i < n; ++i) {
        if (!(engineDb[i] >= peak - kCheckedDepthDb)) continue;
        double gain = std::fabs(20 * std::log10(std::abs(ratio[i])));
        double phase = std::fabs(std::arg(ratio[i]) * kDegreesPerRadian);
        if (!std::isfinite(gain)) gain = std::numeric_limits<double>::infinity();
        if (!std::isfinite(phase)) phase = std::numeric_limits<double>::infinity();
        const double f = a.freq[i];
        if (gain > out.maxGainErrorDb) out.maxGainErrorDb = gain, out.gainErrorFreq = f;
        if (phase > out.maxPhaseErrorDeg) out.maxPhaseErrorDeg = phase, out.phaseErrorFreq = f;
        if (engineDb[i] >= peak - kPassbandDepthDb && gain > out.passbandMaxGainErrorDb)
            out.passbandMaxGainErrorDb = gain, out.passbandErrorFreq = f;
    }
}

// The simulated cascade for drawing: the program's curve moved by the
// difference at every point, so its phase stays on the program's turn.
void SimulatedCurves(const DesignState& s, const AcAnalysis& a, Verification& v)
{
    const std::size_t n = a.freq.size();
    v.freq = a.freq;
    v.gainDb.resize(n);
    v.phaseDeg.resize(n);
    v.delay.assign(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
        double engineDb = 0, enginePhase = 0;
        const Complex engine = EngineResponse(s, 0, a.freq[i], engineDb, enginePhase);
        const Complex simulated = a.nodes.back()[i] / a.nodes.front()[i];
        v.gainDb[i] = 20 * std::log10(std::abs(simulated));
        v.phaseDeg[i] = enginePhase + std::arg(simulated / engine) * kDegreesPerRadian;
        if (i >= 1) v.delay[i] = GroupDelayOver(a.freq[i - 1], v.phaseDeg[i - 1], a.freq[i], v.phaseDeg[i]);
    }
    if (n >= 2) v.delay[0] = FirstPointDelay(n, v.delay[1], v.delay[std::min<std::size_t>(2, n - 1)]);
}

}  // namespace

std::vector<std::string> ComparedNodes(const DesignState& s)
{
    std::vector<std::string> nodes{"in"};
    for (int k = 1; k <= StageCount(s); ++k) nodes.push_back(StageOutputNode(k));
    return nodes;
}

Verification CompareWithEngine(const DesignState& s, OpampModel model, const AcAnalysis& analysis, double toleranceDb)
{
    Verification v;
    v.model = model;
    v.toleranceDb = toleranceDb;
    const int stages = StageCount(s);
    if (!analysis.ok) {
        v.message = analysis.message;
        return v;
    }
    if (analysis.nodes.size() != static_cast<std::size_t>(stages) + 1 || analysis.freq.empty() || stages == 0) {
        v.message = "the simulation does not hold the design's stages";
        return v;
    }
    v.simulated = true;
    v.points = static_cast<int>(analysis.freq.size());
    Compare(s, analysis, 0, v.cascade);
    CurveAgreement stageGain, stagePhase;  // the stages that differ most
    for (int k = 1; k <= stages; ++k) {
        CurveAgreement& c = v.stages.emplace_back();
        Compare(s, analysis, k, c);
        if (k == 1 || c.maxGainErrorDb > stageGain.maxGainErrorDb) stageGain = c;
        if (k == 1 || c.maxPhaseErrorDeg > stagePhase.maxPhaseErrorDeg) stagePhase = c;
    }
    // A stage that differs carries the difference into the cascade: the
    // stage is named. The cascade is named when only it differs (a fault
    // between the stages), or when it differs most and nothing fails.
    const bool stageGainFails = stageGain.maxGainErrorDb > kIdealGainToleranceDb;
    const bool stagePhaseFails = stagePhase.maxPhaseErrorDeg > kIdealPhaseToleranceDeg;
    v.worstGain = stageGainFails || stageGain.maxGainErrorDb >= v.cascade.maxGainErrorDb ? stageGain : v.cascade;
    v.worstPhase =
        stagePhaseFails || stagePhase.maxPhaseErrorDeg >= v.cascade.maxPhaseErrorDeg ? stagePhase : v.cascade;
    if (model == OpampModel::Ideal)
        v.passed = !stageGainFails && !stagePhaseFails && v.cascade.maxGainErrorDb <= kIdealGainToleranceDb &&
            v.cascade.maxPhaseErrorDeg <= kIdealPhaseToleranceDeg;
    else
        v.passed = v.cascade.passbandMaxGainErrorDb <= toleranceDb;
    SimulatedCurves(s, analysis, v);
    return v;
}

Verification VerifyDesign(const DesignState& s, OpampModel model, double toleranceDb, const SimulationLimits& limits)
{
    if (const std::string problem = NetlistProblem(s, model); !problem.empty()) {
        Verification v;
        v.model = model;
        v.toleranceDb = toleranceDb;
        v.message = "There is nothing to simulate. " + problem;
        return v;
    }
    return CompareWithEngine(s, model, RunAcAnalysis(NetlistText(s, model), ComparedNodes(s), limits), toleranceDb);
}

std::string AgreementText(const Verification& v)
{
    if (!v.simulated) return v.message;
    if (v.model == OpampModel::Specified) {
        const CurveAgreement& c = v.cascade;
        if (v.passed)
            return "The specified opamp in ngspice stays within " + Figure(c.passbandMaxGainErrorDb, 1, true) +
                " dB of the ideal design over the passband (" + Figure(c.maxGainErrorDb, 1, true) +
                " dB over the sweep)";
        return "The specified opamp in ngspice misses the ideal design by " +
            Figure(c.passbandMaxGainErrorDb, 2, false) + " dB in the passband (at " + Hertz(c.passbandErrorFreq) +
            "), more than the " + Shortest(v.toleranceDb) + " dB allowed";
    }
    const double gain = std::max(v.worstGain.maxGainErrorDb, v.cascade.maxGainErrorDb);
    const double phase = std::max(v.worstPhase.maxPhaseErrorDeg, v.cascade.maxPhaseErrorDeg);
    if (v.passed) return "ngspice agrees within " + Figure(gain, 1, true) + " dB and " + Figure(phase, 1, true) + "°";
    return "ngspice differs by " + Figure(v.worstGain.maxGainErrorDb, 2, false) + " dB" +
        Where(v.worstGain, v.worstGain.gainErrorFreq) + " and by " + Figure(v.worstPhase.maxPhaseErrorDeg, 2, false) +
        "°" + Where(v.worstPhase, v.worstPhase.phaseErrorFreq);
}

// ---- noise ----

NoiseVerification CompareNoiseWithEngine(const DesignState& s, OpampModel model, const AcAnalysis& analysis)
{
    NoiseVerification v;
    if (!analysis.ok || analysis.nodes.size() != 1) {
        v.message = analysis.ok ? "ngspice's noise analysis gave no output density" : analysis.message;
        return v;
    }
    v.simulated = true;
    v.freq = analysis.freq;
    for (const Complex& d : analysis.nodes[0]) v.density.push_back(d.real());
    const PartsType parts = model == OpampModel::Specified ? PartsType::Specified : PartsType::Ideal;
    const std::vector<double> engine = NoiseDensity(s, parts, v.freq);
    const double peak = engine.empty() ? 0 : *std::max_element(engine.begin(), engine.end());
    const double floor = peak * std::pow(10.0, -kNoiseDepthDb / 20);
    for (std::size_t p = 0; p < engine.size(); ++p) {
        if (!(engine[p] >= floor) || !(engine[p] > 0)) continue;
        ++v.points;
        const double error = std::fabs(v.density[p] / engine[p] - 1);
        // a difference that is no number is the largest of all
        if (!(error <= v.maxError)) v.maxError = std::isnan(error) ? HUGE_VAL : error, v.worstFreq = v.freq[p];
    }
    v.passed = v.points > 0 && v.maxError <= kNoiseTolerance;
    return v;
}

NoiseVerification VerifyNoise(const DesignState& s, OpampModel model, const SimulationLimits& limits)
{
    if (const std::string problem = NetlistProblem(s, model); !problem.empty()) {
        NoiseVerification v;
        v.message = "There is nothing to simulate. " + problem;
        return v;
    }
    const ResArray& r = model == OpampModel::Specified ? s.Rs : s.R;
    for (int k = 1; k <= StageCount(s); ++k)
        for (int j = 1; j <= 3; ++j)
            if (r[k][j] < 0) {
                NoiseVerification v;
                v.skipped = true;
                v.message = "The noise is not compared with ngspice: stage " + std::to_string(k) +
                    " has a negative resistor, whose noise ngspice counts as negative and the program by its size";
                return v;
            }
    const std::string netlist = NetlistText(s, model, NetlistAnalysis::Noise);
    return CompareNoiseWithEngine(s, model, RunAcAnalysis(netlist, {"onoise_spectrum"}, limits));
}

std::string NoiseAgreementText(const NoiseVerification& v)
{
    if (!v.simulated) return v.message;
    if (v.points == 0) return "ngspice's noise has no point to compare: the design makes no noise";
    if (v.passed) return "ngspice's noise agrees within " + Figure(100 * v.maxError, 1, true) + "%";
    return "ngspice's noise differs by " + Figure(100 * v.maxError, 2, false) + "% at " + Hertz(v.worstFreq) +
        ", more than the " + Shortest(100 * kNoiseTolerance) + "% allowed";
}

}  // namespace stelvane
