#include "files/kicadschematic.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <vector>

#include "engine/designators.h"
#include "engine/numbertext.h"
#include "engine/practicalparts.h"
#include "files/partexport.h"
#include "files/partslist.h"
#include "files/textfile.h"

namespace stelvane {

namespace {

// Positions are counted in the 50-mil grid and written in millimetres;
// finer offsets (the fields beside a part) in micrometres.
constexpr long kGridMicrometres = 1270;
constexpr long kFieldOffset = 2540;  // a field's distance from its part's centre
constexpr long kHalfLine = 1905;     // the second field's distance from the first
// A stage is 35 grid steps wide; five fit an A4 sheet, seven a row of an A3 one.
constexpr int kStageWidth = 35;
constexpr int kStagesOnA4 = 5;
constexpr int kStagesPerA3Row = 7;
constexpr int kFirstStageX = 36;  // the source and the supplies lie left of it
constexpr int kFirstRowY = 40;
constexpr int kRowPitch = 36;
// The ngspice netlist's ideal opamp: a gain that leaves no error a design can show.
constexpr double kIdealGain = 1e16;
constexpr const char* kOpampModel = "stelvane_opamp";

std::string Millimetres(long micrometres)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", static_cast<double>(micrometres) / 1000);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string At(long x, long y, int angle)
{
    return "(at " + Millimetres(x) + " " + Millimetres(y) + " " + std::to_string(angle) + ")";
}

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "\"";
}

std::string Shortest(double value)
{
    char buffer[40];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

constexpr const char* kFont = "(effects (font (size 1.27 1.27)))";
constexpr const char* kHiddenFont = "(effects (font (size 1.27 1.27)) hide)";
constexpr const char* kStroke = "(stroke (width 0.254) (type default) (color 0 0 0 0))";

// The program's own symbols, drawn for it: coordinates in millimetres with y
// upward, as KiCad's symbols are; each pin's point is where a wire meets it.
std::string PinText(
    const char* type, const char* x, const char* y, int angle, const char* length, const char* name, const char* number)
{
    return std::string("      (pin ") + type + " line (at " + x + " " + y + " " + std::to_string(angle) + ") (length " +
        length + ")\n        (name " + Quoted(name) + " " + kFont + ")\n        (number " + Quoted(number) + " " +
        kFont + "))\n";
}

std::string LibSymbol(
    const char* name, const char* reference, bool hidePins, const std::string& body, const std::string& pins)
{
    std::string t = std::string("    (symbol \"stelvane:") + name + "\"" +
        (hidePins ? " (pin_numbers hide) (pin_names (offset 0) hide)" : "") + " (in_bom yes) (on_board yes)\n";
    t += std::string("      (property \"Reference\" \"") + reference + "\" (id 0) (at 0 0 0) " + kFont + ")\n";
    t += std::string("      (property \"Value\" \"") + name + "\" (id 1) (at 0 0 0) " + kFont + ")\n";
    t += std::string("      (property \"Footprint\" \"\" (id 2) (at 0 0 0) ") + kHiddenFont + ")\n";
    t += std::string("      (property \"Datasheet\" \"\" (id 3) (at 0 0 0) ") + kHiddenFont + ")\n";
    t += std::string("      (symbol \"") + name + "_0_1\"\n" + body + "      )\n";
    t += std::string("      (symbol \"") + name + "_1_1\"\n" + pins + "      )\n";
    return t + "    )\n";
}

std::string Polyline(std::initializer_list<const char*> points)
{
    std::string t = "        (polyline (pts";
    for (const char* p : points) t += std::string(" (xy ") + p + ")";
    return t + ") " + kStroke + " (fill (type none)))\n";
}

std::string LibSymbols()
{
    std::string t = "  (lib_symbols\n";
    // a resistor: a box between two pins 7.62 mm apart, pin 1 above
    t += LibSymbol("R", "R", true,
        std::string("        (rectangle (start -1.016 -2.54) (end 1.016 2.54) ") + kStroke + " (fill (type none)))\n",
        PinText("passive", "0", "3.81", 270, "1.27", "~", "1") +
            PinText("passive", "0", "-3.81", 90, "1.27", "~", "2"));
    // a capacitor: two plates between the same pins
    t += LibSymbol("C", "C", true,
        Polyline({"-2.032 0.762", "2.032 0.762"}) + Polyline({"-2.032 -0.762", "2.032 -0.762"}),
        PinText("passive", "0", "3.81", 270, "3.048", "~", "1") +
            PinText("passive", "0", "-3.81", 90, "3.048", "~", "2"));
    // the opamp: inverting input above the non-inverting one, the supply pins on the triangle's slopes;
    // its pins' names are kept in the file and its signs drawn, as names would crowd the triangle
    t += LibSymbol("OPAMP", "U", true,
        Polyline({"-5.08 5.08", "5.08 0", "-5.08 -5.08", "-5.08 5.08"}) + Polyline({"-4.318 2.54", "-3.048 2.54"}) +
            Polyline({"-4.318 -2.54", "-3.048 -2.54"}) + Polyline({"-3.683 -1.905", "-3.683 -3.175"}),
        PinText("input", "-7.62", "-2.54", 0, "2.54", "+", "1") +
            PinText("input", "-7.62", "2.54", 0, "2.54", "-", "2") +
            PinText("output", "7.62", "0", 180, "2.54", "OUT", "3") +
            PinText("passive", "-2.54", "7.62", 270, "3.81", "V+", "4") +
            PinText("passive", "-2.54", "-7.62", 90, "3.81", "V-", "5"));
    // a source for the simulation: a circle, pin 1 its positive end above
    t += LibSymbol("VSOURCE", "V", true,
        std::string("        (circle (center 0 0) (radius 2.54) ") + kStroke + " (fill (type none)))\n" +
            Polyline({"0 1.524", "0 0.508"}) + Polyline({"-0.508 1.016", "0.508 1.016"}),
        PinText("passive", "0", "5.08", 270, "2.54", "~", "1") +
            PinText("passive", "0", "-5.08", 90, "2.54", "~", "2"));
    return t + "  )\n";
}

// A placed symbol as the sheet's instance list names it.
struct SheetSymbol {
    std::string uuid, reference, value;
};

// Everything on the sheet in grid steps from its top-left corner, y downward.
class KicadBuilder {
public:
    KicadBuilder(const DesignState& s, PartsType parts, std::optional<StandardSeries> roundedTo)
        : s_(s), parts_(parts), roundedTo_(roundedTo), seed_(Seed(s))
    {}

    std::string Build()
    {
        const int stages = StageCount(s_);
        const bool a4 = stages <= kStagesOnA4;
        const int perRow = a4 ? kStagesOnA4 : kStagesPerA3Row;
        const char* family = s_.ManualEntry == PartsEntry::Manual ? "manually entered" : FamilyName(s_.Family);
        std::string title = std::string(family ? family : "") + " bandpass, " + std::to_string(stages) +
            (stages == 1 ? " stage" : " stages");
        text_ = std::string("(kicad_sch (version ") + kKicadFileVersion + ") (generator stelvane)\n\n";
        text_ += "  (uuid " + Uuid() + ")\n\n";
        text_ += std::string("  (paper \"") + (a4 ? "A4" : "A3") + "\")\n\n";
        text_ += "  (title_block\n    (title " + Quoted(title) + ")\n    (comment 1 " +
            Quoted("Stelvane " + s_.VersionText + ", " +
                (parts_ == PartsType::Specified ? "resistors for the specified opamp" : "ideal opamp")) +
            ")\n  )\n\n";
        text_ += LibSymbols() + "\n";

        Sources();
        int row = 0;
        for (int k = 1; k <= stages; ++k) {
            const int column = (k - 1) % perRow;
            row = (k - 1) / perRow;
            const int x0 = kFirstStageX + column * kStageWidth, y0 = kFirstRowY + row * kRowPitch;
            // a new row takes the last stage's output by its label
            if (column == 0 && k > 1) {
                Wire(x0 - 3, y0, x0, y0);
                Label("s" + std::to_string(k - 1), x0 - 3, y0, 180);
            }
            Stage(k, x0, y0);
            // the output on to the next stage's R1 (or the row's end), named as the netlist's node
            const int out = x0 + kStageWidth - 3;
            // (its label clear of the next R1, or at the wire's end where the row ends)
            const int named = k == stages || column == perRow - 1 ? out + 3 : out + 1;
            if (named != out + 3) Wire(out, y0, named, y0);
            Wire(named == out + 3 ? out : named, y0, out + 3, y0);
            if (k == stages)
                GlobalLabel("OUT", "output", named, y0, 0);
            else
                Label("s" + std::to_string(k), named, y0, 0);
        }
        Directives(kFirstRowY + row * kRowPitch + 24);

        text_ += "  (sheet_instances\n    (path \"/\" (page \"1\"))\n  )\n\n  (symbol_instances\n";
        for (const SheetSymbol& p : symbols_)
            text_ += "    (path \"/" + p.uuid + "\"\n      (reference " + Quoted(p.reference) + ") (unit 1) (value " +
                Quoted(p.value) + ") (footprint \"\")\n    )\n";
        text_ += "  )\n)\n";
        return std::move(text_);
    }

private:
    // Distinct designs give distinct identifiers, and one design always the same.
    static std::uint32_t Seed(const DesignState& s)
    {
        std::uint32_t h = 2166136261u;  // FNV-1a
        auto mix = [&h](const void* data, std::size_t size) {
            const auto* bytes = static_cast<const unsigned char*>(data);
            for (std::size_t i = 0; i < size; ++i) h = (h ^ bytes[i]) * 16777619u;
        };
        mix(&s.Order, sizeof s.Order);
        for (int k = 1; k <= StageCount(s); ++k) mix(&s.R[k], sizeof s.R[k]), mix(&s.C[k], sizeof s.C[k]);
        return h;
    }

    std::string Uuid()
    {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%08" PRIx32 "-5e1a-4000-8000-%012x", seed_, ++count_);
        return buffer;
    }

    static long Um(int grid) { return grid * kGridMicrometres; }

    void Wire(int x1, int y1, int x2, int y2)
    {
        text_ += "  (wire (pts (xy " + Millimetres(Um(x1)) + " " + Millimetres(Um(y1)) + ") (xy " +
            Millimetres(Um(x2)) + " " + Millimetres(Um(y2)) +
            "))\n    (stroke (width 0) (type default) (color 0 0 0 0))\n    (uuid " + Uuid() + ")\n  )\n";
    }

    void Junction(int x, int y)
    {
        text_ +=
            "  (junction (at " + Millimetres(Um(x)) + " " + Millimetres(Um(y)) + ") (diameter 0) (color 0 0 0 0))\n";
    }

    void Label(const std::string& name, int x, int y, int angle)
    {
        text_ += "  (label " + Quoted(name) + " " + At(Um(x), Um(y), angle) +
            "\n    (effects (font (size 1.27 1.27)) (justify " + (angle == 180 ? "right" : "left") +
            " bottom))\n    (uuid " + Uuid() + ")\n  )\n";
    }

    void GlobalLabel(const std::string& name, const char* shape, int x, int y, int angle)
    {
        const std::string at = At(Um(x), Um(y), angle);
        text_ += "  (global_label " + Quoted(name) + " (shape " + shape + ") " + at +
            " (fields_autoplaced)\n    (effects (font (size 1.27 1.27)) (justify " + (angle == 180 ? "right" : "left") +
            "))\n    (uuid " + Uuid() + ")\n    (property \"Intersheet References\" \"${INTERSHEET_REFS}\" (id 0) " +
            at + " " + kHiddenFont + ")\n  )\n";
    }

    void Text(const std::string& text, int x, int y)
    {
        text_ += "  (text " + Quoted(text) + " " + At(Um(x), Um(y), 0) +
            "\n    (effects (font (size 1.27 1.27)) (justify left top))\n    (uuid " + Uuid() + ")\n  )\n";
    }

    // Where a part's two visible fields go, in micrometres from its centre,
    // and how they are justified.
    struct FieldPlace {
        long referenceX, referenceY, valueX, valueY;
        const char* justify;  // "" for centred
    };

    void Symbol(const char* lib, const std::string& reference, const std::string& value, int x, int y, int rotation,
        const FieldPlace& place, int pins, const std::string& primitive, const std::string& model, bool built)
    {
        const std::string uuid = Uuid();
        const long cx = Um(x), cy = Um(y);
        const std::string effects = *place.justify
            ? std::string("(effects (font (size 1.27 1.27)) (justify ") + place.justify + "))"
            : std::string(kFont);
        const char* yes = built ? "yes" : "no";
        text_ += std::string("  (symbol (lib_id \"stelvane:") + lib + "\") " + At(cx, cy, rotation) + " (unit 1)\n" +
            "    (in_bom " + yes + ") (on_board " + yes + ")\n    (uuid " + uuid + ")\n";
        auto field = [&](int id, const char* name, const std::string& v, long fx, long fy, const std::string& fx2) {
            text_ += std::string("    (property \"") + name + "\" " + Quoted(v) + " (id " + std::to_string(id) + ") " +
                At(fx, fy, rotation) + " " + fx2 + ")\n";
        };
        field(0, "Reference", reference, cx + place.referenceX, cy + place.referenceY, effects);
        field(1, "Value", value, cx + place.valueX, cy + place.valueY, effects);
        field(2, "Footprint", "", cx, cy, kHiddenFont);
        field(3, "Datasheet", "", cx, cy, kHiddenFont);
        field(4, "Spice_Primitive", primitive, cx, cy, kHiddenFont);
        field(5, "Spice_Model", model, cx, cy, kHiddenFont);
        field(6, "Spice_Netlist_Enabled", "Y", cx, cy, kHiddenFont);
        for (int p = 1; p <= pins; ++p) text_ += "    (pin \"" + std::to_string(p) + "\" (uuid " + Uuid() + "))\n";
        text_ += "  )\n";
        symbols_.push_back({uuid, reference, value});
    }

    static constexpr FieldPlace kBelow{0, kFieldOffset, 0, kFieldOffset + kHalfLine, ""};
    static constexpr FieldPlace kAbove{0, -kFieldOffset - kHalfLine, 0, -kFieldOffset, ""};
    static constexpr FieldPlace kVertical{-kFieldOffset, -1270, -kFieldOffset, 1270, "right"};
    // The opamp's value (its name or figures, often long) goes under the stage's caption, clear of the next stage.
    static constexpr FieldPlace kOpampFields{3810, -3810, -15240, 16510, "left"};

    void Part(int k, int part, int x, int y, int rotation, const FieldPlace& place)
    {
        const bool resistor = part <= 3;
        const ResArray& r = BuiltResistors(s_, parts_);
        const double v = resistor ? r[k][part] : s_.C[k][part - 3];
        const std::string value = PartsListValue(v, resistor, roundedTo_);
        Symbol(resistor ? "R" : "C", PartDesignator(k, part), value, x, y, rotation, place, 2, resistor ? "R" : "C",
            value, true);
    }

    // One MFB stage whose input is R1's left pin at (x0, y0); its output
    // leaves the opamp's output column at (x0 + 32, y0). R1 and C1 lie on
    // the signal line, R2 hangs from node A to ground, R3 (from the
    // inverting input) and C2 (from node A) lie on two feedback lines above.
    void Stage(int k, int x0, int y0)
    {
        auto wire = [&](int ax, int ay, int bx, int by) { Wire(x0 + ax, y0 + ay, x0 + bx, y0 + by); };
        Part(k, 1, x0 + 3, y0, 90, kAbove);  // below it R2's fields would meet its own
        Part(k, 2, x0 + 9, y0 + 5, 0, kVertical);
        Part(k, 3, x0 + 24, y0 - 11, 90, kBelow);
        Part(k, 4, x0 + 13, y0, 90, kBelow);
        Part(k, 5, x0 + 20, y0 - 15, 90, kAbove);
        Symbol("OPAMP", OpampDesignator(k), OpampValue(), x0 + 24, y0 + 2, 0, kOpampFields, 5, "X", kOpampModel, true);
        // node A
        wire(6, 0, 9, 0), wire(9, 0, 10, 0), wire(9, 0, 9, 2), wire(9, 0, 9, -15), Junction(x0 + 9, y0);
        wire(9, 8, 9, 10), GlobalLabel("GND", "passive", x0 + 9, y0 + 10, 0);
        wire(9, -15, 17, -15), wire(23, -15, 32, -15);
        // the inverting input
        wire(16, 0, 18, 0), wire(16, 0, 16, -11), wire(16, -11, 21, -11), Junction(x0 + 16, y0);
        // the output column
        wire(27, -11, 32, -11), wire(32, -15, 32, -11), wire(32, -11, 32, 0), wire(32, 0, 32, 2), wire(30, 2, 32, 2);
        Junction(x0 + 32, y0 - 11), Junction(x0 + 32, y0);
        // the grounded non-inverting input and the supplies
        wire(18, 4, 18, 6), GlobalLabel("GND", "passive", x0 + 18, y0 + 6, 180);
        wire(22, -4, 22, -6), GlobalLabel("+V", "passive", x0 + 22, y0 - 6, 0);
        wire(22, 8, 22, 10), GlobalLabel("-V", "passive", x0 + 22, y0 + 10, 0);
        Text("Stage " + std::to_string(k), x0 + 12, y0 + 13);
    }

    // The opamp as the parts list names it; the simulation model stays the one the parts type asks for.
    std::string OpampValue() const { return OpampPartName(s_, GenericOpamps()); }

    // The signal source on the input and the two supplies, for the simulation only.
    void Sources()
    {
        const int y0 = kFirstRowY;
        const FieldPlace left{-kFieldOffset, -1270, -kFieldOffset, 1270, "right"};
        Symbol("VSOURCE", "V1", "dc 0 ac 1", 30, y0 + 4, 0, left, 2, "V", "dc 0 ac 1", false);
        Wire(30, y0, kFirstStageX, y0), GlobalLabel("IN", "input", 30, y0, 180);
        Wire(30, y0 + 8, 30, y0 + 10), GlobalLabel("GND", "passive", 30, y0 + 10, 0);
        const std::string supply = "dc " + Shortest(kKicadSupplyVolts);
        Symbol("VSOURCE", "V2", supply, 16, y0 + 16, 0, left, 2, "V", supply, false);
        Wire(16, y0 + 12, 16, y0 + 10), GlobalLabel("+V", "passive", 16, y0 + 10, 0);
        Wire(16, y0 + 20, 16, y0 + 22), GlobalLabel("GND", "passive", 16, y0 + 22, 0);
        Symbol("VSOURCE", "V3", supply, 24, y0 + 16, 0, left, 2, "V", supply, false);
        Wire(24, y0 + 12, 24, y0 + 10), GlobalLabel("GND", "passive", 24, y0 + 10, 0);
        Wire(24, y0 + 20, 24, y0 + 22), GlobalLabel("-V", "passive", 24, y0 + 22, 0);
    }

    // The opamp's model and the design's sweep, which KiCad's simulator
    // takes from text on the sheet that starts with a dot.
    void Directives(int y)
    {
        std::string t = std::string(".subckt ") + kOpampModel + " inp inn out vp vn\n";
        if (parts_ == PartsType::Specified) {
            // one pole at GBW / DCGain, as in the ngspice netlist
            t += "RIN inp inn " + Shortest(s_.Zin) + "\nGPOLE 0 pole inp inn " + Shortest(s_.DCGain) +
                "\nRPOLE pole 0 1\nCPOLE pole 0 " + Shortest(s_.DCGain / (2 * std::numbers::pi * s_.GBW)) +
                "\nEBUF out 0 pole 0 1\n";
        } else {
            t += "EGAIN out 0 inp inn " + Shortest(kIdealGain) + "\n";
        }
        t += std::string(".ends ") + kOpampModel + "\n";
        const double start = s_.Fstart > 0 ? double(s_.Fstart) : 1,
                     stop = s_.Fstop > start ? double(s_.Fstop) : 10 * start;
        t += s_.Sweep == SweepSpacing::Linear ? ".ac lin " + std::to_string(std::max<int>(s_.NrInts + 1, 3)) + " " +
                Shortest(start) + " " + Shortest(stop)
                                              : ".ac dec 100 " + Shortest(start) + " " + Shortest(stop);
        Text(t, 16, y);
    }

    const DesignState& s_;
    PartsType parts_;
    std::optional<StandardSeries> roundedTo_;
    std::uint32_t seed_;
    unsigned count_ = 0;
    std::string text_;
    std::vector<SheetSymbol> symbols_;
};

}  // namespace

std::string KicadSchematicText(const DesignState& s, PartsType parts, std::optional<StandardSeries> roundedTo)
{
    return KicadBuilder(s, parts, roundedTo).Build();
}

bool WriteKicadSchematic(const DesignState& s, PartsType parts, std::optional<StandardSeries> roundedTo,
    const std::string& fileName, Notifier& notifier)
{
    std::string problem;
    if (s.Order < 1 || s.Order > kMaxStages) {
        problem = "the design has no stages from 1 to 21 to draw";
    } else {
        // A value whose text reads back as another is no part to place.
        problem = WrittenPartProblem(s, parts == PartsType::Specified, kFullPartText, [&](int, int part, double value) {
            const std::string text = PartsListValue(value, part <= 3, roundedTo);
            return WrittenPart{ParseStrictNumber(text).value_or(NAN), ParseStrictNumber(text)};
        });
    }
    if (!problem.empty()) {
        notifier.ShowMessage(problem + ". " + kKicadNotWrittenMessage + ".");
        return false;
    }
    if (WriteTextFileSafely(fileName, KicadSchematicText(s, parts, roundedTo))) return true;
    notifier.Beep();
    notifier.ShowMessage(kKicadNotWrittenMessage);
    return false;
}

}  // namespace stelvane
