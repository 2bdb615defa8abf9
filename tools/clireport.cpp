#include "tools/clireport.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "engine/designtext.h"
#include "engine/exactcorrection.h"
#include "engine/headroom.h"
#include "engine/noise.h"
#include "engine/numbertext.h"
#include "engine/partcheck.h"
#include "engine/response.h"

namespace stelvane {
namespace {

constexpr std::size_t kStageColumn = 7;  // width of the stage-number column

std::string FamilyText(FilterFamily family)
{
    const char* name = FamilyName(family);
    return name ? name : "Family " + std::to_string(NumberOf(family));
}

int PointCount(const DesignState& s) { return s.NrInts < 0 ? 0 : (s.NrInts > kMaxPoints ? kMaxPoints : s.NrInts) + 1; }

void CenterResponse(const DesignState& s, double& gain, double& phase)
{
    gain = 0;
    phase = 0;
    EvaluateCascade(s, s.Center, gain, phase);
}

}  // namespace

std::string Cell(const std::string& text, std::size_t width)
{
    std::string cell = text;
    if (cell.size() < width)
        cell.append(width - cell.size(), ' ');
    else
        cell += ' ';
    return cell;
}

std::string EngText(double v) { return Trimmed(FormatEng(static_cast<Single>(v))); }
std::string ValueText(double v) { return Trimmed(FormatValue(static_cast<Single>(v))); }

std::string CapText(double v)
{
    // The capacitor format shows nothing at all for zero; a table cell needs a figure.
    const std::string text = Trimmed(FormatCap(static_cast<Single>(v)));
    return text.empty() ? "0" : text;
}

std::string DesignSummary(const DesignState& s)
{
    const int stages = StageCount(s);
    std::string t = "Stelvane " + s.VersionText + "\n";
    if (s.ManualEntry == PartsEntry::Manual) {
        t += "Manually entered parts, " + std::to_string(stages) + (stages == 1 ? " stage\n" : " stages\n");
        t += "Center frequency: " + EngText(s.Center) + " Hz\n";
    } else {
        t += FamilyText(s.Family) + " bandpass, " + std::to_string(stages) + (stages == 1 ? " stage\n" : " stages\n");
        t += "Center frequency: " + EngText(s.Center) + " Hz\n";
        const std::string caption = BandwidthCaption(s.Family);
        t += (caption.empty() ? std::string("Bandwidth: ") : caption) + EngText(s.Width) + " Hz\n";
        if (s.Family == FilterFamily::Chebyshev) t += "Passband ripple: " + ValueText(s.Apass) + " dB\n";
        t += "Gain: " + ValueText(s.Gain) + " dB\n";
    }
    t += "Opamp: gain-bandwidth " + EngText(s.GBW) + " Hz, gain at DC " + ValueText(s.DCGain) +
        " v/v, input impedance " + ValueText(s.Zin) + " ohms\n";
    t += std::string("Sweep: ") + (s.Sweep == SweepSpacing::Linear ? "linear" : "logarithmic") + ", " +
        EngText(s.Fstart) + " Hz to " + EngText(s.Fstop) + " Hz, " + std::to_string(s.NrInts) + " intervals\n";

    t += "\nStage figures from the present parts:\n";
    t += Cell("Stage", kStageColumn) + Cell("Freq, Hz") + Cell("Q") + Cell("Gain, v/v") + "Gain, dB\n";
    for (int k = 1; k <= stages; ++k) {
        std::string line = Cell(std::to_string(k), kStageColumn);
        if (!StageFiguresValid(s, k)) {
            line += Cell(kInvalidFigureText) + Cell(kInvalidFigureText) + Cell(kInvalidFigureText) + kInvalidFigureText;
        } else {
            const StageFigureTexts figures = StageFigures(s, k);
            const Single gain = s.StageGainActual[k];
            line += Cell(figures.frequency) + Cell(figures.q) + Cell(ValueText(gain));
            // A gain of zero or below has no value in decibels.
            line += gain > 0 ? ValueText(static_cast<Single>(20 * std::log10(gain))) : std::string("-");
        }
        t += line + "\n";
    }

    t += s.ManualEntry == PartsEntry::Manual
        ? "\nParts (R as entered; Rs corrected from them for the specified opamp):\n"
        : "\nParts (R for an ideal opamp, Rs for the specified opamp):\n";
    t += Cell("Stage", kStageColumn) + Cell("C1") + Cell("C2") + Cell("R1") + Cell("R2") + Cell("R3") + Cell("Rs1") +
        Cell("Rs2") + "Rs3\n";
    for (int k = 1; k <= stages; ++k) {
        std::string line = Cell(std::to_string(k), kStageColumn) + Cell(CapText(s.C[k][1])) + Cell(CapText(s.C[k][2]));
        for (int j = 1; j <= 3; ++j) line += Cell(ValueText(s.R[k][j]));
        line += Cell(ValueText(s.Rs[k][1])) + Cell(ValueText(s.Rs[k][2])) + ValueText(s.Rs[k][3]);
        t += line + "\n";
    }

    // Stages that are no circuit, said in words (for the specified opamp's
    // resistors when the ideal ones can be built).
    for (int k = 1; k <= stages; ++k) {
        std::string why = UnbuildableStageText(s, k);
        if (why.empty()) why = UnbuildableStageText(s, k, true);
        if (!why.empty()) t += why + "\n";
    }
    // Stages the exact opamp correction could not hold: their Rs are the first-order ones.
    for (int k = 1; k <= stages; ++k)
        if (const std::string why = ExactMissedText(s, k); !why.empty()) t += why + "\n";

    double gain = 0, phase = 0;
    CenterResponse(s, gain, phase);
    t += "\nGain at the centre frequency: ";
    t += std::isfinite(gain) ? ValueText(static_cast<Single>(gain)) + " dB" : std::string("undefined");
    // An invalid stage (a part of 0 or a negative one) is no circuit anyone can
    // build, so the figure is flagged rather than passed off as the filter's.
    bool anyInvalid = false;
    for (int k = 1; k <= stages; ++k) anyInvalid = anyInvalid || s.StageInvalid[k] != 0;
    if (anyInvalid) t += " (some stages are invalid; see the stage figures)";
    t += "\n";
    return t;
}

Json DesignJson(const DesignState& s, PartsType parts)
{
    const int stages = StageCount(s);
    const int points = PointCount(s);
    auto row = [](int count, auto get) {
        Json numbers = Json::array();
        for (int i = 0; i < count; ++i) numbers.push_back(JsonSingle(get(i)));
        return numbers;
    };
    Json j;
    j["program"] = "stelvane-cli";
    j["VersionText"] = s.VersionText;

    Json& in = j["inputs"];
    in["Center"] = JsonSingle(s.Center);
    in["Width"] = JsonSingle(s.Width);
    in["Gain"] = JsonSingle(s.Gain);
    in["Order"] = s.Order;
    in["Family"] = NumberOf(s.Family);
    in["Apass"] = JsonSingle(s.Apass);
    in["ManualEntry"] = NumberOf(s.ManualEntry);
    in["GBW"] = JsonSingle(s.GBW);
    in["DCGain"] = JsonSingle(s.DCGain);
    in["Zin"] = JsonSingle(s.Zin);
    in["Fstart"] = JsonSingle(s.Fstart);
    in["Fstop"] = JsonSingle(s.Fstop);
    in["NrInts"] = s.NrInts;
    in["Sweep"] = NumberOf(s.Sweep);
    in["NrX"] = s.NrX;
    in["NrY"] = s.NrY;
    in["dBTop"] = JsonSingle(s.dBTop);
    in["dBBottom"] = JsonSingle(s.dBBottom);
    in["DelayTop"] = JsonSingle(s.DelayTop);
    in["PartsType"] = NumberOf(parts);

    j["stage_gains"] = s.Bench.Gains == StageGains::Buildable ? "buildable" : "equal";
    j["correction"] = s.Bench.Correction == OpampCorrection::Exact ? "exact" : "first-order";
    if (s.Bench.Correction == OpampCorrection::Exact) {
        // the stages whose Rs are the first-order ones, as no exact set holds them
        Json& missed = j["exact_missed"] = Json::array();
        for (int k = 1; k <= stages; ++k)
            if (s.ExactMissed[k] != 0) missed.push_back(k);
    }

    j["Qbp"] = JsonSingle(s.Qbp);
    double gain = 0, phase = 0;
    CenterResponse(s, gain, phase);
    j["CenterGainDB"] = JsonSingle(gain);
    j["CenterPhase"] = JsonSingle(phase);

    Json& list = j["stages"] = Json::array();
    for (int k = 1; k <= stages; ++k) {
        Json& st = list.emplace_back();
        st["Stage"] = k;
        st["PoleRe"] = JsonSingle(s.PoleRe[k]);
        st["PoleIm"] = JsonSingle(s.PoleIm[k]);
        st["StageF"] = JsonSingle(s.StageF[k]);
        st["StageQ"] = JsonSingle(s.StageQ[k]);
        st["StageGain"] = JsonSingle(s.StageGain[k]);
        st["C"] = row(2, [&](int p) { return s.C[k][p + 1]; });
        st["R"] = row(3, [&](int p) { return s.R[k][p + 1]; });
        st["Rs"] = row(3, [&](int p) { return s.Rs[k][p + 1]; });
        st["FreqFactor"] = JsonSingle(s.FreqFactor[k]);
        st["QFactor"] = JsonSingle(s.QFactor[k]);
        st["GainFactor"] = JsonSingle(s.GainFactor[k]);
        st["StageFoActual"] = JsonSingle(s.StageFoActual[k]);
        st["StageQActual"] = JsonSingle(s.StageQActual[k]);
        st["StageGainActual"] = JsonSingle(s.StageGainActual[k]);
        st["StageInvalid"] = s.StageInvalid[k];
    }

    // Headroom: each stage's peak from the input and what it asks of its
    // opamp, and where each cascade stage stands in the family's order.
    const Headroom room = ComputeHeadroom(s);
    for (int k = 1; k <= stages; ++k) {
        const StageHeadroom& h = room.stages[k - 1];
        Json& st = list[k - 1];
        st["peak_gain_db"] = JsonDouble(h.peakGainDb);
        st["peak_freq"] = JsonSingle(h.peakFreq);
        st["headroom_db"] = JsonDouble(h.headroomDb);
        st["slew_needed_v_per_us"] = JsonDouble(h.slewNeeded);
    }
    j["headroom"] = {{"input_level_v", JsonDouble(s.Bench.InputLevel)}, {"swing_v", JsonDouble(s.Bench.Swing)},
        {"largest_input_v", JsonDouble(room.largestInputV)}};
    Json& order = j["stage_order"] = Json::array();
    for (int k = 1; k <= stages; ++k) order.push_back(s.FamilyPlace[k] != 0 ? s.FamilyPlace[k] : k);

    Json& sweep = j["sweep"];
    sweep["Freq"] = row(points, [&](int i) { return s.Freq[i]; });
    sweep["GainDB"] = row(points, [&](int i) { return s.GainDB[i]; });
    sweep["Phase"] = row(points, [&](int i) { return s.Phase[i]; });
    sweep["Delay"] = row(points, [&](int i) { return s.Delay[i]; });
    j["noise"] = NoiseJson(s, parts);
    return j;
}

// --- The bench: buildable gains and headroom ---

std::string BenchSummary(const DesignState& s)
{
    const int stages = StageCount(s);
    if (stages == 0) return {};
    std::string t;
    if (s.Bench.Gains == StageGains::Buildable) {
        const std::vector<std::string> raised = RaisedCapacitorLines(s);
        if (!raised.empty()) t += "\n";
        for (const std::string& line : raised) t += line + "\n";
    }
    // Stages that cannot be built, with what would build them.
    if (const std::string words = UnbuildableWords(s); !words.empty()) t += "\n" + words + "\n";

    const Headroom room = ComputeHeadroom(s);
    t += "\nHeadroom at " + ValueText(s.Bench.InputLevel) + " V peak in, " + ValueText(s.Bench.Swing) +
        " V peak swing, " + ValueText(s.Bench.Slew) + " V/us slew:\n";
    t += Cell("Stage", kStageColumn) + Cell("Family") + Cell("Peak, dB") + Cell("at, Hz") + Cell("Headroom, dB") +
        "Slew, V/us\n";
    for (int k = 1; k <= stages; ++k) {
        const StageHeadroom& h = room.stages[k - 1];
        t += Cell(std::to_string(k), kStageColumn) +
            Cell(std::to_string(s.FamilyPlace[k] != 0 ? s.FamilyPlace[k] : k)) + Cell(ValueText(h.peakGainDb)) +
            Cell(EngText(h.peakFreq)) + Cell(ValueText(h.headroomDb)) + ValueText(h.slewNeeded) + "\n";
    }
    t += LargestInputText(room) + "\n";
    for (const std::string& over : {OverSwingText(room), OverSlewText(room)})
        if (!over.empty()) t += over + "\n";
    return t;
}

// ---- noise ----

namespace {

// A noise figure to three significant digits; "-" for none.
std::string NoiseNumber(double value)
{
    if (!std::isfinite(value)) return "-";
    char buf[40];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 3).ptr);
}

}  // namespace

