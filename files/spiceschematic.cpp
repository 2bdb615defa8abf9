#include "files/spiceschematic.h"

#include <optional>
#include <string_view>

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "files/partexport.h"
#include "files/textfile.h"

namespace stelvane {

namespace {

// A resistor's value text: a lone M means milli to the simulator; mega is MEG.
std::string ResistorText(Single r)
{
    std::string value = FormatValue(r);
    if (!value.empty() && value.back() == 'M') value += "EG";
    return value;
}

// The value a part's text gives when the simulator reads it: blanks and the
// farad's F are no part of the number, and a lone M is milli.
std::optional<double> SimulatorReading(std::string text)
{
    text = Trimmed(text);
    if (!text.empty() && text.back() == 'F') text.pop_back();
    if (!text.empty() && text.back() == 'M') text.back() = 'm';
    return ParseStrictNumber(text);
}

// Builds the schematic text. The writer keeps a pen position in simulator grid
// units (x to the right, y downward) and numbers its parts R1.., C1.., U1..
// in the order they are placed.
class SchematicText {
public:
    SchematicText(const DesignState& s, PartsType parts) : s_(s), parts_(parts) {}

    std::string Build()
    {
        Line("Version 4");
        Line("SHEET 1 1 1");
        Source();
        for (int i = 1; i <= s_.Order; ++i) Stage(i);
        Flag(penX_, penY_, "Output");
        Line("TEXT 0 368 Left 0 !.include Opamp.sub");
        // the directive gets a separating blank of its own between the two
        // frequencies, each of which already carries blanks around it
        Line(std::string(s_.Sweep == SweepSpacing::Linear ? "TEXT 0 400 Left 0 !.AC LIN 1000 "
                                                          : "TEXT 0 400 Left 0 !.AC DEC 1000 ") +
            SignedNumberText(s_.Fstart) + " " + SignedNumberText(s_.Fstop));
        Line("TEXT 0 432 Left 0 ;QUIBEX from Brellin Software");
        if (SpecifiedOpamp()) {
            Line("TEXT 0 464 Left 0 ;Parts values based on specified opamp");
            Line("TEXT 0 496 Left 0 ;GBW: " + FormatEng(s_.GBW));
        } else {
            Line("TEXT 0 464 Left 0 ;Parts values based on ideal opamp");
        }
        return std::move(text_);
    }

private:
    bool SpecifiedOpamp() const { return parts_ == PartsType::Specified; }

    // Coordinates are whole numbers: a blank or minus, the digits, a blank.
    static std::string Num(int v) { return (v < 0 ? "-" : " ") + std::to_string(v < 0 ? -v : v) + " "; }

    void Line(std::string_view line)
    {
        text_ += line;
        text_ += kLineEnd;
    }

    void Wire(int a, int b, int c, int d) { Line("WIRE " + Num(a) + Num(b) + Num(c) + Num(d)); }
    void Flag(int a, int b, std::string_view name) { Line("FLAG " + Num(a) + Num(b) + std::string(name)); }
    void Symbol(std::string_view head, int a, int b, std::string_view orientation)
    {
        Line(std::string(head) + Num(a) + Num(b) + std::string(orientation));
    }
    void Name(char kind, int count) { Line("SYMATTR InstName " + std::string(1, kind) + std::to_string(count)); }
    void Value(std::string_view value) { Line("SYMATTR Value " + std::string(value)); }

    std::string ResistorValue(int stage, int part) const
    {
        return ResistorText(SpecifiedOpamp() ? s_.Rs[stage][part] : s_.R[stage][part]);
    }

    void Source()
    {
        const int x = penX_, y = penY_;
        Symbol("SYMBOL voltage ", x, y + 48, "M0");
        Line("WINDOW 123 24 132 Left 0");
        Line("SYMATTR InstName Vgen");
        Line("SYMATTR Value AC 1");
        Wire(x, y, x, y + 64);
        Wire(x, y, x + 32, y);
        Wire(x, y + 144, x, y + 208);
        Flag(x, y + 208, "0");
        penX_ = x + 32;
    }

