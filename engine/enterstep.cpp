#include "engine/enterstep.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "engine/numbertext.h"
#include "engine/opampfigures.h"
#include "engine/poles.h"
#include "engine/synthesis.h"

namespace stelvane {

namespace {

constexpr Single kLowestFrequency = 1;       // Hz; centre and width below it are raised to it
constexpr Single kDefaultCapacitor = 1e-8f;  // F; what an empty or zero capacitor box means
constexpr Single kLowestRipple = 0.001f;     // dB; a Chebyshev needs some ripple
constexpr Single kHighestRipple = 20;        // dB
constexpr Single kMostIntervals = kMaxPoints;
constexpr Single kLowestGBW = 10000;
constexpr Single kLowestZin = 1000;
constexpr Single kHighestZin = 1e10f;
constexpr Integer kMaxGridCount = 12;     // the plot has room for 12 grid intervals
constexpr Single kLeastGainSpan = 10;     // dB; a gain top not above the bottom is put this far above it
constexpr std::size_t kMostQuoted = 300;  // characters of a typed text a note repeats

// A sweep end of 0 Hz or below can be neither swept on a log scale nor
// stored: it is raised to 1 Hz.
Single StorableFrequency(Single f) { return f > 0 ? f : kLowestFrequency; }

// A gain top not above the bottom leaves the plot no height: it is put above
// the bottom, far enough that the step survives a Single at any size.
Single StorableTop(Single top, Single bottom)
{
    return top > bottom ? top : bottom + std::max(kLeastGainSpan, std::abs(bottom) / 10);
}

// A number as the notes say it: engineering form with its sign ("4k", "-20",
// "10n"); a count in plain figures.
std::string NoteNumber(double value, bool count)
{
    if (count) return GeneralNumberText(value);
    return Trimmed(FormatEngSmall(static_cast<Single>(value)));
}

// Whether the text is wholly one number (by the strict reading), perhaps
// followed by the field's unit as the window's own texts are (0.01uF), and
// the window read that number, within the rounding of a Single.
bool ReadAsTyped(std::string_view typed, double read, std::string_view unit)
{
    auto strict = ParseStrictNumber(typed);
    const std::string text = Trimmed(typed), bareUnit = Trimmed(unit);
    if (!strict && !bareUnit.empty() && text.ends_with(bareUnit))
        strict = ParseStrictNumber(std::string_view(text).substr(0, text.size() - bareUnit.size()));
    return strict && std::isfinite(*strict) && std::abs(*strict - read) <= 1e-6 * std::abs(*strict);
}

// The notes of one Enter step, with the reading and clamping of its fields.
struct Notes {
    EnterNotes said;
    std::vector<EnterChange> changed;

    void Say(std::string_view typed, double read, double taken, const NotedField& field, std::string_view why = "")
    {
        std::string note = TakenNote(typed, read, taken, field, why);
        if (note.empty()) return;
        said.push_back(std::move(note));
        if (field.record) changed.push_back({field.record, taken});
    }

    // Reads a field as the window always has, then keeps it within
    // low..high; gives whether that changed it.
    template <class T>
    bool Take(std::string_view typed, T& target, T low, T high, const NotedField& field)
    {
        ParseNumberText(typed, target);
        const T read = target;
        target = std::clamp(target, low, high);
        Say(typed, read, target, field);
        return target != read;
    }