Json NoiseJson(const DesignState& s, PartsType parts)
{
    const NoiseFigures n = ComputeNoise(s, parts);
    Json j;
    Json& density = j["density_v_per_rthz"] = Json::array();
    for (double d : n.density) density.push_back(JsonSingle(d));
    j["output_rms_v"] = JsonSingle(n.outputRms);
    j["input_rms_v"] = JsonSingle(n.inputRms);
    j["snr_db"] = JsonSingle(n.snrDb);
    j["band_hz"] = {JsonSingle(n.bandStart), JsonSingle(n.bandStop)};
    Json& stages = j["stages"] = Json::array();
    for (const StageNoise& st : n.stages) {
        Json sources;
        for (int src = 0; src < kNoiseSources; ++src) sources[NoiseSourceName(src)] = JsonSingle(st.sourceRms[src]);
        stages.push_back({{"stage", st.stage}, {"output_rms_v", JsonSingle(st.outputRms)}, {"sources", sources}});
    }
    return j;
}

std::string NoiseSummary(const DesignState& s, PartsType parts)
{
    constexpr double kMicrovolt = 1e-6;
    const NoiseFigures n = ComputeNoise(s, parts);
    std::string t = "\nNoise (resistors at " + NoiseNumber(s.Bench.TempC) + " C, en " + NoiseNumber(s.Bench.En) +
        " nV/rtHz, in " + NoiseNumber(s.Bench.In) + " pA/rtHz) from " + EngText(n.bandStart) + " Hz to " +
        EngText(n.bandStop) + " Hz:\n";
    t += "Output " + NoiseNumber(n.outputRms / kMicrovolt) + " uV rms; referred to the input (gain " +
        NoiseNumber(n.passbandGain) + " v/v) " + NoiseNumber(n.inputRms / kMicrovolt) +
        " uV rms; signal-to-noise ratio at " + NoiseNumber(s.Bench.InputLevel) + " V peak " + NoiseNumber(n.snrDb) +
        " dB\n";
    auto trimmed = [](std::string line) {
        while (!line.empty() && line.back() == ' ') line.pop_back();
        return line + "\n";
    };
    std::string head = Cell("Stage", kStageColumn) + Cell("uV rms");
    for (int src = 0; src < kNoiseSources; ++src) head += Cell(NoiseSourceName(src));
    t += trimmed(head);
    for (const StageNoise& st : n.stages) {
        std::string line = Cell(std::to_string(st.stage), kStageColumn) + Cell(NoiseNumber(st.outputRms / kMicrovolt));
        for (int src = 0; src < kNoiseSources; ++src) line += Cell(NoiseNumber(st.sourceRms[src] / kMicrovolt));
        t += trimmed(line);
    }
    return t;
}

}  // namespace stelvane
