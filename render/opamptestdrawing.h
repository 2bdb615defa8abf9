#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/designstate.h"
#include "engine/opampfigures.h"
#include "platform/canvas.h"
#include "platform/platform.h"

namespace stelvane {

// The span of the opamp gain plot: 140 dB down to 0 dB.
constexpr double kOpampGainTop = 140;
constexpr double kOpampGainBottom = 0;
constexpr int kOpampGainIntervals = 14;
constexpr int kOpampCurveIntervals = 1000;
// The plot frame in layout units: 500 units per decade, 4000 units for 140 dB.
constexpr double kOpampFrameLeft = 6000;
constexpr double kOpampFrameTop = 1000;
constexpr double kOpampFrameRight = 11000;
constexpr double kOpampFrameBottom = 5000;
// A stage asking this much of its opamp is flagged whatever the margin.
constexpr double kOpampRequiredGainAlarm = 120;

constexpr Rgb kOpampCurveColour{0, 0, 255};
constexpr Rgb kOpampGridColour{102, 102, 102};
constexpr Rgb kOpampTableEdgeColour{17, 170, 170};
constexpr Rgb kOpampFrameColour{17, 17, 17};
constexpr Rgb kOpampAlarmColour{255, 0, 0};

// Plot coordinates of a frequency (log axis) and of a gain in dB.
double OpampPlotX(double f);
double OpampPlotY(double gainDB);

// One text of the stage table, its left edge and its colour.
struct OpampTableText {
    double x = 0;
    std::string text;
    Rgb colour = kBlack;
    double y = 0;  // where a text has a height of its own (the bench marks)
};
// The headings; without a usable opamp model the opamp gain and margin
// columns are left out.
std::vector<OpampTableText> OpampTableHeadings(const DesignState& s);
// The texts of stage k's row, left to right.
std::vector<OpampTableText> OpampTableRow(const DesignState& s, int k);
// The mark beside the row of a stage whose output clips or outruns the slew
// rate at the bench's input level, and the words under the table (its
// bottom edge at tableBottom) that say which stages.
inline constexpr const char* kOpampBenchMark = "!";
std::vector<OpampTableText> OpampBenchMarks(const DesignState& s, double tableBottom);
// The three footer lines: the opamp's GBW, its DC gain and its corner
// frequency (or why there is no opamp gain).
std::vector<std::string> OpampFooterTexts(const DesignState& s);
// The labels of the gain axis, 140 down to 0, as drawn.
std::vector<std::string> OpampGainLabels();

// Everything the window shows, in drawing order: the table with its
// background, the plot title, frame, grid, labels, the opamp curve and one
// mark per stage. The record must already hold the clamped DCGain and the
// decade grid.
void DrawOpampTest(Canvas& canvas, const DesignState& s, const ScreenMetrics& screen);

}  // namespace stelvane