    void HorizontalResistor(const std::string& value)
    {
        const int x = penX_, y = penY_;
        Symbol("SYMBOL res ", x + 16, y + 16, "R270");
        Line("WINDOW 0  32  56  VTop 0");
        Line("WINDOW 3  0  56  VBottom 0");
        Name('R', ++resistors_);
        Value(value);
        Wire(x, y, x + 32, y);
        Wire(x + 112, y, x + 176, y);
        penX_ = x + 176;
    }

    void VerticalResistor(const std::string& value)
    {
        const int x = penX_, y = penY_;
        Symbol("SYMBOL res ", x - 16, y + 48, "R0");
        Name('R', ++resistors_);
        Value(value);
        Wire(x, y, x, y + 64);
        Wire(x, y + 144, x, y + 208);
    }

    void Capacitor(const std::string& value)
    {
        const int x = penX_, y = penY_;
        Symbol("SYMBOL cap ", x + 32, y + 16, "R270");
        Line("WINDOW 0 0 32 Vbottom 0");
        Line("WINDOW 3 32 32 Vtop 0");
        Name('C', ++capacitors_);
        Value(value);
        Wire(x, y, x + 32, y);
        Wire(x + 96, y, x + 128, y);
    }

    void Opamp()
    {
        Symbol("SYMBOL Opamps\\\\opamp ", penX_, penY_, "R0");
        Name('U', ++opamps_);
    }

    void Stage(int i)
    {
        const int x = penX_;  // pen Y is 0 at the start of every stage
        HorizontalResistor(ResistorValue(i, 1));
        VerticalResistor(ResistorValue(i, 2));
        Flag(x + 176, 208, "0");
        Wire(x + 176, 0, x + 208, 0);
        penX_ = x + 208;
        Capacitor(FormatCap(s_.C[i][1]));
        penY_ = -208;
        Capacitor(FormatCap(s_.C[i][2]));
        Wire(x + 208, -208, x + 208, 0);
        penX_ = x + 336;
        VerticalResistor(ResistorValue(i, 3));
        penX_ = x + 432;
        penY_ = -48;
        Opamp();
        Wire(x + 336, 0, x + 400, 0);
        Wire(x + 400, 32, x + 368, 32);
        Wire(x + 368, 32, x + 368, 208);
        Flag(x + 368, 208, "0");
        penX_ = x + 464;
        penY_ = 16;
        Wire(x + 464, 16, x + 496, 16);
        Wire(x + 496, 16, x + 496, -208);
        Wire(x + 496, -208, x + 336, -208);
        penX_ = x + 496;
        penY_ = 0;
        Wire(x + 496, 0, x + 528, 0);
        penX_ = x + 528;
        // A stage that cannot be built has no frequency; its label says so as the windows do.
        Line("TEXT " + Num(x + 256) + Num(272) + "LEFT 0 " +
            (StageFiguresValid(s_, i) ? Trimmed(FormatEng(s_.StageFoActual[i])) + "Hz" : kInvalidFigureText));
    }

    const DesignState& s_;
    PartsType parts_;
    std::string text_;
    int penX_ = 0;
    int penY_ = 0;
    int resistors_ = 0;
    int capacitors_ = 0;
    int opamps_ = 0;
};

}  // namespace

bool WriteSpiceSchematic(const DesignState& state, PartsType parts, const std::string& fileName, Notifier& notifier)
{
    // A part of 0, with no value or whose text the simulator would read as
    // another value is no circuit: nothing is written.
    const std::string problem =
        WrittenPartProblem(state, parts == PartsType::Specified, kRoundedPartText, [](int, int part, double value) {
            const Single v = static_cast<Single>(value);
            return WrittenPart{value, SimulatorReading(part <= 3 ? ResistorText(v) : FormatCap(v))};
        });
    if (!problem.empty()) {
        notifier.ShowMessage(problem + kSpiceNotBuildableEnding);
        return false;
    }
    // Stages beyond the arrays cannot be drawn.
    bool written = state.Order >= 0 && state.Order <= kMaxStages;
    if (written) written = WriteTextFileSafely(fileName, SchematicText(state, parts).Build());
    if (!written) {
        notifier.Beep();
        notifier.ShowMessage(kSpiceNotWrittenMessage);
    }
    return written;
}

}  // namespace stelvane
