#include "tools/clirun.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <ostream>

#include "engine/designsession.h"
#include "engine/designstate.h"
#include "engine/exactcorrection.h"
#include "engine/numbertext.h"
#include "engine/partcheck.h"
#include "files/designfile.h"
#include "files/partslist.h"
#include "files/plotoverlay.h"
#include "files/settingsfile.h"
#include "files/spiceschematic.h"
#include "files/tabulatedfile.h"
#include "files/textfile.h"
#include "platform/consolenotifier.h"
#include "tools/cliargs.h"
#include "tools/climask.h"
#include "tools/cliparts.h"
#include "tools/clipaths.h"
#include "tools/clireport.h"
#include "tools/cliverify.h"
#include "tools/clitolerance.h"

namespace stelvane {
namespace {

constexpr int kUsageError = 2;
constexpr int kNotWritten = 1;
constexpr const char* kSeeHelp = "see stelvane-cli --help\n";

// The code, or 1 when what was printed did not all reach standard output (a
// full disk, a closed pipe): a script must not take a half-written result.
int Flushed(std::ostream& out, std::ostream& err, int code)
{
    out.flush();
    if (out) return code;
    err << "stelvane-cli: standard output could not be written\n";
    return kNotWritten;
}

// Messages go to the console like the program's message boxes; the count tells
// whether a failed operation has already said why.
class CliNotifier : public Notifier {
public:
    explicit CliNotifier(std::ostream& err) : console_(err) {}
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override
    {
        ++messages_;
        console_.ShowMessage(text, caption, icon);
    }
    void Beep() override { console_.Beep(); }
    int Messages() const { return messages_; }

private:
    ConsoleNotifier console_;
    int messages_ = 0;
};

// Shortest text with no "+" and no leading zeros in its exponent ("1e-5").
std::string Compact(const char* first, const char* last)
{
    std::string t(first, last);
    if (const auto e = t.find('e'); e != std::string::npos) {
        std::size_t digits = e + 1;
        if (digits < t.size() && t[digits] == '+') t.erase(digits, 1);
        if (digits < t.size() && t[digits] == '-') ++digits;
        while (digits + 1 < t.size() && t[digits] == '0') t.erase(digits, 1);
    }
    return t;
}

// A text the design window's box reads back as exactly the Single nearest the
// value (the box keeps 12 characters, so 0.00000000047 would read as 4e-10).
// Beyond the box's range of +-1e10 its limit is typed; the clamp is said later.
std::string WindowText(double value)
{
    constexpr double kBoxLimit = 1e10;
    const float target = static_cast<float>(std::clamp(value, -kBoxLimit, kBoxLimit));
    constexpr std::size_t kBoxLength = 12;
    constexpr std::array<std::pair<const char*, float>, 8> kSuffixes{
        {{"", 1.0f}, {"p", 1e-12f}, {"n", 1e-9f}, {"u", 1e-6f}, {"m", 1e-3f}, {"k", 1e3f}, {"M", 1e6f}, {"G", 1e9f}}};
    char buf[64];
    std::string fallback;
    for (const auto& [suffix, multiplier] : kSuffixes) {
        const float mantissa = target / multiplier;
        const auto r = std::to_chars(buf, buf + sizeof buf, mantissa);
        const std::string text = Compact(buf, r.ptr) + suffix;
        if (fallback.empty()) fallback = text;
        Single back = 0;
        ParseNumberText(text, back);
        if (text.size() <= kBoxLength && back == target) return text;
    }
    return fallback;  // what comes back differs from the value, and is said as a clamp would be
}

// Puts the typed numbers into the design window's boxes, each as a text the
// box reads back exactly, and the options. With a loaded design no family
// option is chosen, as with "Manually entered".
void ApplyOptions(const CliOptions& o, DesignInputs& in, bool manualEntry)
{
    auto put = [](const std::optional<std::string>& text, std::string& box) {
        if (text) box = WindowText(CliNumber(*text));
    };
    put(o.center, in.txtCenter);
    put(o.width, in.txtWidth);
    put(o.gain, in.txtGain);
    put(o.order, in.lblOrderInput);
    put(o.cap, in.txtCaps);
    put(o.ripple, in.txtApass);
    put(o.start, in.txtStart);
    put(o.stop, in.txtStop);
    put(o.intervals, in.txtInts);
    put(o.dcgain, in.txtGainDC);
    put(o.gbw, in.txtGBW);
    put(o.zin, in.txtZin);

    if (manualEntry) {
        in.optButterworth = in.optChebyshev = in.optBessel = false;
    } else if (o.family) {
        in.optButterworth = *o.family == 1;
        in.optChebyshev = *o.family == 2;
        in.optBessel = *o.family == 3;
    }
    if (o.sweep) {
        in.optLinear = *o.sweep == 1;
        in.optLog = *o.sweep == 2;
    }
}

// A design moved off the start-up band is swept over its own unless the
// sweep is given: from two bandwidths below the centre (but not below a tenth
// of it) to two above, the passband and both skirts.
void SweepOverTheBand(const CliOptions& o, DesignInputs& in)
{
    if (!(o.center || o.width) || o.start || o.stop) return;
    Single center = 0, width = 0;
    ParseNumberText(in.txtCenter, center);
    ParseNumberText(in.txtWidth, width);
    const double fc = std::max(center, 1.0f), bw = std::max(width, 1.0f);  // as the Enter step raises them
    in.txtStart = GeneralNumberText(std::max(fc - 2 * bw, fc / 10));
    in.txtStop = GeneralNumberText(fc + 2 * bw);
}

// Says on the console which typed numbers the box or the Enter step put into
// range, as the design window shows them corrected in their boxes, every
// time: a value beyond the Single range too. (The ripple has its own message.)
void ReportClampedNumbers(const CliOptions& o, const EnterResult& entered, std::ostream& err)
{
    const struct {
        const char* name;
        const std::optional<std::string>& typed;
        const char* field;
    } numbers[] = {
        {"center", o.center, "Center"},
        {"width", o.width, "Width"},
        {"gain", o.gain, "Gain"},
        {"order", o.order, "Order"},
        {"cap", o.cap, "Caps"},
        {"gbw", o.gbw, "GBW"},
        {"dcgain", o.dcgain, "DCGain"},
        {"zin", o.zin, "Zin"},
        {"start", o.start, "Fstart"},
        {"stop", o.stop, "Fstop"},
        {"intervals", o.intervals, "NrInts"},
    };
    for (const auto& n : numbers) {
        if (!n.typed) continue;
        const double typed = CliNumber(*n.typed);
        // What the step did not change is what the box held.
        Single box = 0;
        ParseNumberText(WindowText(typed), box);
        const EnterChange* change = entered.Changed(n.field);
        const double taken = change ? change->taken : box;
        const bool representable = std::abs(typed) <= std::numeric_limits<Single>::max();
        if (change || !representable || static_cast<Single>(typed) != static_cast<Single>(taken))
            err << "stelvane-cli: --" << n.name << ' ' << Shortened(*n.typed) << " was taken as "
                << GeneralNumberText(taken) << '\n';
    }
}

// A circuit about to be written with a negative part is written (it may be
// wanted for study), but not without saying that it cannot be built.
void WarnOfNegativeParts(const DesignState& s, PartsType parts, const char* circuit, std::ostream& err)
{
    const bool specified = parts == PartsType::Specified;
    if (const int k = FirstStageWith(s, StageFault::Negative, specified))
        err << "stelvane-cli: warning: " << UnbuildableStageText(s, k, specified) << "; " << circuit
            << " holds a negative part\n";
}

// The bench choices and figures the options give, the others as they stand.
BenchSettings BenchFromOptions(const CliOptions& o, BenchSettings b)
{
    if (o.stageGains) b.Gains = *o.stageGains;
    if (o.correction) b.Correction = *o.correction;
    if (o.stageOrder) b.Order = *o.stageOrder;
    auto put = [](const std::optional<std::string>& text, double& field) {
        if (text) field = CliNumber(*text);
    };
    put(o.inputLevel, b.InputLevel);
    put(o.swing, b.Swing);
    put(o.slew, b.Slew);
    put(o.temp, b.TempC);
    put(o.en, b.En);
    put(o.in, b.In);
    if (o.noiseBand) {
        b.NoiseStart = CliNumber(o.noiseBand->first);
        b.NoiseStop = CliNumber(o.noiseBand->second);
    }
    return b;
}

FilterMask MaskFromOptions(const CliOptions& o)
{
    FilterMask m;
    if (!o.mask) return m;
    const auto& x = *o.mask;
    m.Fp1 = CliNumber(x[0]), m.Fp2 = CliNumber(x[1]), m.Ap = CliNumber(x[2]);
    m.Fs1 = CliNumber(x[3]), m.Fs2 = CliNumber(x[4]), m.As = CliNumber(x[5]);
    if (o.delaySpread) m.DelaySpread = CliNumber(*o.delaySpread);
    return m;
}

// --- The opamp list: --opamp NAME ---

// The text of a figure that reads back as the same double.
std::string ExactText(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// Fills the opamp options that were not given with the figures of the opamp
// --opamp names (the user's list first, then the generic opamps): the options
// given win. Empty, or why the name was refused, listing the names known.
std::string TakeListedOpamp(CliOptions& o, std::ostream& err)
{
    if (!o.opamp) return {};
    std::vector<OpampEntry> list = GenericOpamps();
    if (const auto file = UserSettingsPlaces().opampList) {
        OpampListRead read = ReadOpampList(*file);
        if (!read.message.empty()) err << "stelvane-cli: warning: " << read.message << '\n';
        list = std::move(read.entries);
    }
    const std::vector<OpampEntry> known = KnownOpamps(list);
    const OpampEntry* opamp = FindOpamp(known, *o.opamp);
    if (!opamp) {
        std::string names;
        for (const OpampEntry& k : known) names += (names.empty() ? "" : ", ") + Quoted(k.name);
        return "--opamp " + Quoted(*o.opamp) + " is not in the opamp list; it has " + names;
    }
    for (auto [option, figure] : {std::pair{&o.gbw, opamp->gbw}, {&o.dcgain, opamp->dcgain}, {&o.zin, opamp->zin},
             {&o.en, opamp->en}, {&o.in, opamp->in}, {&o.slew, opamp->slew}, {&o.swing, opamp->swing}})
        if (!*option) *option = ExactText(figure);
    return {};
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const CliParse parse = ParseCliArgs(args);
    CliOptions listed = parse.options;
    std::string error = parse.error.empty() ? TakeListedOpamp(listed, err) : parse.error;
    const CliOptions& o = listed;
    const CliTolerance tolerance = ToleranceFromOptions(o);
    for (const std::string& next : {CheckOptionsError(o), tolerance.error, CheckCliFiles(o)})
        if (error.empty()) error = next;
    if (!error.empty()) {
        err << "stelvane-cli: " << error << '\n' << kSeeHelp;
        return kUsageError;
    }
    if (o.help) {
        out << UsageText();
        return Flushed(out, err, 0);
    }

    CliNotifier notifier(err);
    DesignState s;
    DesignSession session(s);
    // The start-up design and opamp; the command line keeps no last session.
    session.StartUp();
    const auto load = [&](DesignState& r) {
        if (!ReadDesignFile(r, *o.load, notifier)) return false;
        // A loaded design is analysed with its parts as they stand.
        r.ManualEntry = PartsEntry::Manual;
        return true;
    };
    if (o.load && !session.Get(load)) return 1;

    session.SetBench(BenchFromOptions(o, s.Bench));
    session.SetMask(MaskFromOptions(o));
    DesignInputs in = InputsFromRecord(s);
    ApplyOptions(o, in, s.ManualEntry == PartsEntry::Manual);
    SweepOverTheBand(o, in);
    // The requirement: the least order per family, the chosen one designed as if typed.
    SweepOverTheMask(o, in);
    CliMask search;
    if (o.mask && !o.load) search = SearchMask(o, session, in, err);
    if (search.chosen) {
        const MaskCandidate& c = search.candidates[*search.chosen];
        in.txtCenter = WindowText(c.center), in.txtWidth = WindowText(c.width);
        in.lblOrderInput = std::to_string(c.order), in.txtApass = WindowText(c.ripple);
        in.optButterworth = c.family == FilterFamily::Butterworth;
        in.optChebyshev = c.family == FilterFamily::Chebyshev;
        in.optBessel = c.family == FilterFamily::Bessel;
    }
    const EnterResult entered = session.Enter(
        in, [&](const std::string& text) { notifier.ShowMessage(text, kProgramCaption, MessageIcon::None); });
    ReportClampedNumbers(o, entered, err);
    // Stages the exact opamp correction could not hold keep their first-order Rs, said every time.
    for (int k = 1; k <= StageCount(s); ++k)
        if (const std::string why = ExactMissedText(s, k); !why.empty()) err << "stelvane-cli: " << why << '\n';
    if (o.series) session.RoundToStandardValues(*o.series, o.specifiedOpamp);

    // The exports run in the order of the file-writing window's buttons; the
    // first failure ends the run, as there is no window left to go back to.
    if (o.save) {
        const int before = notifier.Messages();
        if (!WriteDesignFile(s, *o.save, notifier)) {
            // Saving a design only beeps when it fails; the console needs words.
            if (notifier.Messages() == before) err << "The design file could not be written: " << *o.save << '\n';
            return 1;
        }
    }
    if (o.scientific && !WriteTabulatedScientific(s, *o.scientific, notifier)) return 1;
    if (o.easy && !WriteTabulatedEasy(s, *o.easy, notifier)) return 1;
    if (o.spice) {
        WarnOfNegativeParts(s, PartsOf(o), "the LTspice schematic", err);
        if (!WriteSpiceSchematic(s, PartsOf(o), *o.spice, notifier)) return 1;
    }
    if (o.bom && !WritePartsList(s, PartsOf(o), WithExtension(*o.bom, ".csv"), notifier, session.RoundedSeries()))
        return 1;
    if (o.overlay && !SavePlotOverlay(s, notifier)) return 1;
    if (o.netlist) WarnOfNegativeParts(s, PartsOf(o), "the netlist", err);
    if (!WriteCliNetlist(o, s, notifier)) return 1;

    const CliCheck check = RunCliCheck(o, s, err);
    if (o.json) {
        Json design = DesignJson(s, PartsOf(o));
        design.update(PartsJson(o, s));
        if (tolerance.settings) design["monte_carlo"] = ToleranceJson(RunTolerance(s, *tolerance.settings));
        if (!check.json.is_null()) design["verify"] = check.json;
        if (o.mask) design["mask"] = MaskJson(s, search);
        out << JsonText(design);
    } else {
        // The bench paragraph when a bench option was given, so that the summary of
        // the default design reads as it always did; the JSON always holds it.
        const bool bench = o.stageGains || o.correction || o.stageOrder || o.inputLevel || o.swing || o.slew || o.opamp;
        out << DesignSummary(s) << (bench ? BenchSummary(s) : std::string()) << PartsSummary(o, s);
        // the noise in words when a noise figure was given; the JSON always holds it
        if (o.temp || o.en || o.in || o.noiseBand) out << NoiseSummary(s, PartsOf(o));
        if (tolerance.settings) out << ToleranceSummary(RunTolerance(s, *tolerance.settings));
        if (o.mask) out << MaskSummary(s, search);
        out << check.text;
    }
    // A failed check says more than a missed mask.
    return Flushed(out, err, check.code != 0 ? check.code : MaskCode(s));
}

}  // namespace stelvane
