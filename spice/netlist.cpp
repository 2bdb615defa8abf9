#include "spice/netlist.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "engine/designators.h"
#include "engine/noise.h"
#include "engine/numbertext.h"
#include "engine/partcheck.h"
#include "files/partexport.h"
#include "files/textfile.h"

namespace stelvane {

namespace {

// Nine significant digits bring every Single back exactly.
constexpr int kSpiceDigits = 9;
// A logarithmic sweep cannot start at 0 Hz; the engine starts it here.
constexpr double kLowestLogFrequency = 0.001;
// ngspice gives only the start of a linear sweep of two points; three
// reach its end.
constexpr int kFewestLinearPoints = 3;

// A value in plain exponent notation: "8.54171925e+04". Never a suffix (to
// SPICE "2F" is femtofarads and "M" milli) and never the locale's comma.
std::string SpiceNumber(double value)
{
    char buffer[40];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, kSpiceDigits - 1);
    return std::string(buffer, result.ptr);
}

bool Positive(double v) { return v > 0 && std::isfinite(v); }

Single Resistor(const DesignState& s, OpampModel model, int k, int j)
{
    return model == OpampModel::Specified ? s.Rs[k][j] : s.R[k][j];
}

std::string InputNode(int k) { return k == 1 ? "in" : StageOutputNode(k - 1); }

// The ideal opamp's gain in a noise analysis: 2e5 Q^2 (2Q^2/A at most
// 1e-5), at least 1e9.
constexpr double kNoiseGainPerQSquared = 2e5;
constexpr double kLeastNoiseOpampGain = 1e9;
// ngspice's own temperature, at which the noise generators are held.
constexpr double kNgspiceTemperature = 27;

class NetlistBuilder {
public:
    NetlistBuilder(const DesignState& s, OpampModel model, NetlistAnalysis analysis = NetlistAnalysis::Ac)
        : s_(s), model_(model), analysis_(analysis), en_(s.Bench.En > 0), in_(s.Bench.In > 0),
          noisy_(en_ || in_ || analysis == NetlistAnalysis::Noise)
    {}

    std::string Build()
    {
        const int stages = StageCount(s_);
        const bool specified = model_ == OpampModel::Specified;
        const char* family = s_.ManualEntry == PartsEntry::Manual ? "manually entered" : FamilyName(s_.Family);
        Line(std::string("Stelvane ") + s_.VersionText + " " + (family ? family : "") + " bandpass, " +
            std::to_string(stages) + (stages == 1 ? " stage, " : " stages, ") +
            (specified ? "specified opamp" : "ideal opamp"));
        Line("* Stage k's output is node s<k>; the last stage's is node out as well.");
        Line("VIN in 0 DC 0 AC 1");
        for (int k = 1; k <= stages; ++k) Stage(k);
        if (stages > 0) Line("VOUT " + StageOutputNode(stages) + " out DC 0");
        Opamp();
        if (OwnTemperature()) Line(".options temp=" + SpiceNumber(s_.Bench.TempC));
        Line(analysis_ == NetlistAnalysis::Noise ? ".noise v(out) VIN " + Sweep() : ".ac " + Sweep());
        Line(".end");
        return std::move(text_);
    }

private:
    void Line(std::string_view line)
    {
        text_ += line;
        text_ += kLineEnd;
    }

    void Part(const std::string& name, const std::string& from, const std::string& to, double value)
    {
        Line(name + " " + from + " " + to + " " + SpiceNumber(value));
    }

    // The inverting MFB bandpass: R1 from the input to node a, R2 from a to
    // ground, C1 from a to the inverting input n, C2 from a to the output, R3
    // from n to the output; the non-inverting input is grounded.
    void Stage(int k)
    {
        const std::string n = std::to_string(k);
        const std::string a = "a" + n, inverting = "n" + n, output = StageOutputNode(k);
        Line("* stage " + n);
        Part(PartDesignator(k, 1), InputNode(k), a, Resistor(s_, model_, k, 1));
        Part(PartDesignator(k, 2), a, "0", Resistor(s_, model_, k, 2));
        Part(PartDesignator(k, 3), inverting, output, Resistor(s_, model_, k, 3));
        Part(PartDesignator(k, 4), a, inverting, s_.C[k][1]);
        Part(PartDesignator(k, 5), a, output, s_.C[k][2]);
        // a subcircuit instance's name starts with X; the rest is the opamp's designator
        Line("X" + OpampDesignator(k) + (en_ ? " p" + n : " 0") + " " + inverting + " " + output + " opamp");
        OpampNoise(n, inverting);
    }

    // The ideal opamp of a netlist with noise. Its en reaches the output
    // only through the difference of its two inputs, which a gain of 1e16
    // leaves to the last digits of double (the density then scatters by 1%);
    // a gain that keeps the error of a finite gain, 2Q^2/A, below 1e-5
    // (1e-4 dB) is enough and leaves the difference digits to spare.
    double NoiseOpampGain() const
    {
        double highestQ = 1;
        for (int k = 1; k <= StageCount(s_); ++k)
            if (std::isfinite(s_.StageQActual[k])) highestQ = std::max<double>(highestQ, s_.StageQActual[k]);
        return std::clamp(kNoiseGainPerQSquared * highestQ * highestQ, kLeastNoiseOpampGain, kIdealOpampGain);
    }

    // Whether the netlist sets the resistors' temperature: ngspice's is 27 C.
    bool OwnTemperature() const
    {
        return noisy_ && s_.Bench.TempC != kNgspiceTemperature && std::isfinite(s_.Bench.TempC);
    }

