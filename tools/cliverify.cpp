#include "tools/cliverify.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <csignal>
#include <ostream>

#include "engine/numbertext.h"
#include "files/textfile.h"
#include "spice/netlistfilter.h"
#include "spice/quote.h"
#include "spice/verify.h"
#include "spice/transient.h"
#include "tools/clitime.h"
#include "tools/clireport.h"

namespace stelvane {
namespace {

constexpr int kDisagrees = 4;
constexpr int kNoSimulation = 1;
constexpr int kRefused = 2;
constexpr int kFigureDigits = 3;  // of a difference in the summary
// The longest time limit taken: a day is far beyond any design's check.
constexpr double kLongestSpiceTimeout = 86400;

OpampModel ModelOf(const CliOptions& o) { return o.specifiedOpamp ? OpampModel::Specified : OpampModel::Ideal; }

// A figure of the summary to that many significant digits; "-" for none.
std::string Number(double value, int digits)
{
    if (!std::isfinite(value)) return "-";
    char buf[40];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits).ptr);
}

// The largest difference of the stages and the cascade.
double LargestGainError(const Verification& v)
{
    double largest = v.cascade.maxGainErrorDb;
    for (const CurveAgreement& c : v.stages) largest = std::max(largest, c.maxGainErrorDb);
    return largest;
}
double LargestPhaseError(const Verification& v)
{
    double largest = v.cascade.maxPhaseErrorDeg;
    for (const CurveAgreement& c : v.stages) largest = std::max(largest, c.maxPhaseErrorDeg);
    return largest;
}

std::string Summary(const Verification& v)
{
    std::string t = std::string("\nCheck against ngspice, ") +
        (v.model == OpampModel::Ideal ? "ideal opamp" : "specified opamp against the ideal design") + ", " +
        std::to_string(v.points) + " points (differences where the gain is within " + Number(kCheckedDepthDb, 3) +
        " dB of its peak):\n";
    t += Cell("Stage", 9) + Cell("Gain, dB", 13) + "Phase, deg\n";
    auto row = [&](const std::string& name, const CurveAgreement& c) {
        t += Cell(name, 9) + Cell(Number(c.maxGainErrorDb, kFigureDigits), 13) +
            Number(c.maxPhaseErrorDeg, kFigureDigits) + "\n";
    };
    for (const CurveAgreement& c : v.stages) row(std::to_string(c.stage), c);
    row("cascade", v.cascade);
    t += "Passband (within " + Number(kPassbandDepthDb, 3) +
        " dB of the peak): " + Number(v.cascade.passbandMaxGainErrorDb, kFigureDigits) + " dB\n";
    return t + AgreementText(v) + (v.passed ? ": passed\n" : ": failed\n");
}

// The check's figures are doubles held, as the design's, to nine significant digits.
Json CheckJson(const Verification& v)
{
    const bool ideal = v.model == OpampModel::Ideal;
    const CurveAgreement& blamed = ideal ? v.worstGain : v.cascade;
    Json j;
    j["opamp"] = ideal ? "ideal" : "specified";
    j["points"] = v.points;
    j["max_gain_error_db"] = JsonSingle(LargestGainError(v));
    j["max_phase_error_deg"] = JsonSingle(LargestPhaseError(v));
    j["passband_max_gain_error_db"] = JsonSingle(v.cascade.passbandMaxGainErrorDb);
    j["worst_freq"] = JsonSingle(ideal ? blamed.gainErrorFreq : blamed.passbandErrorFreq);
    j["worst_stage"] = blamed.stage;
    j["tolerance_db"] = JsonSingle(ideal ? kIdealGainToleranceDb : v.toleranceDb);
    j["passed"] = v.passed;
    Json& stages = j["stages"] = Json::array();
    for (const CurveAgreement& c : v.stages)
        stages.push_back({{"stage", c.stage}, {"max_gain_error_db", JsonSingle(c.maxGainErrorDb)},
            {"max_phase_error_deg", JsonSingle(c.maxPhaseErrorDeg)}});
    return j;
}

