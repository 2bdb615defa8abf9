#include "tools/clireport.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "engine/numbertext.h"
#include "engine/partcheck.h"
#include "engine/response.h"

namespace stelvane {
namespace {

constexpr std::size_t kStageColumn = 7; // width of the stage-number column
constexpr int kSingleRoundTrip = 9;    // significant digits that bring any Single back exactly

std::string FamilyText(Integer family)
{
    const char* name = FamilyName(family);
    return name ? name : "Family " + std::to_string(family);
}

std::string BandwidthCaption(Integer family)
{
    switch (family) {
    case 1: return "3 dB bandwidth: ";
    case 2: return "Ripple bandwidth: ";
    case 3: return "One radian/sec bandwidth: ";
    default: return "Bandwidth: ";
    }
}

int PointCount(const DesignState& s) { return s.NrInts < 0 ? 0 : (s.NrInts > kMaxPoints ? kMaxPoints : s.NrInts) + 1; }

void CenterResponse(const DesignState& s, double& gain, double& phase)
{
    gain = 0;
    phase = 0;
    EvaluateCascade(s, s.Center, gain, phase);
}

std::string JsonDouble(double value) { return JsonNumber(value, kSingleRoundTrip); }

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static const char* hex = "0123456789abcdef";
                out += "\\u00";
                out += hex[(c >> 4) & 0xf];
                out += hex[c & 0xf];
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

// Small writer that keeps the commas and indentation of nested objects right.
class JsonWriter {
public:
    void Open(char bracket, std::string_view key = {})
    {
        Item(key);
        out_ += bracket;
        first_ = true;
        ++depth_;
    }
    void Close(char bracket)
    {
        --depth_;
        out_ += '\n';
        out_.append(2 * depth_, ' ');
        out_ += bracket;
        first_ = false;
    }
    void Raw(std::string_view key, const std::string& value)
    {
        Item(key);
        out_ += value;
    }
    void Number(std::string_view key, double value) { Raw(key, JsonDouble(value)); }
    void Int(std::string_view key, long value) { Raw(key, std::to_string(value)); }
    void Text(std::string_view key, std::string_view value) { Raw(key, JsonString(value)); }
    // An array of numbers on one line: sweep arrays stay readable that way.
    template <typename Get>
    void NumberRow(std::string_view key, int count, Get get)
    {
        std::string row = "[";
        for (int i = 0; i < count; ++i) {
            if (i) row += ", ";
            row += JsonDouble(get(i));
        }
        Raw(key, row + "]");
    }
    std::string Take() { return out_ + '\n'; }

private:
    void Item(std::string_view key)
    {
        if (depth_ > 0) {
            if (!first_) out_ += ',';
            out_ += '\n';
            out_.append(2 * depth_, ' ');
        }
        if (!key.empty()) out_ += JsonString(key) + ": ";
        first_ = false;
    }
    std::string out_;
    int depth_ = 0;
    bool first_ = true;
};

} // namespace

std::string Cell(const std::string& text, std::size_t width)
{
    std::string cell = text;
    if (cell.size() < width) cell.append(width - cell.size(), ' ');
    else cell += ' ';
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

std::string JsonNumber(Single value) { return JsonDouble(value); }

std::string JsonNumber(double value, int digits)
{
    if (!std::isfinite(value)) return "null";
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
    return std::string(buf, r.ptr);
}

std::string DesignSummary(const DesignState& s)
{
    const int stages = StageCount(s);
    std::string t = "Stelvane " + s.VersionText + "\n";
    if (s.ManualEntry == 1) {
        t += "Manually entered parts, " + std::to_string(stages) + (stages == 1 ? " stage\n" : " stages\n");
        t += "Center frequency: " + EngText(s.Center) + " Hz\n";
    } else {
        t += FamilyText(s.Family) + " bandpass, " + std::to_string(stages) + (stages == 1 ? " stage\n" : " stages\n");
        t += "Center frequency: " + EngText(s.Center) + " Hz\n";
        t += BandwidthCaption(s.Family) + EngText(s.Width) + " Hz\n";
        if (s.Family == 2) t += "Passband ripple: " + ValueText(s.Apass) + " dB\n";
        t += "Gain: " + ValueText(s.Gain) + " dB\n";
    }
    t += "Opamp: gain-bandwidth " + EngText(s.GBW) + " Hz, gain at DC " + ValueText(s.DCGain) + " v/v, input impedance " +
         ValueText(s.Zin) + " ohms\n";
    t += std::string("Sweep: ") + (s.Sweep == 1 ? "linear" : "logarithmic") + ", " + EngText(s.Fstart) + " Hz to " +
         EngText(s.Fstop) + " Hz, " + std::to_string(s.NrInts) + " intervals\n";

    t += "\nStage figures from the present parts:\n";
    t += Cell("Stage", kStageColumn) + Cell("Freq, Hz") + Cell("Q") + Cell("Gain, v/v") + "Gain, dB\n";
    for (int k = 1; k <= stages; ++k) {
        std::string line = Cell(std::to_string(k), kStageColumn);
        if (s.StageInvalid[k]) {
            line += Cell("invalid") + Cell("invalid") + Cell("invalid") + "invalid";
        } else {
            const Single gain = s.StageGainActual[k];
            line += Cell(EngText(s.StageFoActual[k])) + Cell(ValueText(s.StageQActual[k])) + Cell(ValueText(gain));
            // A gain of zero or below has no value in decibels.
            line += gain > 0 ? ValueText(static_cast<Single>(20 * std::log10(gain))) : std::string("-");
        }
        t += line + "\n";
    }

    t += s.ManualEntry == 1 ? "\nParts (R as entered; Rs corrected from them for the specified opamp):\n"
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

std::string DesignJson(const DesignState& s, const std::vector<std::pair<std::string, std::string>>& extra)
{
    const int stages = StageCount(s);
    const int points = PointCount(s);
    JsonWriter w;
    w.Open('{');
    w.Text("program", "stelvane-cli");
    w.Text("VersionText", s.VersionText);

    w.Open('{', "inputs");
    w.Number("Center", s.Center);
    w.Number("Width", s.Width);
    w.Number("Gain", s.Gain);
    w.Int("Order", s.Order);
    w.Int("Family", s.Family);
    w.Number("Apass", s.Apass);
    w.Int("ManualEntry", s.ManualEntry);
    w.Number("GBW", s.GBW);
    w.Number("DCGain", s.DCGain);
    w.Number("Zin", s.Zin);
    w.Number("Fstart", s.Fstart);
    w.Number("Fstop", s.Fstop);
    w.Int("NrInts", s.NrInts);
    w.Int("Sweep", s.Sweep);
    w.Int("NrX", s.NrX);
    w.Int("NrY", s.NrY);
    w.Number("dBTop", s.dBTop);
    w.Number("dBBottom", s.dBBottom);
    w.Number("DelayTop", s.DelayTop);
    w.Int("PartsType", s.PartsType);
    w.Close('}');

    w.Number("Qbp", s.Qbp);
    double gain = 0, phase = 0;
    CenterResponse(s, gain, phase);
    w.Number("CenterGainDB", gain);
    w.Number("CenterPhase", phase);

    w.Open('[', "stages");
    for (int k = 1; k <= stages; ++k) {
        w.Open('{');
        w.Int("Stage", k);
        w.Number("PoleRe", s.PoleRe[k]);
        w.Number("PoleIm", s.PoleIm[k]);
        w.Number("StageF", s.StageF[k]);
        w.Number("StageQ", s.StageQ[k]);
        w.Number("StageGain", s.StageGain[k]);
        w.NumberRow("C", 2, [&](int j) { return s.C[k][j + 1]; });
        w.NumberRow("R", 3, [&](int j) { return s.R[k][j + 1]; });
        w.NumberRow("Rs", 3, [&](int j) { return s.Rs[k][j + 1]; });
        w.Number("FreqFactor", s.FreqFactor[k]);
        w.Number("QFactor", s.QFactor[k]);
        w.Number("GainFactor", s.GainFactor[k]);
        w.Number("StageFoActual", s.StageFoActual[k]);
        w.Number("StageQActual", s.StageQActual[k]);
        w.Number("StageGainActual", s.StageGainActual[k]);
        w.Int("StageInvalid", s.StageInvalid[k]);
        w.Close('}');
    }
    w.Close(']');

    w.Open('{', "sweep");
    w.NumberRow("Freq", points, [&](int i) { return s.Freq[i]; });
    w.NumberRow("GainDB", points, [&](int i) { return s.GainDB[i]; });
    w.NumberRow("Phase", points, [&](int i) { return s.Phase[i]; });
    w.NumberRow("Delay", points, [&](int i) { return s.Delay[i]; });
    w.Close('}');
    for (const auto& [key, value] : extra) w.Raw(key, value);
    w.Close('}');
    return w.Take();
}

} // namespace stelvane
