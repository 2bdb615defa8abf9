#include "render/schematicdrawing.h"

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "engine/designators.h"
#include "engine/partcheck.h"
#include "engine/practicalparts.h"
#include "render/screenstyle.h"
#include "render/symbols.h"

namespace stelvane {

namespace {

constexpr Rgb kBandEdge{17, 170, 170};
// The white band the circuit is drawn on, edge to edge across the window.
constexpr double kBandLeft = 1;
constexpr double kBandRight = 12400;
constexpr double kBandTop = 800;
constexpr double kBandBottom = 5700;

// Words on stages that cannot be built, in the free space below the parts
// type, the opamp line, the sensitivities and the range note.
constexpr Rgb kFaultColour{255, 0, 0};
constexpr double kFaultX = 2000;
constexpr double kFaultTop = 8050;
constexpr double kFaultPitch = 300;
constexpr std::size_t kFaultLines = 3;
// The zigzag of each resistor of a stage drawn at x0, relative to the stage
// (R1 lies along the signal line, R2 hangs from node A, R3 in the feedback).
struct ResistorBody {
    double left, top, right, bottom;
};
constexpr std::array<ResistorBody, 3> kResistorBodies{{
    {240, -100, 640, 100},
    {900, 300, 1100, 700},
    {2060, -740, 2260, -340},
}};

// The outlines of the stage's built resistors outside the practical range.
void OutlineOutOfRange(Canvas& canvas, double x0, double y, const DesignState& s, PartsType parts, int stage)
{
    const ResArray& r = BuiltResistors(s, parts);
    for (int j = 1; j <= 3; ++j) {
        if (r[stage][j] >= kPracticalResistors.low && r[stage][j] <= kPracticalResistors.high) continue;
        const ResistorBody& b = kResistorBodies[j - 1];
        canvas.OutlineBox({x0 + b.left, y + b.top}, {x0 + b.right, y + b.bottom}, kOutOfRangeColour, 2);
    }
}

// Where each part's designator goes, from the stage's x0 and the signal
// line: clear of the part's value, its leads and the opamp's triangle.
struct DesignatorPlace {
    double dx, dy;
};
constexpr std::array<DesignatorPlace, 5> kPartDesignators{{
    {300, 130},    // R1, under its zigzag
    {480, 400},    // R2, left of it
    {1640, -640},  // R3, left of it
    {1420, 150},   // C1, under its plates
    {1430, -890},  // C2, under its plates
}};
constexpr DesignatorPlace kOpampDesignator{3100, 520};  // under the triangle's lower slope

void DrawDesignators(Canvas& canvas, double x0, double y, int stage, const CanvasFont& font)
{
    for (int part = 1; part <= 5; ++part) {
        const DesignatorPlace& p = kPartDesignators[part - 1];
        canvas.Text({x0 + p.dx, y + p.dy}, PartDesignator(stage, part), kDesignatorColour, font);
    }
    canvas.Text({x0 + kOpampDesignator.dx, y + kOpampDesignator.dy}, OpampDesignator(stage), kDesignatorColour, font);
}

}  // namespace

void DrawSchematic(
    Canvas& canvas, const DesignState& s, PartsType parts, double originX, double screenHeightTwips, bool designators)
{
    const SymbolStyle style = SchematicStyle(screenHeightTwips);
    canvas.FillBox({kBandLeft, kBandTop}, {kBandRight, kBandBottom}, kWhite);
    canvas.Line({kBandLeft, kBandTop}, {kBandRight, kBandTop}, kBandEdge);
    canvas.Line({kBandLeft, kBandBottom}, {kBandRight, kBandBottom}, kBandEdge);

    const double y = kSchematicBaselineY;
    double x = std::isfinite(originX) ? originX : kSchematicOriginX;
    x += DrawSource(canvas, x, y, style);
    const bool specified = parts == PartsType::Specified;
    for (int stage = 1; stage <= StageCount(s); ++stage) {
        DrawStage(canvas, x, y, s, stage, specified, style);
        OutlineOutOfRange(canvas, x, y, s, parts, stage);
        DrawStageReadouts(canvas, x, s, stage, style);
        if (designators) DrawDesignators(canvas, x, y, stage, style.valueFont);
        x += kStageAdvance;
    }
    canvas.Line({x, y}, {x + kOutputLead, y}, kBlack);
    canvas.Text({x + 360, y - 100}, "Output", kBlack, style.valueFont);

    // At the foot of the window: the stages that cannot be built, in words.
    std::vector<std::string> faults;
    for (int stage = 1; stage <= StageCount(s); ++stage)
        if (std::string why = UnbuildableStageText(s, stage, specified); !why.empty()) faults.push_back(std::move(why));
    canvas.FillBox(
        {kFaultX, kFaultTop - kFaultPitch / 2}, {kBandRight, kFaultTop + kFaultPitch * kFaultLines}, kWindowBackground);
    if (faults.size() > kFaultLines)
        faults.resize(kFaultLines - 1), faults.push_back("... and more stages that cannot be built");
    for (std::size_t line = 0; line < faults.size(); ++line)
        canvas.Text({kFaultX, kFaultTop + kFaultPitch * double(line)}, faults[line], kFaultColour, style.valueFont);
}

}  // namespace stelvane