    void TakeFrequency(std::string_view typed, Single& target, const NotedField& field)
    {
        ParseNumberText(typed, target);
        const Single read = target;
        target = StorableFrequency(target);
        Say(typed, read, target, field);
    }
};

constexpr Single kLowestSingle = std::numeric_limits<Single>::lowest();
constexpr Single kHighestSingle = std::numeric_limits<Single>::max();
constexpr NotedField kSweepStart{"sweep start", " Hz", false, "Fstart"},
    kSweepStop{"sweep stop", " Hz", false, "Fstop"}, kGainTop{"gain top", " dB", false, "dBTop"};
constexpr std::string_view kAboveBottom = " to stay above the gain bottom";

void ReadSpecification(DesignState& s, DesignInputs& in, Notes& notes)
{
    notes.Take(in.txtCenter, s.Center, kLowestFrequency, kHighestSingle, {"centre frequency", " Hz", false, "Center"});
    notes.Take(in.txtWidth, s.Width, kLowestFrequency, kHighestSingle, {"bandwidth", " Hz", false, "Width"});
    if (notes.Take<Integer>(in.lblOrderInput, s.Order, 1, kMaxStages, {"order", "", true, "Order"}))
        in.lblOrderInput = std::to_string(s.Order);
    notes.Take(in.txtGain, s.Gain, kLowestSingle, kHighestSingle, {"gain", " dB", false, "Gain"});
    ParseNumberText(in.txtCaps, s.Caps);
    const Single caps = s.Caps;
    if (s.Caps <= 0) s.Caps = kDefaultCapacitor;
    notes.Say(in.txtCaps, caps, s.Caps, {"capacitor value", "F", false, "Caps"});
    for (int i = 1; i <= s.Order; ++i) {
        s.C[i][1] = s.Caps;
        s.C[i][2] = s.Caps;
    }
    ParseNumberText(in.txtApass, s.Apass);
}

void ReadFamily(DesignState& s, DesignInputs& in, const ShowMessage& showMessage, Notes& notes)
{
    if (in.optButterworth) {
        s.Family = FilterFamily::Butterworth;
        s.Apass = 0;
    } else if (in.optChebyshev) {
        s.Family = FilterFamily::Chebyshev;
        // The ripple limits have messages of their own; a misread ripple is noted.
        if (s.ManualEntry != PartsEntry::Manual) notes.Say(in.txtApass, s.Apass, s.Apass, {"passband ripple", " dB"});
        if (s.Apass < kLowestRipple) {
            s.Apass = kLowestRipple;
            in.txtApass = ".001";
            if (showMessage) showMessage("Passband ripple has been reset to .001 dB");
        }
        if (s.Apass > kHighestRipple) {
            s.Apass = kHighestRipple;
            in.txtApass = "20";
            // "rest" stays as users have always seen it; do not mend it
            if (showMessage) showMessage("Passband ripple has been rest to 20 dB");
        }
    } else if (in.optBessel) {
        s.Family = FilterFamily::Bessel;
    }
    // With none of the three chosen (manual entry), the family stays as it was.

    // The Bessel poles are tabulated up to order 10; a designed Bessel of a
    // higher order would be built and saved as order 10 without a word.
    if (s.ManualEntry != PartsEntry::Manual && s.Family == FilterFamily::Bessel && s.Order > kMaxBesselOrder) {
        notes.said.push_back("Order " + std::to_string(s.Order) + " was taken as " + std::to_string(kMaxBesselOrder) +
            " for a Bessel design");
        s.Order = kMaxBesselOrder;
        notes.changed.push_back({"Order", double(s.Order)});
        in.lblOrderInput = std::to_string(s.Order);
    }
}

void ReadSweep(DesignState& s, DesignInputs& in, Notes& notes)
{
    if (in.optLinear) {
        s.Sweep = SweepSpacing::Linear;
    } else if (in.optLog) {
        s.Sweep = SweepSpacing::Log;
    }
    notes.TakeFrequency(in.txtStart, s.Fstart, kSweepStart);
    notes.TakeFrequency(in.txtStop, s.Fstop, kSweepStop);

    // The count is read through the scratch Single so that any typed number,
    // however large, can be capped before it meets the Integer field.
    const std::string typedInts = in.txtInts;
    ParseNumberText(typedInts, s.Caps);
    const Single typedCount = s.Caps;
    if (s.Caps > kMostIntervals) {
        s.Caps = kMostIntervals;
        in.txtInts = "2000";
    }
    // A sweep needs at least one interval; fewer is raised to it.
    const double intervals = std::floor(static_cast<double>(s.Caps));
    s.NrInts = static_cast<Integer>(intervals >= 1 ? intervals : 1.0);
    notes.Say(typedInts, typedCount, s.NrInts, {"number of frequencies", "", true, "NrInts"});

    if (notes.Take<Integer>(in.lblNrX, s.NrX, 1, kMaxGridCount, {"number of X intervals", "", true, "NrX"}))
        in.lblNrX = std::to_string(s.NrX);
    if (notes.Take<Integer>(in.lblNrY, s.NrY, 1, kMaxGridCount, {"number of Y intervals", "", true, "NrY"}))
        in.lblNrY = std::to_string(s.NrY);

    ParseNumberText(in.txtdBBottom, s.dBBottom);
    notes.Say(in.txtdBBottom, s.dBBottom, s.dBBottom, {"gain bottom", " dB", false, "dBBottom"});
    const std::string typedTop = in.txtdBTop;
    ParseNumberText(typedTop, s.dBTop);
    const Single top = s.dBTop;
    s.dBTop = StorableTop(s.dBTop, s.dBBottom);
    if (s.dBTop != top) in.txtdBTop = Trimmed(FormatValue(s.dBTop));
    notes.Say(typedTop, top, s.dBTop, kGainTop, kAboveBottom);
    notes.Take(in.txtDelay, s.DelayTop, kLowestSingle, kHighestSingle, {"delay top", " s", false, "DelayTop"});
}

void ReadOpamp(DesignState& s, DesignInputs& in, Notes& notes)
{
    // A DC gain of 0 or less, which the opamp correction cannot divide by,
    // gives way to the start-up gain, written back into its box.
    const std::string typedGain = in.txtGainDC;
    ParseNumberText(typedGain, s.DCGain);
    const Single dcGain = s.DCGain;
    if (s.DCGain <= 0) {
        s.DCGain = kDefaultDCGain;
        in.txtGainDC = Trimmed(FormatValue(kDefaultDCGain));
    }
    ClampOpampDCGain(s);
    notes.Say(typedGain, dcGain, s.DCGain, {"gain at DC", "", false, "DCGain"});
    notes.Take(in.txtGBW, s.GBW, kLowestGBW, kHighestSingle, {"gain-bandwidth", " Hz", false, "GBW"});
    notes.Take(in.txtZin, s.Zin, kLowestZin, kHighestZin, {"input impedance", " ohms", false, "Zin"});
}

}  // namespace

std::string TakenNote(std::string_view typed, double read, double taken, const NotedField& field, std::string_view why)
{
    const bool misread = !ReadAsTyped(typed, read, field.unit);
    const bool clamped = taken != read;
    if (!misread && !clamped) return "";
    const std::string takenText = NoteNumber(taken, field.count) + field.unit + std::string(why);
    if (!misread) {
        std::string name = field.name;
        name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
        return name + " " + NoteNumber(read, field.count) + field.unit + " was taken as " + takenText;
    }
    const std::string shown =
        typed.size() > kMostQuoted ? std::string(typed.substr(0, kMostQuoted)) + "..." : std::string(typed);
    std::string note = "'" + shown + "' was read as " + NoteNumber(read, field.count);
    // A part's name (R1) stands without an article.
    const std::string the = std::isupper(static_cast<unsigned char>(field.name[0])) ? "" : "the ";
    if (!clamped) return note + " for " + the + field.name;
    return note + "; " + the + field.name + " was taken as " + takenText;
}

EnterNotes KeepSweepStorable(DesignState& s)
{
    Notes notes;
    // The record's own values are wholly numbers, so only a change is said.
    auto keep = [&](Single& field, Single storable, const NotedField& noted, std::string_view why = "") {
        const Single was = field;
        field = storable;
        notes.Say(GeneralNumberText(was), was, field, noted, why);
    };
    keep(s.Fstart, StorableFrequency(s.Fstart), kSweepStart);
    keep(s.Fstop, StorableFrequency(s.Fstop), kSweepStop);
    keep(s.dBTop, StorableTop(s.dBTop, s.dBBottom), kGainTop, kAboveBottom);
    return notes.said;
}

std::string NotesText(const EnterNotes& notes)
{
    std::string text;
    for (const std::string& note : notes) text += (text.empty() ? "" : "\n") + note;
    return text;
}

const EnterChange* EnterResult::Changed(std::string_view field) const
{
    const auto at =
        std::find_if(changed.begin(), changed.end(), [&](const EnterChange& c) { return c.field == field; });
    return at == changed.end() ? nullptr : &*at;
}

EnterResult EnterStep(DesignState& s, DesignInputs& in, const ShowMessage& showMessage)
{
    Notes notes;
    // With manual entry the parts are the design: the design-input boxes are
    // not read, so nothing in them can overwrite the tuned parts.
    if (s.ManualEntry != PartsEntry::Manual) ReadSpecification(s, in, notes);
    ReadFamily(s, in, showMessage, notes);
    ReadSweep(s, in, notes);
    ReadOpamp(s, in, notes);
    RunDesignChain(s);
    return {std::move(notes.said), std::move(notes.changed)};
}

DesignInputs InputsFromRecord(const DesignState& s)
{
    DesignInputs in;
    in.txtCenter = FormatEng(s.Center);
    in.txtWidth = FormatEng(s.Width);
    in.txtGain = FormatValue(s.Gain);
    in.lblOrderInput = FormatValue(static_cast<Single>(s.Order));
    // An unset first capacitor is shown as the default the window installs.
    in.txtCaps = FormatCap(s.C[1][1] > 0 ? s.C[1][1] : kDefaultCapacitor);

    // The window opens with Butterworth chosen; choosing another family runs
    // its reaction, which resets the ripple (Bessel) or gives Chebyshev a
    // ripple it can use. A family the window has no option for chooses none,
    // and neither does manual entry (its own option is not a family).
    Single apass = s.Apass;
    if (s.ManualEntry != PartsEntry::Manual) {
        in.optButterworth = s.Family == FilterFamily::Butterworth;
        in.optChebyshev = s.Family == FilterFamily::Chebyshev;
        in.optBessel = s.Family == FilterFamily::Bessel;
        if (s.Family == FilterFamily::Chebyshev && apass == 0) apass = kLowestRipple;
        if (s.Family == FilterFamily::Bessel) apass = 0;
    }
    in.txtApass = FormatValue(apass);

    in.txtStart = FormatEng(s.Fstart);
    in.txtStop = FormatEng(s.Fstop);
    in.txtInts = FormatValue(static_cast<Single>(s.NrInts));
    in.txtdBTop = FormatValue(s.dBTop);
    in.txtdBBottom = FormatValue(s.dBBottom);
    in.txtDelay = Trimmed(FormatEngSmall(s.DelayTop));
    in.optLinear = s.Sweep == SweepSpacing::Linear;
    in.optLog = s.Sweep != SweepSpacing::Linear;
    in.lblNrX = std::to_string(s.NrX);
    in.lblNrY = std::to_string(s.NrY);

    in.txtGainDC = FormatValue(s.DCGain == 0 ? kDefaultDCGain : s.DCGain);
    in.txtGBW = FormatEng(s.GBW == 0 ? kDefaultGBW : s.GBW);
    in.txtZin = FormatValue(s.Zin == 0 ? kDefaultZin : s.Zin);
    return in;
}

}  // namespace stelvane