// Ctrl-C while ngspice runs stops it (and removes its folder) before the
// program ends as Ctrl-C ends it.
std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted = true; }

class InterruptStopsSimulation {
public:
    InterruptStopsSimulation()
    {
        g_interrupted = false;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
        // a program started with Ctrl-C ignored (in the background) keeps ignoring it
        if (previous_.sa_handler == SIG_IGN) sigaction(SIGINT, &previous_, nullptr);
    }
    ~InterruptStopsSimulation()
    {
        sigaction(SIGINT, &previous_, nullptr);
        if (g_interrupted) raise(SIGINT);
    }

private:
    struct sigaction previous_ {};
};

// The file --verify-netlist names, kept to a circuit over the given sweep.
struct NetlistToCheck {
    std::string text, error;
    bool refused = false;  // not simulated (exit 2), as against unreadable (1)
};
NetlistToCheck ReadNetlistToCheck(const std::string& path, const std::string& sweepLine)
{
    NetlistToCheck n;
    std::string raw;
    if (!ReadNetlistFile(path, raw, n.error, n.refused)) return n;
    CircuitNetlist circuit = CircuitOnly(raw, sweepLine);
    n.refused = !circuit.error.empty();
    if (n.refused) n.error = "The netlist '" + QuotedText(path) + "' is not simulated: " + circuit.error;
    n.text = std::move(circuit.text);
    return n;
}

SimulationLimits LimitsOf(const CliOptions& o)
{
    SimulationLimits limits;
    if (o.spiceTimeout) limits.seconds = ParseStrictNumber(*o.spiceTimeout).value_or(limits.seconds);
    limits.stop = &g_interrupted;
    return limits;
}

// ---- noise ----

// ngspice's noise analysis of the design beside the AC check: the verdict
// joins the summary's, the figures the "verify" object's "noise", and a
// density that differs fails the check as a gain that differs does.
void CheckNoise(
    const CliOptions& o, const DesignState& s, const SimulationLimits& limits, CliCheck& check, std::ostream& err)
{
    NoiseVerification n;
    {
        const InterruptStopsSimulation interrupt;
        n = VerifyNoise(s, ModelOf(o), limits);
    }
    if (n.skipped) {
        check.text += n.message + "\n";
        check.json["noise"] = {{"compared", false}, {"reason", n.message}};
        return;
    }
    if (!n.simulated) {
        err << n.message << '\n';
        check.code = kNoSimulation;
        check.json["noise"] = {{"error", n.message}};
        return;
    }
    check.text += "Noise against ngspice's noise analysis, " + std::to_string(n.points) + " points within " +
        Number(kNoiseDepthDb, 3) + " dB of the peak density: " + NoiseAgreementText(n) +
        (n.passed ? ": passed\n" : ": failed\n");
    check.json["noise"] = {{"points", n.points}, {"max_error", JsonSingle(n.maxError)},
        {"worst_freq", JsonSingle(n.worstFreq)}, {"tolerance", kNoiseTolerance}, {"passed", n.passed}};
    if (!n.passed && check.code == 0) check.code = kDisagrees;
}

// ---- time response ----

