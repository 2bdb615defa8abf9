#include "render/opamptestdrawing.h"

#include <algorithm>
#include <cmath>

#include "engine/designtext.h"
#include "engine/headroom.h"
#include "engine/numbertext.h"
#include "render/screenstyle.h"

namespace stelvane {

namespace {

// The stage table, in layout units.
constexpr double kTableLeft = 500;
constexpr double kTableRight = 5400;
constexpr double kTableTop = 800;
constexpr double kTableBottomBase = 2800;  // plus one row pitch per stage
constexpr double kHeadingY = 1200;
constexpr double kRowBaseY = 1400;  // row k lies one pitch per stage below
constexpr double kRowPitch = 240;
constexpr double kFooterX = 800;
constexpr double kFooterBaseY = 1800;  // plus one row pitch per stage
// Columns: the headings start 100 units left of their figures.
constexpr double kStageHeadingX = 700, kStageX = 800;
constexpr double kFrequencyHeadingX = 1200, kFrequencyX = 1300;
constexpr double kOpampGainHeadingX = 2100, kOpampGainX = 2200;
constexpr double kRequiredHeadingX = 3200, kRequiredX = 3300;
constexpr double kMarginHeadingX = 4400, kMarginX = 4500;
// A stage whose output clips or outruns the slew rate at the bench's input
// level is marked in the table's left margin, and said under the table.
constexpr double kBenchMarkX = 600;
constexpr double kBenchWordsGap = 100;

// The plot's title is a size larger than the window's texts.
constexpr double kTitleFont = 0.0011;
// The gain labels end near this x, whatever the screen's width.
constexpr double kGainLabelRight = 5800;
constexpr double kGainLabelUnitsPerChar = 120;
// The curve is left out where it leaves the frame's height.
constexpr double kCurveHighest = 999;
constexpr double kStageMarkWidth = 8;
constexpr double kFrameLineWidth = 3;

// Frequency labels with their left edges, one per decade from 0.1 Hz.
struct FrequencyLabel {
    const char* text;
    double x;
};
constexpr FrequencyLabel kFrequencyLabels[] = {
    {".1", 6000},
    {"1", 6500},
    {"10", 6950},
    {"100", 7400},
    {"1k", 7950},
    {"10k", 8400},
    {"100k", 8900},
    {"1M", 9450},
    {"10M", 9900},
    {"100M", 10400},
    {"1G", 10900},
};
constexpr double kFrequencyLabelY = 5100;

std::string GainText(double gainDB) { return FormatValue(static_cast<Single>(gainDB)) + "dB"; }

const std::string kInvalidText = kInvalidFigureText;
const std::string kCannotBeBuiltText = "cannot be built";

bool Finite(CanvasPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

void DrawTable(Canvas& canvas, const DesignState& s, const CanvasFont& font)
{
    const int stages = StageCount(s);
    const double bottom = kTableBottomBase + kRowPitch * stages;
    canvas.FillBox({kTableLeft, kTableTop}, {kTableRight, bottom}, kWhite);
    canvas.Line({kTableLeft, kTableTop}, {kTableRight, kTableTop}, kOpampTableEdgeColour);
    canvas.Line({kTableLeft, bottom}, {kTableRight, bottom}, kOpampTableEdgeColour);

    for (const OpampTableText& t : OpampTableHeadings(s)) canvas.Text({t.x, kHeadingY}, t.text, t.colour, font);
    for (int k = 1; k <= stages; ++k) {
        for (const OpampTableText& t : OpampTableRow(s, k))
            canvas.Text({t.x, kRowBaseY + kRowPitch * k}, t.text, t.colour, font);
    }
    const std::vector<std::string> footer = OpampFooterTexts(s);
    for (std::size_t line = 0; line < footer.size(); ++line) {
        canvas.Text(
            {kFooterX, kFooterBaseY + kRowPitch * (stages + static_cast<double>(line))}, footer[line], kBlack, font);
    }
    for (const OpampTableText& t : OpampBenchMarks(s, bottom)) canvas.Text({t.x, t.y}, t.text, t.colour, font);
}

void DrawAxes(Canvas& canvas, const DesignState& s, const ScreenMetrics& screen, const CanvasFont& font)
{
    // Frequency axis: a line per decade of the grid the window wrote.
    canvas.Text({8000, 5400}, "Hz", kBlack, font);
    const int last = std::min<int>(s.NrGridX, kMaxPoints);
    for (int n = 0; n <= last; ++n) {
        const double x = OpampPlotX(s.GridF[n]);
        if (std::isfinite(x)) canvas.Line({x, kOpampFrameTop}, {x, kOpampFrameBottom}, kOpampGridColour);
    }
    for (const FrequencyLabel& label : kFrequencyLabels)
        canvas.Text({label.x, kFrequencyLabelY}, label.text, kBlack, font);

    // Gain axis: the step is a unit short of a fourteenth, so the last line
    // lies a little above the frame's bottom edge.
    canvas.Text({5400, 3000}, "dB", kBlack, font);
    const double step = (kOpampFrameBottom - kOpampFrameTop) / kOpampGainIntervals - 1;
    for (double y = kOpampFrameTop; y <= kOpampFrameBottom; y += step)
        canvas.Line({kOpampFrameLeft, y}, {kOpampFrameRight, y}, kOpampGridColour);
    const std::vector<std::string> labels = OpampGainLabels();
    const double unitsPerChar = kGainLabelUnitsPerChar * kDesignScreenWidthTwips / screen.widthTwips;
    for (int j = 0; j <= kOpampGainIntervals; ++j) {
        const std::string& text = labels[static_cast<std::size_t>(j)];
        const double top = 900 + std::floor((kOpampFrameBottom - kOpampFrameTop) * j / kOpampGainIntervals);
        const double left = kGainLabelRight - unitsPerChar * static_cast<double>(text.size());
        canvas.Text({left, top}, text, kBlack, font);
    }
}

void DrawCurve(Canvas& canvas, const DesignState& s)
{
    if (!OpampModelUsable(s)) return;  // no model, no curve: the stage marks still show what the stages ask
    const double lnMin = std::log(kOpampFmin);
    const double lnMax = std::log(kOpampFmax);
    // The curve falls steadily, so what lies inside the frame is one run;
    // any gap would still start a new line rather than join across it.
    std::vector<CanvasPoint> run;
    auto flush = [&] {
        if (run.size() >= 2)
            canvas.Polyline(run, kOpampCurveColour);
        else if (run.size() == 1)
            canvas.Dot(run.front(), kOpampCurveColour);
        run.clear();
    };
    for (int n = 1; n <= kOpampCurveIntervals; ++n) {
        const double f = std::exp(lnMin + (lnMax - lnMin) * n / kOpampCurveIntervals);
        const CanvasPoint at{OpampPlotX(f), OpampPlotY(OpampGainDB(s, f))};
        if (!Finite(at) || at.y <= kCurveHighest || at.y >= kOpampFrameBottom) {
            flush();
            continue;
        }
        run.push_back(at);
    }
    flush();
}

void DrawStageMarks(Canvas& canvas, const DesignState& s)
{
    // Not clipped to the frame: a stage asking more than 140 dB shows above it.
    const int stages = StageCount(s);
    for (int k = 1; k <= stages; ++k) {
        const std::optional<double> required = OpampFiguresOf(s, k).required;
        if (!required || !(s.StageF[k] > 0)) continue;
        const CanvasPoint at{OpampPlotX(s.StageF[k]), OpampPlotY(*required)};
        if (Finite(at)) canvas.Dot(at, kOpampAlarmColour, kStageMarkWidth);
    }
}

}  // namespace

double OpampPlotX(double f)
{
    const double lnMin = std::log(kOpampFmin);
    return kOpampFrameLeft +
        (kOpampFrameRight - kOpampFrameLeft) * (std::log(f) - lnMin) / (std::log(kOpampFmax) - lnMin);
}

double OpampPlotY(double gainDB)
{
    return kOpampFrameBottom - (kOpampFrameBottom - kOpampFrameTop) * gainDB / (kOpampGainTop - kOpampGainBottom);
}

std::vector<OpampTableText> OpampTableHeadings(const DesignState& s)
{
    const bool opamp = OpampModelUsable(s);
    std::vector<OpampTableText> headings{{kStageHeadingX, "Stage:"}, {kFrequencyHeadingX, "Frequency:"}};
    if (opamp) headings.push_back({kOpampGainHeadingX, "Opamp gain:"});
    headings.push_back({kRequiredHeadingX, "Required gain:"});
    if (opamp) headings.push_back({kMarginHeadingX, "Gain margin:"});
    return headings;
}

std::vector<OpampTableText> OpampTableRow(const DesignState& s, int k)
{
    std::vector<OpampTableText> row;
    if (k < 1 || k > kMaxStages) return row;
    row.push_back({kStageX, " " + std::to_string(k)});
    // A stage that cannot be built has no frequency of its own, here as on the schematic.
    if (!StageFiguresValid(s, k))
        row.push_back({kFrequencyX, kInvalidText, kOpampAlarmColour});
    else
        row.push_back({kFrequencyX, FormatEng(s.StageF[k])});

    const bool opamp = OpampModelUsable(s);
    const OpampStageFigures figures = OpampFiguresOf(s, k);
    const auto invalidAt = [](double x) { return OpampTableText{x, kInvalidText, kOpampAlarmColour}; };
    if (opamp)
        row.push_back(
            figures.opampGain ? OpampTableText{kOpampGainX, GainText(*figures.opampGain)} : invalidAt(kOpampGainX));
    if (!figures.buildable)
        row.push_back({kRequiredX, kCannotBeBuiltText, kOpampAlarmColour});
    else if (figures.required)
        row.push_back({kRequiredX, GainText(*figures.required),
            *figures.required >= kOpampRequiredGainAlarm ? kOpampAlarmColour : kBlack});
    else
        row.push_back(invalidAt(kRequiredX));
    if (opamp && figures.buildable)
        row.push_back(figures.margin
                ? OpampTableText{kMarginX, GainText(*figures.margin), *figures.margin < 0 ? kOpampAlarmColour : kBlack}
                : invalidAt(kMarginX));
    return row;
}

std::vector<OpampTableText> OpampBenchMarks(const DesignState& s, double tableBottom)
{
    std::vector<OpampTableText> marks;
    const Headroom room = ComputeHeadroom(s);
    for (std::size_t k = 1; k <= room.stages.size(); ++k) {
        const StageHeadroom& h = room.stages[k - 1];
        if (h.overSwing || h.overSlew)
            marks.push_back({kBenchMarkX, kOpampBenchMark, kOpampAlarmColour, kRowBaseY + kRowPitch * double(k)});
    }
    // The words under the table, at the input level they hold for.
    const std::string level = " at " + Trimmed(FormatValue(static_cast<Single>(s.Bench.InputLevel))) + " V peak in";
    double y = tableBottom + kBenchWordsGap;
    for (const std::string& over : {OverSwingText(room), OverSlewText(room)}) {
        if (over.empty()) continue;
        marks.push_back({kFooterX, kOpampBenchMark + (" " + over) + level, kOpampAlarmColour, y});
        y += kRowPitch;
    }
    return marks;
}

std::vector<std::string> OpampFooterTexts(const DesignState& s)
{
    std::vector<std::string> footer;
    footer.push_back("Based on an opamp with a GBW of " + Trimmed(FormatEng(s.GBW)) + "Hz");
    footer.push_back("and a gain at DC of " + FormatValue(s.DCGain) + " v/v");
    if (OpampModelUsable(s))
        footer.push_back("Fcorner: " + GeneralNumberText(OpampCornerFrequency(s)) + " Hz");
    else if (!(std::isfinite(s.DCGain) && s.DCGain > 0))
        footer.push_back("No opamp gain shown: the gain at DC must be above 0");
    else
        footer.push_back("No opamp gain shown: the GBW must be above 0");
    return footer;
}

std::vector<std::string> OpampGainLabels()
{
    std::vector<std::string> labels;
    for (int j = 0; j <= kOpampGainIntervals; ++j) {
        const double g = kOpampGainTop - (kOpampGainTop - kOpampGainBottom) * j / kOpampGainIntervals;
        labels.push_back(Trimmed(FormatValue(static_cast<Single>(g))));
    }
    return labels;
}

void DrawOpampTest(Canvas& canvas, const DesignState& s, const ScreenMetrics& screen)
{
    const CanvasFont font{kControlFace, screen.heightTwips * kFontOrdinary, false};
    const CanvasFont titleFont{kControlFace, screen.heightTwips * kTitleFont, false};

    DrawTable(canvas, s, font);
    canvas.Text({7700, 500}, "Opamp gain", kBlack, titleFont);
    canvas.FillBox({kOpampFrameLeft, kOpampFrameTop}, {kOpampFrameRight, kOpampFrameBottom}, kWhite);
    canvas.OutlineBox(
        {kOpampFrameLeft, kOpampFrameTop}, {kOpampFrameRight, kOpampFrameBottom}, kOpampFrameColour, kFrameLineWidth);
    DrawAxes(canvas, s, screen, font);
    DrawCurve(canvas, s);
    DrawStageMarks(canvas, s);
}

}  // namespace stelvane
