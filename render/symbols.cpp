#include "render/symbols.h"

#include <cmath>
#include <vector>

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "render/screenstyle.h"

namespace stelvane {

namespace {

constexpr Rgb kDemoWire{0, 0, 204};
constexpr Rgb kDemoBody{0, 0, 255};
constexpr Rgb kNegativeValue{255, 0, 0};  // a negative resistor cannot be built
constexpr double kReadoutTop = 4500;      // the readout block under every stage
constexpr double kReadoutBottom = 5500;

CanvasFont ArialOf(double points) { return CanvasFont{kControlFace, points, false}; }

// A path whose two straight ends are wires and whose middle is the symbol's
// body; drawn as one path when both have the same colour.
void LeadBodyLead(Canvas& canvas, const std::vector<CanvasPoint>& path, std::size_t bodyFrom, std::size_t bodyTo,
    const SymbolStyle& style)
{
    if (style.wire == style.body) {
        canvas.Polyline(path, style.wire, style.lineWidth);
        return;
    }
    canvas.Line(path.front(), path[bodyFrom], style.wire, style.lineWidth);
    canvas.Polyline(std::vector<CanvasPoint>(path.begin() + long(bodyFrom), path.begin() + long(bodyTo) + 1),
        style.body, style.lineWidth);
    canvas.Line(path[bodyTo], path.back(), style.wire, style.lineWidth);
}

}  // namespace

SymbolStyle SchematicStyle(double screenHeightTwips)
{
    SymbolStyle style;
    style.valueFont = ArialOf(screenHeightTwips * kFontOrdinary);
    style.numberFont = ArialOf(screenHeightTwips * kFontHeading);
    return style;
}

SymbolStyle DemonstrationStyle(double screenHeightTwips)
{
    SymbolStyle style = SchematicStyle(screenHeightTwips);
    style.wire = kDemoWire;
    style.body = kDemoBody;
    style.sourceCircle = kDemoWire;
    style.sourceUpperLead = kDemoBody;
    style.lineWidth = 3;
    style.partValues = false;
    style.shortSourceLeads = true;
    return style;
}

double DrawSource(Canvas& canvas, double x, double y, const SymbolStyle& style)
{
    const double w = style.lineWidth;
    canvas.Arc({x + 230, y + 480}, 190, 0, 6.2, style.sourceCircle, w);
    if (style.shortSourceLeads) {
        canvas.Line({x + 240, y}, {x + 240, y + 200}, style.sourceUpperLead, w);
        canvas.Line({x + 240, y + 750}, {x + 240, y + kLegLength}, style.wire, w);
    } else {
        canvas.Line({x + 240, y}, {x + 240, y + 280}, style.sourceUpperLead, w);
        canvas.Line({x + 240, y + 685}, {x + 240, y + kLegLength}, style.wire, w);
    }
    // The sine: two half waves of radius 60 side by side.
    canvas.Arc({x + 170, y + 480}, 60, 0, 3.2, style.body, w);
    canvas.Arc({x + 290, y + 480}, 60, 3.1, 6.2, style.body, w);
    DrawGround(canvas, x + 240, y + kLegLength, style);
    return kSourceAdvance;
}

double DrawHorizontalResistor(Canvas& canvas, double x, double y, Single ohms, const SymbolStyle& style)
{
    const std::vector<CanvasPoint> path{
        {x, y},
        {x + 260, y},
        {x + 290, y - 60},
        {x + 350, y + 60},
        {x + 410, y - 60},
        {x + 470, y + 60},
        {x + 530, y - 60},
        {x + 590, y + 60},
        {x + 620, y},
        {x + 1000, y},
    };
    LeadBodyLead(canvas, path, 1, 8, style);
    if (style.partValues)
        canvas.Text({x + 150, y - 400}, FormatValue(ohms), ohms < 0 ? kNegativeValue : kBlack, style.valueFont);
    return kHorizontalResistorAdvance;
}

double DrawVerticalResistor(Canvas& canvas, double x, double y, Single ohms, const SymbolStyle& style)
{
    const std::vector<CanvasPoint> path{
        {x, y},
        {x, y + 320},
        {x + 60, y + 350},
        {x - 60, y + 410},
        {x + 60, y + 470},
        {x - 60, y + 530},
        {x + 60, y + 590},
        {x - 60, y + 650},
        {x, y + 680},
        {x, y + kLegLength},
    };
    LeadBodyLead(canvas, path, 1, 8, style);
    if (style.partValues)
        canvas.Text({x + 150, y + 400}, FormatValue(ohms), ohms < 0 ? kNegativeValue : kBlack, style.valueFont);
    return kVerticalResistorAdvance;
}

double DrawCapacitor(Canvas& canvas, double x, double y, const std::string& label, const SymbolStyle& style)
{
    const double w = style.lineWidth;
    canvas.Line({x, y}, {x + 360, y}, style.wire, w);
    canvas.Line({x + 360, y - 120}, {x + 360, y + 120}, style.body, w);
    canvas.Line({x + 424, y - 120}, {x + 424, y + 120}, style.body, w);
    canvas.Line({x + 424, y}, {x + 760, y}, style.wire, w);
    if (style.partValues) canvas.Text({x + 70, y - 400}, label, kBlack, style.valueFont);
    return kCapacitorAdvance;
}

void DrawGround(Canvas& canvas, double x, double y, const SymbolStyle& style)
{
    canvas.Polyline({{x - 100, y}, {x + 100, y}, {x, y + 100}, {x - 100, y}}, style.wire, style.lineWidth);
}

double DrawOpamp(Canvas& canvas, double x, double y, int stageNumber, const SymbolStyle& style)
{
    const double w = style.lineWidth;
    // Input wire to the inverting input; the non-inverting input goes to ground.
    canvas.Line({x - 200, y}, {x + 500, y}, style.wire, w);
    canvas.Line({x + 200, y + 500}, {x + 500, y + 500}, style.wire, w);
    canvas.Line({x + 200, y + 500}, {x + 200, y + kLegLength}, style.wire, w);
    // The triangle.
    canvas.Line({x + 500, y - 300}, {x + 500, y + 800}, style.body, w);
    canvas.Line({x + 500, y - 300}, {x + 1500, y + 250}, style.body, w);
    canvas.Line({x + 500, y + 800}, {x + 1500, y + 250}, style.body, w);
    // Output, up and back along the feedback line.
    canvas.Polyline({{x + 1500, y + 250}, {x + 1800, y + 250}, {x + 1800, y - kLegLength}, {x - 200, y - kLegLength}},
        style.wire, w);
    // Minus and plus signs.
    canvas.Line({x + 600, y}, {x + 740, y}, style.body, w);
    canvas.Line({x + 600, y + 500}, {x + 740, y + 500}, style.body, w);
    canvas.Line({x + 660, y + 430}, {x + 660, y + 580}, style.body, w);
    canvas.Text({x + 800, y + 150}, std::to_string(stageNumber), style.body, style.numberFont);
    return kOpampAdvance;
}

double DrawStage(Canvas& canvas, double x0, double y, const DesignState& state, int stage, bool specifiedOpamp,
    const SymbolStyle& style)
{
    if (stage < 1 || stage > kMaxStages) return kStageAdvance;
    const auto& r = specifiedOpamp ? state.Rs[stage] : state.R[stage];
    DrawHorizontalResistor(canvas, x0, y, r[1], style);
    DrawVerticalResistor(canvas, x0 + 1000, y, r[2], style);
    // From the feedback line down to node A.
    canvas.Polyline({{x0 + 1200, y - kLegLength}, {x0 + 1200, y}, {x0 + 1000, y}}, style.wire, style.lineWidth);
    DrawCapacitor(canvas, x0 + 1200, y, FormatCap(state.C[stage][1]), style);
    DrawCapacitor(canvas, x0 + 1210, y - kLegLength, FormatCap(state.C[stage][2]), style);
    DrawVerticalResistor(canvas, x0 + 2160, y - kLegLength, r[3], style);
    DrawOpamp(canvas, x0 + 1960, y, stage, style);
    DrawGround(canvas, x0 + 1000, y + kLegLength, style);
    DrawGround(canvas, x0 + 2160, y + kLegLength, style);
    return kStageAdvance;
}

void DrawStageReadouts(Canvas& canvas, double x0, const DesignState& state, int stage, const SymbolStyle& style)
{
    if (stage < 1 || stage > kMaxStages) return;
    canvas.FillBox({x0 + 460, kReadoutTop}, {x0 + 4160, kReadoutBottom}, kWhite);
    const StageFigureTexts figures = StageFigures(state, stage);
    canvas.Text({x0 + 1660, 4500}, "Stage freq:  " + figures.frequency, kBlack, style.valueFont);
    canvas.Text({x0 + 1660, 4800}, "Stage Q:  " + figures.q, kBlack, style.valueFont);
    canvas.Text({x0 + 1660, 5100}, "Stage gain:  " + figures.gain, kBlack, style.valueFont);
}

void DrawDemonstrationCircuit(Canvas& canvas, const DesignState& state, double screenHeightTwips)
{
    const SymbolStyle style = DemonstrationStyle(screenHeightTwips);
    double x = 2000;
    const double y = 2000;
    x += DrawSource(canvas, x, y, style);
    for (int stage = 1; stage <= StageCount(state); ++stage) x += DrawStage(canvas, x, y, state, stage, false, style);
    canvas.Line({x, y}, {x + kOutputLead, y}, style.wire, style.lineWidth);
}

}  // namespace stelvane
