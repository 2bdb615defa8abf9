#include "spice/transient.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

#include "engine/numbertext.h"
#include "files/textfile.h"
#include "spice/netlist.h"

namespace stelvane {
namespace {

// The drive's rise (or the impulse's width) as a share of the sample step:
// the response it gives is the exact one moved by half of it.
constexpr double kDriveShare = 1e-4;
// ngspice's largest step as a share of the sample step, and its tolerances:
// tight enough that its own error stays far below the check's.
constexpr double kSubsteps = 64;
constexpr const char* kTransientOptions = ".options reltol=1e-7 abstol=1e-15 vntol=1e-12 chgtol=1e-20 trtol=1";
constexpr const char* kOutputNode = "out";

std::string Number(double value)
{
    char buffer[40];
    return std::string(
        buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 11).ptr);
}

std::string Figure(double value, int digits)
{
    char buffer[40];
    return std::string(
        buffer, std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits).ptr);
}

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// The drive of the response, as source lines between node "in" and ground.
std::vector<std::string> Drive(const std::string& name, const TimeResponse& r, double step)
{
    const double edge = kDriveShare * step;
    switch (r.kind) {
    case TimeKind::Impulse:
        return {name + " in 0 PWL(0 0 " + Number(edge / 2) + " " + Number(2 / edge) + " " + Number(edge) + " 0)"};
    case TimeKind::Burst:
        // the sine from 0, and from the burst's end its opposite: nothing is left after it
        return {name + " in burst SIN(0 1 " + Number(r.burstFreq) + " 0)",
            name + "END burst 0 SIN(0 -1 " + Number(r.burstFreq) + " " + Number(r.burstEnd) + ")"};
    default: return {name + " in 0 PWL(0 0 " + Number(edge) + " 1)"};
    }
}

// Where the samples begin to be compared: after the impulse's own width.
double FirstCompared(const TimeResponse& r)
{
    const double step = r.t.size() > 1 ? r.t[1] - r.t[0] : 0;
    return r.kind == TimeKind::Impulse ? kDriveShare * step : 0;
}

}  // namespace

std::string TransientNetlistText(const DesignState& s, const TimeResponse& r)
{
    const double step = r.t.size() > 1 ? r.t[1] - r.t[0] : 0;
    const double stop = r.t.empty() ? 0 : r.t.back();
    std::istringstream in(NetlistText(s, OpampModel::Ideal));
    std::string text;
    auto add = [&text](const std::string& line) {
        text += line;
        text += kLineEnd;
    };
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> w = Words(line);
        // the input source, whatever its name: a V element from "in" to ground
        if (w.size() >= 3 && (w[0][0] == 'V' || w[0][0] == 'v') && w[1] == "in" && w[2] == "0") {
            for (const std::string& drive : Drive(w[0], r, step)) add(drive);
        } else if (!w.empty() && w[0] == ".ac") {
            add(kTransientOptions);
            add(std::string(".save v(") + kOutputNode + ")");  // the one node compared: every time point of it kept
            add(".tran " + Number(step) + " " + Number(stop) + " 0 " + Number(step / kSubsteps));
        } else {
            add(line);
        }
    }
    return text;
}

TransientVerification CompareTransient(const TimeResponse& r, const AcAnalysis& analysis)
{
    TransientVerification v;
    v.message = analysis.message;
    if (!analysis.ok || analysis.nodes.empty() || analysis.freq.empty()) return v;
    v.simulated = true;
    v.t = analysis.freq;
    v.v.reserve(v.t.size());
    for (const auto& value : analysis.nodes.front()) v.v.push_back(value.real());
    const double peak = std::abs(r.figures.peak);
    const double first = FirstCompared(r);
    std::size_t j = 0;
    for (std::size_t k = 0; k < r.t.size(); ++k) {
        const double t = r.t[k];
        if (t <= first && first > 0) continue;
        while (j + 2 < v.t.size() && v.t[j + 1] <= t) ++j;
        if (v.t.size() < 2 || t > v.t.back() * (1 + 1e-9)) break;
        const double t0 = v.t[j], t1 = v.t[j + 1];
        const double share = t1 > t0 ? std::clamp((t - t0) / (t1 - t0), 0.0, 1.0) : 0;
        const double simulated = v.v[j] + share * (v.v[j + 1] - v.v[j]);
        const double error = peak > 0 ? std::abs(simulated - r.v[k]) / peak : std::abs(simulated - r.v[k]);
        ++v.points;
        if (!(error <= v.maxError)) {
            v.maxError = error;
            v.worstTime = t;
        }
    }
    v.passed = v.points > 0 && v.maxError <= kTransientTolerance;
    return v;
}

TransientVerification VerifyTransient(const DesignState& s, const TimeResponse& r, const SimulationLimits& limits)
{
    if (const std::string problem = NetlistProblem(s, OpampModel::Ideal); !problem.empty() || !r.problem.empty()) {
        TransientVerification v;
        v.message = "The time response cannot be simulated: " + (problem.empty() ? r.problem : problem);
        return v;
    }
    return CompareTransient(r, RunTransientAnalysis(TransientNetlistText(s, r), {kOutputNode}, limits));
}

std::string TransientAgreementText(const TransientVerification& v)
{
    if (!v.simulated) return v.message;
    if (v.points == 0) return "ngspice's transient has no sample to compare";
    if (v.passed) return "ngspice's transient agrees within " + Figure(100 * v.maxError, 2) + "% of the peak";
    return "ngspice's transient differs by " + Figure(100 * v.maxError, 3) + "% of the peak at " +
        Trimmed(FormatEngSmall(static_cast<Single>(v.worstTime))) + "s, more than the " +
        Figure(100 * kTransientTolerance, 3) + "% allowed";
}

}  // namespace stelvane
