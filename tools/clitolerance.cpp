#include "tools/clitolerance.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>
#include <tuple>
#include <utility>

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "tools/clireport.h"

namespace stelvane {
namespace {

// A percentage (the parser has found it one number) as a fraction.
std::optional<double> Percent(const std::string& text)
{
    const double v = CliNumber(text);
    if (!(v >= 0 && v <= kMaxPartTolerance * 100)) return std::nullopt;
    return v / 100;
}

// A seed written out in digits is taken exactly; another whole number (1e3)
// only while a double holds it exactly.
std::optional<std::uint64_t> Seed(const std::string& text)
{
    std::uint64_t seed = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (r.ec == std::errc() && r.ptr == text.data() + text.size()) return seed;
    const double v = CliNumber(text);
    constexpr double kExactLimit = 9007199254740992.0;  // 2^53
    if (v >= 0 && v <= kExactLimit) return static_cast<std::uint64_t>(v);
    return std::nullopt;
}

const char* DistributionName(PartDistribution d) { return d == PartDistribution::Uniform ? "uniform" : "normal"; }

Json JsonRow(const std::vector<Single>& values)
{
    Json row = Json::array();
    for (const Single v : values) row.push_back(JsonSingle(v));
    return row;
}

Json JsonSpread(const MeanStd& m) { return {{"mean", JsonDouble(m.mean)}, {"std", JsonDouble(m.std)}}; }

}  // namespace

CliTolerance ToleranceFromOptions(const CliOptions& o)
{
    CliTolerance t;
    if (!o.monteCarlo) {
        for (const auto& [name, given] : {std::pair{"r-tol", o.rTol.has_value()}, {"c-tol", o.cTol.has_value()},
                 {"distribution", o.distribution.has_value()}, {"seed", o.seed.has_value()}})
            if (given) {
                t.error = std::string("--") + name + " needs --monte-carlo";
                return t;
            }
        return t;
    }
    ToleranceSettings s;
    const double runs = CliNumber(*o.monteCarlo);
    if (!(runs >= 1 && runs <= kMaxToleranceRuns)) {
        t.error = "--monte-carlo takes a number of copies from 1 to " + std::to_string(kMaxToleranceRuns) + ", not " +
            Quoted(*o.monteCarlo);
        return t;
    }
    s.runs = static_cast<int>(runs);
    if (!o.rTol || !o.cTol) {
        t.error = "--monte-carlo needs --r-tol and --c-tol";
        return t;
    }
    for (const auto& [name, text, target] :
        {std::tuple{"r-tol", *o.rTol, &s.resistorTolerance}, std::tuple{"c-tol", *o.cTol, &s.capacitorTolerance}}) {
        const auto fraction = Percent(text);
        if (!fraction) {
            t.error = std::string("--") + name + " takes a tolerance in percent from 0 to " +
                std::to_string(static_cast<int>(kMaxPartTolerance * 100)) + ", not " + Quoted(text);
            return t;
        }
        *target = *fraction;
    }
    if (o.distribution) {
        const std::string d = LowerCase(*o.distribution);
        if (d != "uniform" && d != "normal") {
            t.error = "--distribution takes uniform or normal, not " + Quoted(*o.distribution);
            return t;
        }
        s.distribution = d == "uniform" ? PartDistribution::Uniform : PartDistribution::Normal;
    }
    if (o.seed) {
        const auto seed = Seed(*o.seed);
        if (!seed) {
            t.error = "--seed takes a whole number from 0 to 18446744073709551615, not " + Quoted(*o.seed);
            return t;
        }
        s.seed = *seed;
    }
    t.settings = s;
    return t;
}

std::string ToleranceSummary(const ToleranceResult& r)
{
    const ToleranceSettings& s = r.settings;
    std::string t = "\nTolerance run: " + std::to_string(s.runs) + (s.runs == 1 ? " copy" : " copies") +
        ", resistors within " + ValueText(s.resistorTolerance * 100) + "%, capacitors within " +
        ValueText(s.capacitorTolerance * 100) + "%, " + DistributionName(s.distribution) +
        (s.distribution == PartDistribution::Normal ? " (standard deviation a third of that)" : "") + ", seed " +
        std::to_string(s.seed) + "\n";
    t += "Gain at the centre frequency: mean " + ValueText(r.centerGainDb.mean) + " dB, standard deviation " +
        ValueText(r.centerGainDb.std) + " dB\n";
    if (r.yield) t += YieldWords(*r.yield, s.runs) + "\n";

    t += "\nGain over the copies, dB:\n";
    t += Cell("Freq, Hz") + Cell("Least") + Cell("5%") + Cell("Median") + Cell("95%") + "Most\n";
    const int last = static_cast<int>(r.freq.size()) - 1;
    for (int row = 0, previous = -1; row <= 10 && last >= 0; ++row) {
        const int l = last * row / 10;
        if (l == previous) continue;
        previous = l;
        std::string line = Cell(EngText(r.freq[l]));
        for (std::size_t p = 0; p < r.gainDb.size(); ++p)
            line += p + 1 < r.gainDb.size() ? Cell(ValueText(r.gainDb[p][l])) : ValueText(r.gainDb[p][l]);
        t += line + "\n";
    }

    t += "\nStage figures over the copies, mean and standard deviation:\n";
    t += Cell("Stage", 7) + Cell("Freq, Hz") + Cell("sd") + Cell("Q") + Cell("sd") + Cell("Gain, v/v") + "sd\n";
    for (std::size_t k = 0; k < r.stages.size(); ++k) {
        const StageSpread& st = r.stages[k];
        t += Cell(std::to_string(k + 1), 7) + Cell(EngText(st.f0.mean)) + Cell(EngText(st.f0.std)) +
            Cell(ValueText(st.q.mean)) + Cell(ValueText(st.q.std)) + Cell(ValueText(st.gain.mean)) +
            ValueText(st.gain.std) + "\n";
    }
    return t;
}

Json ToleranceJson(const ToleranceResult& r)
{
    const ToleranceSettings& s = r.settings;
    Json j;
    j["runs"] = s.runs;
    j["seed"] = s.seed;
    j["distribution"] = DistributionName(s.distribution);
    j["freq"] = JsonRow(r.freq);
    Json& gain = j["gain_db"];
    for (std::size_t p = 0; p < r.gainDb.size(); ++p)
        gain["p" + std::to_string(static_cast<int>(kGainPercentiles[p]))] = JsonRow(r.gainDb[p]);
    j["center_gain_db"] = JsonSpread(r.centerGainDb);
    Json& stages = j["stages"] = Json::array();
    for (std::size_t k = 0; k < r.stages.size(); ++k) {
        const StageSpread& st = r.stages[k];
        stages.push_back(
            {{"stage", k + 1}, {"f0", JsonSpread(st.f0)}, {"q", JsonSpread(st.q)}, {"gain", JsonSpread(st.gain)}});
    }
    if (r.yield)
        j["yield"] = {{"copies_meeting", r.yield->copiesMeeting}, {"share", JsonDouble(r.yield->share)},
            {"worst_edge", MaskEdgeName(r.yield->worstEdge)}};
    return j;
}

}  // namespace stelvane
