#pragma once

#include <string>

#include "engine/designstate.h"
#include "platform/canvas.h"

namespace stelvane {

// How the circuit symbols are drawn. Every symbol has wires (straight leads,
// grounds, the opamp's connections) and bodies (zigzags, plates, the
// triangle and its signs, the source's sine); the schematic draws both in
// black, the opening window's picture in two blues.
struct SymbolStyle {
    Rgb wire = kBlack;
    Rgb body = kBlack;
    Rgb sourceCircle = kBlack;      // the opening picture draws it as a wire
    Rgb sourceUpperLead = kBlack;   // ... and this lead as a body
    double lineWidth = 1;           // device pixels
    CanvasFont valueFont;           // part values and readouts
    CanvasFont numberFont;          // the stage number inside the opamp
    bool partValues = true;         // value labels next to the parts
    bool shortSourceLeads = false;  // the opening picture's source leads stop short of the circle
};

// The schematic's style: black, part values shown, fonts Sh x 0.0008 and
// Sh x 0.0012 points for a screen Sh twips high.
SymbolStyle SchematicStyle(double screenHeightTwips);
// The opening window's picture: blue, 3 pixels wide, no values.
SymbolStyle DemonstrationStyle(double screenHeightTwips);

// Horizontal advances of the symbols, in layout units.
constexpr double kSourceAdvance = 240;
constexpr double kHorizontalResistorAdvance = 1000;
constexpr double kVerticalResistorAdvance = 200;
constexpr double kCapacitorAdvance = 760;
constexpr double kOpampAdvance = 1500;
constexpr double kStageAdvance = 3760;  // 1000 + 200 + 760 + 1500 + 300, the parts in the order drawn
constexpr double kOutputLead = 300;
constexpr double kLegLength = 1040;  // from the signal line to ground, and up to the feedback line

// Each symbol is drawn at the point (x, y) and returns its advance.
double DrawSource(Canvas& canvas, double x, double y, const SymbolStyle& style);
double DrawHorizontalResistor(Canvas& canvas, double x, double y, Single ohms, const SymbolStyle& style);
double DrawVerticalResistor(Canvas& canvas, double x, double y, Single ohms, const SymbolStyle& style);
double DrawCapacitor(Canvas& canvas, double x, double y, const std::string& label, const SymbolStyle& style);
void DrawGround(Canvas& canvas, double x, double y, const SymbolStyle& style);
double DrawOpamp(Canvas& canvas, double x, double y, int stageNumber, const SymbolStyle& style);

// One multiple-feedback bandpass stage at (x0, y): R1 into node A, R2 from A
// to ground, C1 from A to the inverting input, C2 from A to the output line,
// R3 from the output line to the inverting input. Resistors are the
// specified-opamp set Rs when specifiedOpamp is set, else R. Returns the
// advance to the next stage.
double DrawStage(Canvas& canvas, double x0, double y, const DesignState& state, int stage, bool specifiedOpamp,
    const SymbolStyle& style);

// The stage's readouts under the circuit: a white box clearing the text
// area, then its frequency, Q and gain in dB as computed from its parts
// ("invalid" for a stage that cannot be built).
void DrawStageReadouts(Canvas& canvas, double x0, const DesignState& state, int stage, const SymbolStyle& style);

// The opening window's picture: the source, stages 1 to Order and the
// output lead, from the point (2000, 2000), without any part values.
void DrawDemonstrationCircuit(Canvas& canvas, const DesignState& state, double screenHeightTwips);

}  // namespace stelvane
