#include "render/printoutpage.h"

#include <cmath>

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "render/plotdrawing.h"

namespace stelvane {

namespace {

// Line widths in printer dots: the printed curves are drawn heavier than the
// screen's, so they read well on paper.
constexpr double kFrameWidth = 3;
constexpr double kFinalFrameWidth = 15;
constexpr double kGainCurveWidth = 10;
constexpr double kDelayCurveWidth = 5;

// Font sizes in points.
constexpr double kPlotPoints = 8;
constexpr double kSummaryTitlePoints = 10;

// Text positions on the page, in page units.
constexpr CanvasPoint kGainTitleAt{1300, 500};
constexpr CanvasPoint kDelayTitleAt{11000, 500};
constexpr double kGainLabelsEnd = 1740;
constexpr double kDelayLabelsEnd = 11270;
constexpr CanvasPoint kSummaryAt{2000, 9000};
// A frequency label starts this far left of its grid line and this far below the frame.
constexpr double kFrequencyLabelOffsetX = -200;
constexpr double kFrequencyLabelOffsetY = 100;

// The gain labels are right-aligned by a fixed estimate of 60 page units per
// character (a 12000-unit page across).
constexpr double kPrintCharWidth = 60;

// A point is about 20 page units (12000 units across a sheet of some 8.3
// inches); one line of text is taken as 1.2 times its size when the page
// cannot measure it.
constexpr double kUnitsPerPoint = 20;
constexpr double kLineSpacing = 1.2;

void FillFrame(Canvas& canvas, const PlotFrame& frame)
{
    canvas.FillBox({frame.left, frame.top}, {frame.right, frame.bottom}, kPrintFrameFill);
}

void OutlineFrame(Canvas& canvas, const PlotFrame& frame, double width)
{
    canvas.OutlineBox({frame.left, frame.top}, {frame.right, frame.bottom}, kPlotFrameOutline, width);
}

}  // namespace

CanvasFont PrintedPage::Font() const { return CanvasFont{"Arial", fontPoints, false}; }

void PrintedPage::PrintLine(const std::string& text)
{
    const CanvasFont font = Font();
    canvas.Text(textAt, text, textColour, font);
    double height = canvas.MeasureText(text, font).height;
    if (!std::isfinite(height) || height <= 0) height = fontPoints * kUnitsPerPoint * kLineSpacing;
    textAt.y += height;
}

void DrawPrintedPage(PrintedPage& page, const DesignState& s, const PlotCurvesShown& shown)
{
    const PlotFrame frame;
    page.fontPoints = kPlotPoints;
    FillFrame(page.canvas, frame);
    PrintGainPlot(page, s);
    if (shown.delay) PrintDelayPlot(page, s);
    OutlineFrame(page.canvas, frame, kFinalFrameWidth);
    PrintDesignSummary(page, s);
}

void PrintGainPlot(PrintedPage& page, const DesignState& s)
{
    Canvas& canvas = page.canvas;
    const PlotFrame frame;
    FillFrame(canvas, frame);
    OutlineFrame(canvas, frame, kFrameWidth);
    DrawValueGrid(canvas, s, frame);

    // The gain labels take the text colour in effect; the title sets the gain colour after them.
    const RowLabelStyle labels{kGainLabelsEnd, TextAnchor::RightEdge, kPrintCharWidth, page.textColour, page.Font()};
    DrawRowLabels(
        canvas, s, labels, [&](int i) { return Trimmed(FormatValue(static_cast<Single>(GainRowValue(s, i)))); }, frame);

    page.textColour = kGainTextColour;
    canvas.Text(kGainTitleAt, "Gain, dB:", page.textColour, page.Font());

    const FrequencyLabelStyle frequencyLabels{
        kFrequencyLabelOffsetX, kFrequencyLabelOffsetY, LogLabelSet::Printout, page.textColour, page.Font()};
    DrawFrequencyGrid(canvas, s, frequencyLabels, frame);

    DrawCurve(canvas, s, Curve::Gain, CurveStyle{kGainCurveColour, kGainCurveColour, kGainCurveWidth}, frame);
}

void PrintDelayPlot(PrintedPage& page, const DesignState& s)
{
    Canvas& canvas = page.canvas;
    const PlotFrame frame;

    page.textColour = kDelayTextColour;
    canvas.Text(kDelayTitleAt, "Delay, s:", page.textColour, page.Font());
    const RowLabelStyle labels{
        kDelayLabelsEnd, TextAnchor::RightEdge, ScreenCharWidth(page.screenWidthTwips), page.textColour, page.Font()};
    DrawRowLabels(
        canvas, s, labels, [&](int i) { return Trimmed(FormatEngSmall(static_cast<Single>(DelayRowValue(s, i)))); },
        frame);

    DrawCurve(
        canvas, s, Curve::Delay, CurveStyle{kPrintDelayCurveColour, kPrintDelayCurveColour, kDelayCurveWidth}, frame);
}

void PrintDesignSummary(PrintedPage& page, const DesignState& s)
{
    page.textAt = kSummaryAt;
    page.fontPoints = kSummaryTitlePoints;
    page.PrintLine(kSummaryTitle);
    page.fontPoints = kPlotPoints;
    for (const std::string& line : DesignSummaryLines(s)) page.PrintLine(line);
}

}  // namespace stelvane