    // A 1-ohm resistor at 27 C makes sqrt(4kT) V/rtHz of thermal noise on a
    // node of its own; a controlled source scales it to the opamp's figure.
    void OpampNoise(const std::string& n, const std::string& inverting)
    {
        const double generator = std::sqrt(4 * kBoltzmann * (kNgspiceTemperature + kZeroCelsius));
        // ngspice takes an instance's temperature as a difference from the circuit's
        const std::string held = OwnTemperature() ? " dtemp=" + SpiceNumber(kNgspiceTemperature - s_.Bench.TempC) : "";
        if (en_) {
            Line("RNE" + n + " ne" + n + " 0 1" + held);
            Line("ENE" + n + " p" + n + " 0 ne" + n + " 0 " + SpiceNumber(s_.Bench.En * 1e-9 / generator));
        }
        if (in_) {
            Line("RNI" + n + " ni" + n + " 0 1" + held);
            Line("GNI" + n + " 0 " + inverting + " ni" + n + " 0 " + SpiceNumber(s_.Bench.In * 1e-12 / generator));
        }
    }

    void Opamp()
    {
        Line(".subckt opamp inp inn out");
        if (model_ == OpampModel::Ideal) {
            Line("EGAIN out 0 inp inn " + SpiceNumber(noisy_ ? NoiseOpampGain() : kIdealOpampGain));
        } else {
            // One pole at GBW / DCGain: a transconductance of DCGain into 1 ohm
            // and its capacitor, then a buffer; Zin across the inputs.
            const double dcGain = s_.DCGain, gbw = s_.GBW;
            Line("* single-pole opamp: gain at DC " + SpiceNumber(dcGain) + ", GBW " + SpiceNumber(gbw) + " Hz");
            const std::string quiet = noisy_ ? " noisy=0" : "";
            Line("RIN inp inn " + SpiceNumber(s_.Zin) + quiet);
            Line("GPOLE 0 pole inp inn " + SpiceNumber(dcGain));
            Line("RPOLE pole 0 1" + quiet);
            Line("CPOLE pole 0 " + SpiceNumber(dcGain / (2 * std::acos(-1.0) * gbw)));
            Line("EBUF out 0 pole 0 1");
        }
        Line(".ends opamp");
    }

    // At least as many points as the design's sweep: the same points on a
    // linear sweep, as many per decade as the sweep has on average on a
    // logarithmic one.
    std::string Sweep() const
    {
        const int intervals = std::clamp<int>(s_.NrInts, 0, kMaxPoints);
        double start = s_.Fstart, stop = s_.Fstop;
        if (s_.Sweep == SweepSpacing::Linear)
            return "lin " + std::to_string(std::max(intervals + 1, kFewestLinearPoints)) + " " + SpiceNumber(start) +
                " " + SpiceNumber(stop);
        if (!(start > 0)) start = kLowestLogFrequency;
        if (!(stop > 0)) stop = kLowestLogFrequency;
        const double decades = std::log10(stop / start);
        const double perDecade = decades > 0 ? std::ceil(intervals / decades) : 1;
        return "dec " + std::to_string(static_cast<long>(std::clamp(perDecade, 1.0, 1e6))) + " " + SpiceNumber(start) +
            " " + SpiceNumber(stop);
    }

    const DesignState& s_;
    OpampModel model_;
    NetlistAnalysis analysis_;
    bool en_, in_, noisy_;
    std::string text_;
};

}  // namespace

std::string StageOutputNode(int k) { return "s" + std::to_string(k); }

std::string NetlistProblem(const DesignState& s, OpampModel model)
{
    if (s.Order < 1 || s.Order > kMaxStages) return "the design has no stages from 1 to 21 to simulate";
    if (model == OpampModel::Specified && !(Positive(s.GBW) && Positive(s.DCGain) && Positive(s.Zin)))
        return "the specified opamp needs a GBW, a gain at DC and an input impedance above 0";
    // Nine digits give every Single back; what does not come back is no value at all.
    return WrittenPartProblem(s, model == OpampModel::Specified, kFullPartText, [](int, int, double value) {
        return WrittenPart{value, ParseStrictNumber(SpiceNumber(value))};
    });
}

std::string NetlistText(const DesignState& s, OpampModel model) { return NetlistBuilder(s, model).Build(); }

std::string NetlistText(const DesignState& s, OpampModel model, NetlistAnalysis analysis)
{
    return NetlistBuilder(s, model, analysis).Build();
}

std::string StandaloneNetlistText(const DesignState& s, OpampModel model)
{
    std::string text = NetlistText(s, model);
    // .end is the last line the builder writes; the request goes just before it
    const std::size_t endLine = text.size() - std::string_view(".end").size() - kLineEnd.size();
    text.insert(endLine, std::string(kStandaloneOutputRequest) + std::string(kLineEnd));
    return text;
}

bool WriteNetlist(const DesignState& s, OpampModel model, const std::string& fileName, Notifier& notifier)
{
    const std::string problem = NetlistProblem(s, model);
    if (problem.empty() && WriteTextFileSafely(fileName, StandaloneNetlistText(s, model))) return true;
    notifier.Beep();
    notifier.ShowMessage(
        problem.empty() ? kNetlistNotWrittenMessage : std::string(kNetlistNotWrittenMessage) + ": " + problem);
    return false;
}

}  // namespace stelvane
