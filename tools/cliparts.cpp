#include "tools/cliparts.h"

#include <CLI/CLI.hpp>

#include <cmath>

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "engine/practicalparts.h"
#include "engine/sensitivity.h"
#include "tools/clireport.h"

namespace stelvane {
namespace {

constexpr std::array kSuggestionSeries{StandardSeries::E6, StandardSeries::E12};
std::string OutsideRangeText(const DesignState& s, PartsType parts, const ResistorRange& range)
{
    const std::vector<std::string> lines = OutsideRangeLines(s, parts, range);
    if (lines.empty()) return "";
    std::string t = "\nResistors outside " + ResistorRangeText(range) + ":\n";
    for (const std::string& line : lines) t += line + "\n";
    return t;
}

std::string SuggestionText(const DesignState& s, PartsType parts, const ResistorRange& range)
{
    const std::string text = CapSuggestionText(s, parts, range);
    if (text.empty())
        return "\nCap for resistors in " + ResistorRangeText(range) + ": none (no resistor or capacitor to scale)\n";
    return "\n" + text + "\n";
}

std::string SensitivityText(const DesignState& s)
{
    std::string t = "\nSensitivities S = (x/y)(dy/dx) of each stage's figures y to its parts x:\n";
    for (int k = 1; k <= StageCount(s); ++k) t += "Stage " + std::to_string(k) + ":\n" + SensitivityTable(s, k) + "\n";
    return t;
}

}  // namespace

void AddPartsOptions(CLI::App& app, CliOptions& o, const std::function<void(std::string)>& refuse)
{
    app.add_option_function<std::string>("--series",
           [&o, refuse](const std::string& value) {
               o.series = SeriesFromName(value);
               if (!o.series) refuse("--series takes E6, E12, E24, E48, E96 or E192, not " + Quoted(value));
           })
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    // Two values, or one with a comma between them; the last pair given wins.
    app.add_option_function<std::vector<std::string>>("--r-range",
           [&o, refuse](const std::vector<std::string>& v) {
               if (v.size() < 2) return refuse("option --r-range needs a value");
               if (v.size() % 2)
                   return refuse("--r-range takes two resistances LO HI, not " + Quoted(v.back()) + " as well");
               const std::string &low = v[v.size() - 2], &high = v.back();
               if (low.starts_with("--") || high.starts_with("--")) return refuse("option --r-range needs a value");
               const auto lo = ParseStrictNumber(low), hi = ParseStrictNumber(high);
               if (!(lo && hi && *lo > 0 && *hi > *lo && std::isfinite(*hi)))
                   return refuse("--r-range takes two resistances LO HI with 0 < LO < HI, not " + Quoted(low) + " " +
                       Quoted(high));
               o.rRange = ResistorRange{*lo, *hi};
           })
        ->expected(2)
        ->delimiter(',')
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

std::string PartsUsageText()
{
    std::string u = "\nParts:\n";
    u += "  --series NAME      round every resistor R (and Rs with --specified-opamp) to\n";
    u += "                     the nearest value of E6, E12, E24, E48, E96 or E192, then\n";
    u += "                     analyse and sweep the rounded parts\n";
    u += "  --sensitivity      print each stage's sensitivities S = (x/y)(dy/dx) of its\n";
    u += "                     centre frequency, Q and gain to R1, R2, R3, C1 and C2\n";
    u += "  --bom FILE         write the parts list as CSV (.csv added to a name\n";
    u += "                     without extension)\n";
    u += "  --r-range LO HI    the practical resistor range; the summary names the\n";
    u += "                     resistors outside it (1k 1M)\n";
    u += "  --suggest-cap      the E6 and E12 capacitor that brings the resistors best\n";
    u += "                     into that range\n";
    return u;
}

std::string PartsSummary(const CliOptions& o, const DesignState& s)
{
    const ResistorRange range = o.rRange.value_or(kPracticalResistors);
    std::string t;
    if (o.series)
        t += std::string("\nResistors rounded to the ") + SeriesName(*o.series) + " series" +
            (o.specifiedOpamp ? " (R and Rs)\n" : " (R)\n");
    t += OutsideRangeText(s, PartsOf(o), range);
    if (o.suggestCap) t += SuggestionText(s, PartsOf(o), range);
    if (o.sensitivity) t += SensitivityText(s);
    return t;
}

Json PartsJson(const CliOptions& o, const DesignState& s)
{
    Json members = Json::object();
    if (o.series) members["series"] = SeriesName(*o.series);
    if (o.suggestCap) {
        const ResistorRange range = o.rRange.value_or(kPracticalResistors);
        Json& cap = members["suggested_cap"];
        cap["r_range"] = {JsonSingle(Single(range.low)), JsonSingle(Single(range.high))};
        for (StandardSeries series : kSuggestionSeries) {
            const auto c = SuggestCapacitor(s, PartsOf(o), range, series);
            cap[SeriesName(series)] = c ? JsonSingle(Single(c->capacitor)) : Json();
        }
    }
    if (o.sensitivity) {
        Json& stages = members["sensitivity"] = Json::array();
        for (int k = 1; k <= StageCount(s); ++k) {
            const StageSensitivities sens = SensitivitiesOf(PartsOfStage(s, k));
            Json& stage = stages.emplace_back();
            stage["stage"] = k;
            for (const auto& [name, row] : {std::pair{"f0", &sens.f0}, {"q", &sens.q}, {"gain", &sens.gain}}) {
                Json& figures = stage[name];
                for (std::size_t p = 0; p < row->size(); ++p)
                    figures[kStagePartNames[p]] = JsonSingle(Single((*row)[p]));
            }
        }
    }
    return members;
}

}  // namespace stelvane
