#include "engine/designtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "engine/numbertext.h"
#include "engine/opampfigures.h"
#include "engine/sensitivity.h"
#include "engine/standardseries.h"

namespace stelvane {

namespace {

constexpr int kSensitivityDecimals = 3;
constexpr std::size_t kSensitivityColumn = 8;  // right-aligned, at least one blank before each figure

std::string Fixed(double v)
{
    if (!std::isfinite(v)) return "-";
    char buf[64];
    const auto r =
        std::to_chars(buf, buf + sizeof buf, v == 0 ? 0.0 : v, std::chars_format::fixed, kSensitivityDecimals);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : "-";
}

std::string Number(Single value) { return GeneralNumberText(value); }

std::string Value(double v) { return Trimmed(FormatValue(static_cast<Single>(v))); }

}  // namespace

std::string LowerCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

bool StageFiguresValid(const DesignState& s, int k) { return k >= 1 && k <= kMaxStages && s.StageInvalid[k] == 0; }

StageFigureTexts StageFigures(const DesignState& s, int k)
{
    if (!StageFiguresValid(s, k)) return {kInvalidFigureText, kInvalidFigureText, kInvalidFigureText};
    return {Trimmed(FormatEng(s.StageFoActual[k])), Trimmed(FormatValue(s.StageQActual[k])),
        StageGainText(s.StageGainActual[k])};
}

std::string StageGainText(Single gainVolts)
{
    if (!(gainVolts > 0) || !std::isfinite(gainVolts)) return kInvalidFigureText;
    return Trimmed(FormatValue(Single(20 * std::log10(double(gainVolts))))) + "dB";
}

std::string SensitivityTable(const DesignState& s, int stage)
{
    const StageSensitivities sens = SensitivitiesOf(PartsOfStage(s, stage));
    auto cell = [](std::string text) {
        return std::string(kSensitivityColumn - std::min(text.size(), kSensitivityColumn - 1), ' ') + text;
    };
    std::string t = "     ";
    for (const char* part : kStagePartNames) t += cell(part);
    for (const auto& [name, row] : {std::pair{"f0   ", &sens.f0}, {"Q    ", &sens.q}, {"gain ", &sens.gain}}) {
        t += std::string("\n") + name;
        for (double v : *row) t += cell(Fixed(v));
    }
    return t;
}

std::string ResistorRangeText(const ResistorRange& range)
{
    return Value(range.low) + " to " + Value(range.high) + " ohms";
}

std::string RangeNoteText(const DesignState& s, PartsType parts, const ResistorRange& range)
{
    const std::size_t outside = ResistorsOutsideRange(s, parts, range).size();
    if (outside == 0) return "Every resistor within " + ResistorRangeText(range);
    return std::to_string(outside) + (outside == 1 ? " resistor" : " resistors") + " outside " +
        ResistorRangeText(range) + ", outlined in orange";
}

std::vector<std::string> OutsideRangeLines(const DesignState& s, PartsType parts, const ResistorRange& range)
{
    std::vector<std::string> lines;
    int stage = 0;
    for (const StageResistor& r : ResistorsOutsideRange(s, parts, range)) {
        if (r.stage != stage)
            lines.push_back("Stage " + std::to_string(r.stage) + ": ");
        else
            lines.back() += ", ";
        stage = r.stage;
        lines.back() += "R" + std::to_string(r.part) + " " + Value(r.ohms);
    }
    return lines;
}

std::string CapSuggestionText(const DesignState& s, PartsType parts, const ResistorRange& range)
{
    std::string text = "Cap for resistors in " + ResistorRangeText(range) + ":";
    for (StandardSeries series : {StandardSeries::E6, StandardSeries::E12}) {
        const auto c = SuggestCapacitor(s, parts, range, series);
        if (!c) return {};  // no resistors designed yet
        text += std::string("\n") + SeriesName(series) + ": " + Trimmed(FormatCap(Single(c->capacitor))) +
            ", resistors " + Value(c->lowest) + " to " + Value(c->highest);
    }
    return text;
}

std::string OpampInfoText(const DesignState& s)
{
    return "Opamp GBW: " + Trimmed(FormatEng(s.GBW)) + "Hz   DCgain: " + Trimmed(FormatValueShort(s.DCGain)) + "v/v";
}

std::string GbwCorrectionWarning(const DesignState& s)
{
    const std::vector<int> stages = StagesBeyondGbwCorrection(s);
    if (stages.empty()) return {};
    std::string names;
    for (const int k : stages) names += (names.empty() ? "" : ", ") + std::to_string(k);
    return "q·f0/GBW exceeds " + Trimmed(FormatValue(static_cast<Single>(kGbwCorrectionLimit))) +
        (stages.size() == 1 ? " in stage " : " in stages ") + names +
        ": the correction for the GBW is first order and no longer holds there; a faster opamp is needed";
}

std::string BandwidthCaption(FilterFamily family)
{
    switch (family) {
    case FilterFamily::Butterworth: return "3 dB bandwidth: ";
    case FilterFamily::Chebyshev:
        // "bandidth" is the printout's own text, kept as it stands; do not mend it
        return "Ripple bandidth: ";
    case FilterFamily::Bessel: return "One radian/sec bandwidth: ";
    default: return {};
    }
}

std::vector<std::string> DesignSummaryLines(const DesignState& s)
{
    std::vector<std::string> lines;
    if (s.ManualEntry == PartsEntry::Manual) {
        lines.emplace_back("Manually entered values");
    } else if (const char* family = FamilyName(s.Family); s.ManualEntry == PartsEntry::Designed && family != nullptr) {
        lines.push_back(std::string("Family: ") + family);
        lines.push_back("Center frequency: " + Number(s.Center));
        lines.push_back(BandwidthCaption(s.Family) + Number(s.Width));
        if (s.Family == FilterFamily::Chebyshev) lines.push_back("Passband ripple: " + Number(s.Apass));
    }
    lines.push_back("Number of stages: " + std::to_string(s.Order));
    return lines;
}

}  // namespace stelvane
