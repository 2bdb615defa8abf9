#include "windows/frmopamptest.h"

#include <QPushButton>

#include <algorithm>
#include <cmath>

#include "engine/numbertext.h"

namespace stelvane {

namespace {

// The stage table, in layout units.
constexpr double kTableLeft = 500;
constexpr double kTableRight = 5400;
constexpr double kTableTop = 800;
constexpr double kTableBottomBase = 2800;   // plus one row pitch per stage
constexpr double kHeadingY = 1200;
constexpr double kRowBaseY = 1400;          // row k lies one pitch per stage below
constexpr double kRowPitch = 240;
constexpr double kFooterX = 800;
constexpr double kFooterBaseY = 1800;       // plus one row pitch per stage
// Columns: the headings start 100 units left of their figures.
constexpr double kStageHeadingX = 700, kStageX = 800;
constexpr double kFrequencyHeadingX = 1200, kFrequencyX = 1300;
constexpr double kOpampGainHeadingX = 2100, kOpampGainX = 2200;
constexpr double kRequiredHeadingX = 3200, kRequiredX = 3300;
constexpr double kMarginHeadingX = 4400, kMarginX = 4500;

// The plot's title is a size larger than the window's texts.
constexpr double kTitleFont = 0.0011;
// The gain labels end near this x, whatever the screen's width.
constexpr double kGainLabelRight = 5800;
constexpr double kGainLabelUnitsPerChar = 120;
// The curve is left out where it leaves the frame's height.
constexpr double kCurveHighest = 999;
constexpr double kStageMarkWidth = 8;
constexpr double kFrameLineWidth = 3;

// The decade frequencies are carried in Single from 0.0001 Hz, which leaves
// each a few parts in 1e8 off the round value; both ends get a margin.
constexpr Single kFirstDecade = 0.0001f;
constexpr double kGridMargin = 1.0001;

// Frequency labels with their left edges, one per decade from 0.1 Hz.
struct FrequencyLabel {
    const char* text;
    double x;
};
constexpr FrequencyLabel kFrequencyLabels[] = {
    {".1", 6000},   {"1", 6500},    {"10", 6950},  {"100", 7400}, {"1k", 7950},  {"10k", 8400},
    {"100k", 8900}, {"1M", 9450},   {"10M", 9900}, {"100M", 10400}, {"1G", 10900},
};
constexpr double kFrequencyLabelY = 5100;

int TableStages(const DesignState& s) { return std::clamp<int>(s.Order, 0, kMaxStages); }

double PiOf(const DesignState& s)
{
    // A record whose constants were never set still gets a usable pi.
    return s.Pi > 0 ? s.Pi : 4.0 * std::atan(1.0);
}

std::string GainText(double gainDB) { return FormatValue(static_cast<Single>(gainDB)) + "dB"; }

const std::string kInvalidText = "invalid";

bool Finite(CanvasPoint p) { return std::isfinite(p.x) && std::isfinite(p.y); }

void DrawTable(Canvas& canvas, const DesignState& s, const CanvasFont& font)
{
    const int stages = TableStages(s);
    const double bottom = kTableBottomBase + kRowPitch * stages;
    canvas.FillBox({kTableLeft, kTableTop}, {kTableRight, bottom}, kWhite);
    canvas.Line({kTableLeft, kTableTop}, {kTableRight, kTableTop}, kOpampTableEdgeColour);
    canvas.Line({kTableLeft, bottom}, {kTableRight, bottom}, kOpampTableEdgeColour);

    for (const OpampTableText& t : OpampTableHeadings(s))
        canvas.Text({t.x, kHeadingY}, t.text, t.colour, font);
    for (int k = 1; k <= stages; ++k) {
        for (const OpampTableText& t : OpampTableRow(s, k))
            canvas.Text({t.x, kRowBaseY + kRowPitch * k}, t.text, t.colour, font);
    }
    const std::vector<std::string> footer = OpampFooterTexts(s);
    for (std::size_t line = 0; line < footer.size(); ++line) {
        canvas.Text({kFooterX, kFooterBaseY + kRowPitch * (stages + static_cast<double>(line))}, footer[line],
                    kBlack, font);
    }
}

void DrawAxes(Canvas& canvas, const DesignState& s, const Layout& layout, const CanvasFont& font)
{
    // Frequency axis: a line per decade of the grid the window wrote.
    canvas.Text({8000, 5400}, "Hz", kBlack, font);
    const int last = std::min<int>(s.NrGridX, kMaxPoints);
    for (int n = 0; n <= last; ++n) {
        const double x = OpampPlotX(s.GridF[n]);
        if (std::isfinite(x))
            canvas.Line({x, kOpampFrameTop}, {x, kOpampFrameBottom}, kOpampGridColour);
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
    const double unitsPerChar = kGainLabelUnitsPerChar * kDesignScreenWidthTwips / layout.Sw();
    for (int j = 0; j <= kOpampGainIntervals; ++j) {
        const std::string& text = labels[static_cast<std::size_t>(j)];
        const double top = 900 + std::floor((kOpampFrameBottom - kOpampFrameTop) * j / kOpampGainIntervals);
        const double left = kGainLabelRight - unitsPerChar * static_cast<double>(text.size());
        canvas.Text({left, top}, text, kBlack, font);
    }
}

void DrawCurve(Canvas& canvas, const DesignState& s)
{
    if (!OpampModelUsable(s))
        return; // no model, no curve: the stage marks still show what the stages ask
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
    const int stages = TableStages(s);
    for (int k = 1; k <= stages; ++k) {
        const std::optional<double> required = RequiredGainDB(s, k);
        if (!required || !(s.StageF[k] > 0))
            continue;
        const CanvasPoint at{OpampPlotX(s.StageF[k]), OpampPlotY(*required)};
        if (Finite(at))
            canvas.Dot(at, kOpampAlarmColour, kStageMarkWidth);
    }
}

} // namespace

void ClampOpampDCGain(DesignState& s)
{
    if (s.DCGain > kOpampHighestDCGain)
        s.DCGain = kOpampHighestDCGain;
}

Single OpampCornerFrequency(const DesignState& s)
{
    if (!(std::isfinite(s.DCGain) && s.DCGain > 0 && std::isfinite(s.GBW) && s.GBW > 0))
        return 0;
    const Single corner = static_cast<Single>(static_cast<double>(s.GBW) / s.DCGain);
    return std::isfinite(corner) && corner > 0 ? corner : 0;
}

bool OpampModelUsable(const DesignState& s) { return OpampCornerFrequency(s) > 0; }

double OpampGainDB(const DesignState& s, double f)
{
    const double twoPi = 2 * PiOf(s);
    const double w = twoPi * f;
    const double tau = 1 / (twoPi * OpampCornerFrequency(s));
    const double denominator = w * w * tau * tau + 1;
    const double re = s.DCGain / denominator;
    const double im = -s.DCGain * w * tau / denominator;
    return 20 * std::log10(std::sqrt(re * re + im * im));
}

std::optional<double> RequiredGainDB(const DesignState& s, int k)
{
    if (k < 1 || k > kMaxStages)
        return std::nullopt;
    const double r1 = s.R[k][1], r2 = s.R[k][2], r3 = s.R[k][3];
    const double c1 = s.C[k][1], c2 = s.C[k][2];
    // Parts that make the divisions impossible ask no gain we can name.
    if (r1 + r2 == 0 || c1 == 0)
        return std::nullopt;
    const double parallel = r2 * r1 / (r2 + r1);
    const double capacitorTerm = c2 / c1 + 1;
    if (parallel == 0 || capacitorTerm == 0)
        return std::nullopt;
    const double ratio = (r3 / parallel) / capacitorTerm;
    if (!(std::isfinite(ratio) && ratio > 0))
        return std::nullopt;
    return 20 * std::log10(ratio);
}

void ComputeDecadeGrid(DesignState& s)
{
    s.NrGridX = -1;
    const Single highest = static_cast<Single>(kOpampFmax * kGridMargin);
    const Single lowest = static_cast<Single>(kOpampFmin / kGridMargin);
    for (Single f = kFirstDecade; f <= highest && s.NrGridX < kMaxPoints; f *= 10.0f) {
        if (f >= lowest) {
            ++s.NrGridX;
            s.GridF[s.NrGridX] = f;
        }
    }
}

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
    if (opamp)
        headings.push_back({kOpampGainHeadingX, "Opamp gain:"});
    headings.push_back({kRequiredHeadingX, "Required gain:"});
    if (opamp)
        headings.push_back({kMarginHeadingX, "Gain margin:"});
    return headings;
}

std::vector<OpampTableText> OpampTableRow(const DesignState& s, int k)
{
    std::vector<OpampTableText> row;
    if (k < 1 || k > kMaxStages)
        return row;
    row.push_back({kStageX, " " + std::to_string(k)});
    row.push_back({kFrequencyX, FormatEng(s.StageF[k])});

    const bool opamp = OpampModelUsable(s);
    const std::optional<double> required = RequiredGainDB(s, k);
    std::optional<double> available;
    if (opamp) {
        const double g = OpampGainDB(s, s.StageF[k]);
        if (std::isfinite(g))
            available = g;
        if (available)
            row.push_back({kOpampGainX, GainText(*available)});
        else
            row.push_back({kOpampGainX, kInvalidText, kOpampAlarmColour});
    }
    if (required)
        row.push_back({kRequiredX, GainText(*required), *required >= kOpampRequiredGainAlarm ? kOpampAlarmColour : kBlack});
    else
        row.push_back({kRequiredX, kInvalidText, kOpampAlarmColour});
    if (opamp) {
        if (available && required) {
            const double margin = *available - *required;
            row.push_back({kMarginX, GainText(margin), margin < 0 ? kOpampAlarmColour : kBlack});
        } else {
            row.push_back({kMarginX, kInvalidText, kOpampAlarmColour});
        }
    }
    return row;
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

void DrawOpampTest(Canvas& canvas, const DesignState& s, const Layout& layout)
{
    const CanvasFont font{kControlFace, layout.FontPoints(kFontOrdinary), false};
    const CanvasFont titleFont{kControlFace, layout.FontPoints(kTitleFont), false};

    DrawTable(canvas, s, font);
    canvas.Text({7700, 500}, "Opamp gain", kBlack, titleFont);
    canvas.FillBox({kOpampFrameLeft, kOpampFrameTop}, {kOpampFrameRight, kOpampFrameBottom}, kWhite);
    canvas.OutlineBox({kOpampFrameLeft, kOpampFrameTop}, {kOpampFrameRight, kOpampFrameBottom}, kOpampFrameColour,
                      kFrameLineWidth);
    DrawAxes(canvas, s, layout, font);
    DrawCurve(canvas, s);
    DrawStageMarks(canvas, s);
}

frmOpampTest::frmOpampTest(Navigator& navigator) : FormWindow(navigator, WindowKind::OpampTest)
{
    cmdReturn = new QPushButton("Return", this);
    cmdReturn->setObjectName("cmdReturn");
    connect(cmdReturn, &QPushButton::clicked, this,
            [this] { Nav().GoTo(WindowKind::Design, WindowKind::OpampTest); });
}

void frmOpampTest::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::OpampTest);
    Place(*cmdReturn, layout, 6000, 7300, 1000, 300);

    DesignState& s = Record();
    ClampOpampDCGain(s);
    ComputeDecadeGrid(s);
    DrawOpampTest(canvas(), s, layout);
}

} // namespace stelvane
