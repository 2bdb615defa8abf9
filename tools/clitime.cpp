#include "tools/clitime.h"

#include <charconv>
#include <cmath>

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "tools/clireport.h"

namespace stelvane {
namespace {

constexpr double kPercent = 100;

}  // namespace

TimeRequest TimeRequestFromOptions(const CliOptions& o)
{
    TimeRequest r;
    r.kind = o.impulse ? TimeKind::Impulse : o.burst ? TimeKind::Burst : TimeKind::Step;
    if (o.burst) {
        const std::string f = LowerCase(o.burst->first);
        r.burstFreq = f == "centre" || f == "center" ? 0 : CliNumber(o.burst->first);
        r.burstCycles = static_cast<int>(CliNumber(o.burst->second));
    }
    if (o.timeStop) r.stop = CliNumber(*o.timeStop);
    if (o.timePoints) r.points = static_cast<int>(CliNumber(*o.timePoints));
    if (o.settle) r.settleShare = CliNumber(*o.settle) / kPercent;
    return r;
}

Json TimeJson(const TimeResponse& r)
{
    Json j;
    j["kind"] = TimeKindName(r.kind);
    // each array made whole before it joins: a reference into the object would not outlive the next member
    Json t = Json::array(), v = Json::array();
    for (const double x : r.t) t.push_back(JsonDouble(x));
    for (const double x : r.v) v.push_back(JsonDouble(x));
    j["t"] = std::move(t);
    j["v"] = std::move(v);
    const TimeFigures& f = r.figures;
    j["peak"] = JsonDouble(f.peak);
    j["overshoot_pct"] = JsonDouble(f.overshootPct);
    j["peak_time_s"] = JsonDouble(f.peakTime);
    j["settling_time_s"] = JsonDouble(f.settlingTime);
    j["settle_pct"] = JsonDouble(kPercent * r.settleShare);
    j["settling_time_share_s"] = JsonDouble(f.shareSettlingTime);
    if (r.kind == TimeKind::Burst) {
        j["burst_freq_hz"] = JsonDouble(r.burstFreq);
        j["burst_cycles"] = r.burstCycles;
        j["steady_amplitude"] = JsonDouble(r.steadyAmplitude);
        j["rise_time_s"] = JsonDouble(f.riseTime);
        j["decay_time_s"] = JsonDouble(f.decayTime);
    }
    if (!r.problem.empty()) j["problem"] = r.problem;
    return j;
}

std::string TimeSummary(const TimeResponse& r)
{
    std::string t = "\nTime response: ";
    for (const std::string& line : TimeFigureLines(r)) t += line + "\n";
    return t;
}

}  // namespace stelvane