// ngspice's transient analysis beside the AC check, for the response the
// time options ask for: the verdict joins the summary's, the figures the
// "verify" object's "time", and a response that differs fails the check.
void CheckTransient(
    const CliOptions& o, const DesignState& s, const SimulationLimits& limits, CliCheck& check, std::ostream& err)
{
    const TimeResponse r = ComputeTimeResponse(s, TimeRequestFromOptions(o));
    TransientVerification t;
    {
        const InterruptStopsSimulation interrupt;
        t = VerifyTransient(s, r, limits);
    }
    if (!t.simulated) {
        err << t.message << '\n';
        check.code = kNoSimulation;
        check.json["time"] = {{"error", t.message}};
        return;
    }
    check.text += std::string("Time response (") + TimeKindName(r.kind) + ") against ngspice's transient, " +
        std::to_string(t.points) + " samples: " + TransientAgreementText(t) + (t.passed ? ": passed\n" : ": failed\n");
    check.json["time"] = {{"kind", TimeKindName(r.kind)}, {"points", t.points},
        {"max_error_of_peak", JsonSingle(t.maxError)}, {"worst_time_s", JsonSingle(t.worstTime)},
        {"tolerance_of_peak", kTransientTolerance}, {"passed", t.passed}};
    if (!t.passed && check.code == 0) check.code = kDisagrees;
}

}  // namespace

std::string CheckOptionsError(const CliOptions& o)
{
    // the option reader has made sure that both options come with a check and above 0
    if (o.spiceTimeout) {
        const std::optional<double> seconds = ParseStrictNumber(*o.spiceTimeout);
        if (!seconds || !(*seconds > 0) || *seconds > kLongestSpiceTimeout)
            return "--spice-timeout takes a number of seconds above 0 and at most 86400, not '" +
                QuotedText(*o.spiceTimeout) + "'";
    }
    // refused before anything is written or simulated; one that cannot be read is said later
    if (o.verifyNetlist) {
        if (const NetlistToCheck n = ReadNetlistToCheck(*o.verifyNetlist, ""); n.refused) return n.error;
    }
    if (!o.toleranceDb) return {};
    const std::optional<double> tolerance = ParseDecimalText(*o.toleranceDb);
    if (tolerance && *tolerance >= 0) return {};
    return "--tolerance-db takes a number of dB, 0 or more, not '" + *o.toleranceDb + "'";
}

bool WriteCliNetlist(const CliOptions& o, const DesignState& s, Notifier& notifier)
{
    return !o.netlist || WriteNetlist(s, ModelOf(o), WithExtension(*o.netlist, ".cir"), notifier);
}

CliCheck RunCliCheck(const CliOptions& o, const DesignState& s, std::ostream& err)
{
    CliCheck check;
    if (!o.verify && !o.verifyNetlist) return check;
    const double tolerance = o.toleranceDb ? ParseDecimalText(*o.toleranceDb).value_or(0) : DesignToleranceDb(s);
    Verification v;
    const SimulationLimits limits = LimitsOf(o);
    if (o.verifyNetlist) {
        // a netlist written by --netlist and changed since: its circuit only,
        // compared with the design as it stands over the design's own sweep
        const NetlistToCheck n = ReadNetlistToCheck(*o.verifyNetlist, DesignSweepLine(s, ModelOf(o)));
        if (n.refused) {
            err << "stelvane-cli: " << n.error << '\n';
            check.code = kRefused;
            return check;
        }
        AcAnalysis analysis;
        analysis.message = n.error;
        if (n.error.empty()) {
            const InterruptStopsSimulation interrupt;
            analysis = RunAcAnalysis(n.text, ComparedNodes(s), limits);
        }
        v = CompareWithEngine(s, ModelOf(o), analysis, tolerance);
    } else {
        const InterruptStopsSimulation interrupt;
        v = VerifyDesign(s, ModelOf(o), tolerance, limits);
    }
    if (!v.simulated) {
        err << v.message << '\n';
        check.code = kNoSimulation;
        check.json = {{"opamp", o.specifiedOpamp ? "specified" : "ideal"}, {"error", v.message}};
        return check;
    }
    check.code = v.passed ? 0 : kDisagrees;
    check.text = Summary(v);
    check.json = CheckJson(v);
    if (!o.verifyNetlist) CheckNoise(o, s, limits, check, err);
    if (!o.verifyNetlist && o.TimeAsked()) CheckTransient(o, s, limits, check, err);
    return check;
}

}  // namespace stelvane
