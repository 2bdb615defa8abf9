#include "render/plotdrawing.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/numbertext.h"
#include "engine/response.h"
#include "tests/support/recordingcanvas.h"

namespace stelvane {
namespace {

using Kind = CanvasPrimitive::Kind;

constexpr Rgb kPaper{238, 255, 255};

// A plot record with a hand-made sweep: 500..2000 Hz linear, 10..-20 dB,
// six value rows, ten frequency intervals, two stages.
DesignState PlotRecord()
{
    DesignState s;
    s.Fstart = 500;
    s.Fstop = 2000;
    s.Sweep = 1;
    s.NrInts = 4;
    s.NrX = 10;
    s.NrY = 6;
    s.dBTop = 10;
    s.dBBottom = -20;
    s.DelayTop = 0.001f;
    s.Order = 2;
    const float freq[] = {500, 875, 1250, 1625, 2000};
    for (int i = 0; i <= 4; ++i)
        s.Freq[i] = freq[i];
    ComputeFrequencyGrid(s);
    return s;
}

ScreenPlotContext Context(double sw = 12000)
{
    ScreenPlotContext ctx;
    ctx.screenWidthTwips = sw;
    ctx.background = kPaper;
    return ctx;
}

// The texts drawn with their top at y, in order.
std::vector<const CanvasPrimitive*> TextsAtY(const RecordingCanvas& c, double y)
{
    std::vector<const CanvasPrimitive*> out;
    for (const auto& p : c.primitives)
        if (p.kind == Kind::Text && p.points[0].y == y)
            out.push_back(&p);
    return out;
}

std::vector<std::string> TextsOf(const std::vector<const CanvasPrimitive*>& prims)
{
    std::vector<std::string> out;
    for (const auto* p : prims)
        out.push_back(p->text);
    return out;
}

bool AllCoordinatesFinite(const RecordingCanvas& c)
{
    for (const auto& p : c.primitives)
        for (const auto& pt : p.points)
            if (!std::isfinite(pt.x) || !std::isfinite(pt.y))
                return false;
    return true;
}

TEST(PlotDrawing, CurvesStartWithADotAndStayInsideTheFrameVertically)
{
    struct Case {
        const char* name;
        Curve curve;
        int showPhase, showDelay;
        std::vector<float> values;      // points 0..4
        std::vector<double> expectedY;  // by the scale, clamped to 1000..7000
        Rgb dot, line;
    };
    // Gain: y = 1000 - 6000 (g - 10) / 30; phase (two stages): y = 4000 - 6000 p / 360;
    // delay (top 1 ms): y = 1000 - 6000 (d - 0.001) / 0.001.
    const std::vector<Case> cases = {
        {"gain", Curve::Gain, 0, 0, {10, -5, 25, -20, -40}, {1000, 4000, 1000, 7000, 7000}, {0, 0, 255}, {0, 0, 255}},
        {"phase", Curve::Phase, 1, 0, {180, 90, 0, -90, -400}, {1000, 2500, 4000, 5500, 7000},
         {17, 204, 17}, {17, 136, 17}},
        {"delay", Curve::Delay, 0, 1, {0.001f, 0.0005f, 0, 0.002f, -0.001f}, {1000, 4000, 7000, 1000, 7000},
         {204, 17, 17}, {204, 17, 17}},
    };
    const std::vector<double> expectedX = {2000, 4250, 6500, 8750, 11000};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        s.ShowPhase = static_cast<Integer>(c.showPhase);
        s.ShowDelay = static_cast<Integer>(c.showDelay);
        auto& values = c.curve == Curve::Gain ? s.GainDB : c.curve == Curve::Phase ? s.Phase : s.Delay;
        for (int i = 0; i <= 4; ++i)
            values[i] = c.values[i];
        RecordingCanvas canvas;
        if (c.curve == Curve::Gain)
            DrawGainPlot(canvas, s, Context());
        else if (c.curve == Curve::Phase)
            DrawPhasePlot(canvas, s, Context());
        else
            DrawDelayPlot(canvas, s, Context());

        // The curve is the dot and the polyline drawn in its colours at width 2.
        const CanvasPrimitive* dot = nullptr;
        const CanvasPrimitive* line = nullptr;
        for (const auto& p : canvas.primitives) {
            if (p.kind == Kind::Dot && p.colour == c.dot)
                dot = &p;
            if (p.kind == Kind::Polyline && p.colour == c.line && p.points.size() == 5)
                line = &p;
        }
        ASSERT_NE(dot, nullptr);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(dot->width, 2);
        EXPECT_EQ(line->width, 2);
        EXPECT_DOUBLE_EQ(dot->points[0].x, 2000);
        EXPECT_NEAR(dot->points[0].y, c.expectedY[0], 1e-6);
        for (int i = 0; i <= 4; ++i) {
            SCOPED_TRACE(i);
            EXPECT_NEAR(line->points[i].x, expectedX[i], 1e-6);
            EXPECT_NEAR(line->points[i].y, c.expectedY[i], 1e-6);
        }
    }
}

TEST(PlotDrawing, GainPlotDrawsFrameGridTitleAndRightAlignedLabels)
{
    struct Case {
        const char* name;
        double sw;        // screen width in twips
        double perChar;   // 60 x 12000 / Sw
    };
    const std::vector<Case> cases = {{"800 x 600 screen", 12000, 60}, {"1024 x 768 screen", 15360, 46.875}};
    const std::vector<std::string> labels = {"10", "5", "0", "-5", "-10", "-15", "-20"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        RecordingCanvas canvas;
        DrawGainPlot(canvas, s, Context(c.sw));

        // White frame with its outline of width 3.
        const auto fill = std::find_if(canvas.primitives.begin(), canvas.primitives.end(), [](const auto& p) {
            return p.kind == Kind::FillBox && p.colour == Rgb{255, 255, 255};
        });
        ASSERT_NE(fill, canvas.primitives.end());
        EXPECT_EQ(fill->points[0], (CanvasPoint{2000, 1000}));
        EXPECT_EQ(fill->points[1], (CanvasPoint{11000, 7000}));
        const auto outline = fill + 1;
        ASSERT_NE(outline, canvas.primitives.end());
        EXPECT_EQ(outline->kind, Kind::OutlineBox);
        EXPECT_EQ(outline->colour, (Rgb{17, 17, 17}));
        EXPECT_EQ(outline->width, 3);

        // Seven horizontal grid lines, 1000 units apart.
        int rows = 0;
        for (const auto& p : canvas.OfKind(Kind::Line))
            if (p.points[0].y == p.points[1].y && p.points[0].x == 2000 && p.points[1].x == 11000) {
                EXPECT_DOUBLE_EQ(p.points[0].y, 1000 + 1000 * rows);
                EXPECT_EQ(p.colour, (Rgb{102, 102, 102}));
                ++rows;
            }
        EXPECT_EQ(rows, 7);

        const CanvasPrimitive* title = canvas.FindText("Gain, dB:");
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->points[0], (CanvasPoint{1300, 500}));
        EXPECT_EQ(title->colour, (Rgb{17, 17, 255}));

        // Row i is labelled 100 units above its line, ending at x = 1740.
        for (int i = 0; i <= 6; ++i) {
            SCOPED_TRACE(labels[i]);
            const CanvasPrimitive* t = canvas.FindText(labels[i]);
            ASSERT_NE(t, nullptr);
            EXPECT_DOUBLE_EQ(t->points[0].y, 900 + 1000 * i);
            EXPECT_NEAR(t->points[0].x + c.perChar * labels[i].size(), 1740, 1e-9);
            EXPECT_EQ(t->colour, (Rgb{17, 17, 255}));
        }
        EXPECT_NE(canvas.FindText("Mouseover plot for data"), nullptr);
    }
}

TEST(PlotDrawing, GainPlotErasesTheRightHandAxesAndTheReadoutStrip)
{
    struct Case {
        const char* name;
        bool readoutOff;
        bool hint;
    };
    const std::vector<Case> cases = {{"readout on", false, true}, {"tuning panel open", true, false}};
    const std::vector<std::pair<CanvasPoint, CanvasPoint>> erased = {
        {{1080, 800}, {1950, 7600}},   {{2000, 7300}, {11000, 7900}}, {{10600, 450}, {11985, 900}},
        {{11015, 900}, {11460, 7200}}, {{11460, 900}, {11985, 7200}},
    };
    // Before the frame: the gain title and the band of the frequency labels,
    // which are drawn again in place.
    const std::vector<std::pair<CanvasPoint, CanvasPoint>> erasedFirst = {
        {{1080, 450}, {1950, 800}},
        {{1080, 7000}, {11985, 7300}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        ScreenPlotContext ctx = Context();
        ctx.readoutOff = c.readoutOff;
        RecordingCanvas canvas;
        DrawGainPlot(canvas, s, ctx);
        std::vector<std::pair<CanvasPoint, CanvasPoint>> first, after;
        bool frameDrawn = false;
        for (const auto& p : canvas.primitives) {
            if (p.kind == Kind::OutlineBox)
                frameDrawn = true;
            if (p.kind == Kind::FillBox && p.colour == kPaper)
                (frameDrawn ? after : first).push_back({p.points[0], p.points[1]});
        }
        EXPECT_EQ(first, erasedFirst);
        EXPECT_EQ(after, erased);
        const CanvasPrimitive* hint = canvas.FindText("Mouseover plot for data");
        EXPECT_EQ(hint != nullptr, c.hint);
        if (hint) {
            EXPECT_EQ(hint->points[0], (CanvasPoint{4000, 7500}));
            EXPECT_EQ(hint->colour, (Rgb{0, 0, 255}));
        }
        // Nothing of the phase or delay axes is drawn by the gain plot.
        EXPECT_EQ(canvas.FindText("Phase:"), nullptr);
        EXPECT_EQ(canvas.FindText("Delay, s:"), nullptr);
    }
}

TEST(PlotDrawing, LinearFrequencyLabelsFollowSpacingBandAndThirteenLabelLimit)
{
    struct Case {
        const char* name;
        int nrX;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases = {
        {"NrX 10 labels all eleven lines",
         10,
         {"500  ", "650  ", "800  ", "950  ", "1.1k ", "1.25k ", "1.4k ", "1.55k ", "1.7k ", "1.85k ", "2k "}},
        {"NrX 15 labels the first thirteen lines",
         15,
         {"500  ", "600  ", "700  ", "800  ", "900  ", "1k ", "1.1k ", "1.2k ", "1.3k ", "1.4k ", "1.5k ", "1.6k ",
          "1.7k "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        s.NrX = static_cast<Integer>(c.nrX);
        ComputeFrequencyGrid(s);
        RecordingCanvas canvas;
        DrawGainPlot(canvas, s, Context());
        const auto labels = TextsAtY(canvas, 7100);
        EXPECT_EQ(TextsOf(labels), c.labels);
        // Label n stands 100 units left of its grid line at 2000 + 9000 n / NrX.
        for (std::size_t n = 0; n < labels.size(); ++n)
            EXPECT_NEAR(labels[n]->points[0].x, 1900 + 9000.0 * n / c.nrX, 1e-3);
        int vertical = 0;
        for (const auto& p : canvas.OfKind(Kind::Line))
            if (p.points[0].x == p.points[1].x && p.points[0].y == 1000 && p.points[1].y == 7000)
                ++vertical;
        EXPECT_EQ(vertical, c.nrX + 1);
    }
}

TEST(PlotDrawing, NothingIsLabelledJustLeftOfTheRightEdge)
{
    struct Case {
        const char* name;
        std::vector<float> grid;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases = {
        {"0.96 in the band", {0, 500, 960, 1000}, {"0.0 ", "500  ", "1k "}},
        {"0.95 at the band's edge", {0, 500, 950, 1000}, {"0.0 ", "500  ", "950  ", "1k "}},
        {"0.998 in the band", {0, 500, 998, 1000}, {"0.0 ", "500  ", "1k "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        s.Fstart = 0;
        s.Fstop = 1000;
        s.NrGridX = static_cast<Integer>(c.grid.size() - 1);
        for (std::size_t n = 0; n < c.grid.size(); ++n)
            s.GridF[n] = c.grid[n];
        RecordingCanvas canvas;
        DrawFrequencyGrid(canvas, s, FrequencyLabelStyle{});
        EXPECT_EQ(TextsOf(TextsAtY(canvas, 7100)), c.labels);
    }
}

TEST(PlotDrawing, LogFrequencyLabelsThinOutWithTheSpan)
{
    struct Case {
        const char* name;
        float fstart, fstop;
        LogLabelSet set;
        std::vector<std::string> labels;  // without their trailing blanks
    };
    const std::vector<Case> cases = {
        {"screen, ratio 4", 500, 2000, LogLabelSet::Screen, {"500", "600", "800", "1k", "1.5k", "2k"}},
        {"screen, ratio 100", 100, 10000, LogLabelSet::Screen, {"100", "200", "500", "1k", "2k", "5k", "10k"}},
        {"screen, ratio 1000", 10, 10000, LogLabelSet::Screen,
         {"10", "20", "50", "100", "200", "500", "1k", "2k", "5k", "10k"}},
        {"screen, ratio 10000", 10, 100000, LogLabelSet::Screen, {"10", "100", "1k", "10k", "100k"}},
        {"printout, ratio 4", 500, 2000, LogLabelSet::Printout,
         {"500", "600", "700", "800", "900", "1k", "1.5k", "2k"}},
        {"printout, ratio 100", 100, 10000, LogLabelSet::Printout,
         {"100", "150", "200", "500", "1k", "1.5k", "2k", "5k", "10k"}},
        {"printout, ratio 10000", 10, 100000, LogLabelSet::Printout,
         {"10", "15", "100", "150", "1k", "1.5k", "10k", "15k", "100k"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        s.Sweep = 2;
        s.Fstart = c.fstart;
        s.Fstop = c.fstop;
        ComputeFrequencyGrid(s);
        RecordingCanvas canvas;
        FrequencyLabelStyle style;
        style.logSet = c.set;
        DrawFrequencyGrid(canvas, s, style);
        std::vector<std::string> labels;
        for (const auto* t : TextsAtY(canvas, 7100)) {
            labels.push_back(t->text.substr(0, t->text.find(' ')));
            // Each label stands 100 units left of its line, by ln f on the axis.
            Single f = 0;
            ParseNumberText(t->text, f);
            EXPECT_NEAR(t->points[0].x, 1900 + 9000 * std::log(f / c.fstart) / std::log(c.fstop / c.fstart), 0.05);
        }
        EXPECT_EQ(labels, c.labels);
    }
}

TEST(PlotDrawing, ReadoutShowsThePointUnderThePointerInsideTheFrameOnly)
{
    struct Case {
        const char* name;
        double x, y;
        int point;  // -1: outside, the strip is only erased
    };
    // NrInts 1000: point = floor((x - 2000) / 9000 x 1001).
    const std::vector<Case> cases = {
        {"just inside the left edge", 2000.001, 4000, 0},
        {"middle", 6500, 4000, 500},
        {"just inside the right edge", 10999.999, 4000, 1000},
        {"on the left edge", 2000, 4000, -1},
        {"on the right edge", 11000, 4000, -1},
        {"on the top edge", 6500, 1000, -1},
        {"on the bottom edge", 6500, 7000, -1},
        {"below the frame", 6500, 7500, -1},
        {"left of the frame", 500, 4000, -1},
    };
    DesignState s = PlotRecord();
    s.NrInts = 1000;
    for (int i = 0; i <= 1000; ++i) {
        s.Freq[i] = 500 + 1.5f * i;
        s.GainDB[i] = -0.01f * i;
        s.Phase[i] = 90 - 0.1f * i;
        s.Delay[i] = 1e-6f * i;
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingCanvas canvas;
        ShowReadout(canvas, s, Context(), c.x, c.y);
        ASSERT_GE(canvas.primitives.size(), 1u);
        const auto& erase = canvas.primitives[0];
        EXPECT_EQ(erase.kind, Kind::FillBox);
        EXPECT_EQ(erase.colour, kPaper);
        EXPECT_EQ(erase.points[0], (CanvasPoint{2000, 7300}));
        EXPECT_EQ(erase.points[1], (CanvasPoint{11000, 7900}));
        if (c.point < 0) {
            EXPECT_EQ(canvas.primitives.size(), 1u);
            continue;
        }
        const int i = c.point;
        const std::vector<std::string> titles = {"Frequency:", "Gain.:", "Angle:", "Delay:"};
        const std::vector<std::string> values = {FormatEng(s.Freq[i]), FormatValue(s.GainDB[i]),
                                                 FormatValue(s.Phase[i]), FormatEngSmall(s.Delay[i])};
        EXPECT_EQ(TextsOf(TextsAtY(canvas, 7500)), titles);
        const auto shown = TextsAtY(canvas, 7700);
        EXPECT_EQ(TextsOf(shown), values);
        for (std::size_t k = 0; k < shown.size(); ++k) {
            EXPECT_DOUBLE_EQ(shown[k]->points[0].x, 4000 + 1000.0 * k);
            EXPECT_EQ(shown[k]->colour, (Rgb{1, 0, 0}));
        }
    }
    // With a tuning panel open the readout leaves the canvas alone.
    ScreenPlotContext off = Context();
    off.readoutOff = true;
    RecordingCanvas canvas;
    ShowReadout(canvas, s, off, 6500, 4000);
    EXPECT_TRUE(canvas.primitives.empty());
}

TEST(PlotDrawing, DelayAxisRaisesItsTopToOneNanosecond)
{
    struct Case {
        const char* name;
        float delayTop;
        int showDelay;
        float storedAfter;
        std::vector<std::string> labels;  // top to bottom, NrY 6
    };
    const std::vector<Case> cases = {
        {"0 is raised", 0, 1, 1e-9f, {"1n", "833.3p", "666.7p", "500p", "333.3p", "166.7p", "0"}},
        {"below 1 ns is raised", 1e-12f, 1, 1e-9f, {"1n", "833.3p", "666.7p", "500p", "333.3p", "166.7p", "0"}},
        {"0.6 ms stays", 0.0006f, 1, 0.0006f, {"600u", "500u", "400u", "300u", "200u", "100u", "0"}},
        {"not shown: 0 stays", 0, 0, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        s.DelayTop = c.delayTop;
        s.ShowDelay = static_cast<Integer>(c.showDelay);
        RecordingCanvas canvas;
        DrawDelayPlot(canvas, s, Context());
        EXPECT_EQ(s.DelayTop, c.storedAfter);
        std::vector<std::string> labels;
        for (const auto& t : canvas.OfKind(Kind::Text)) {
            if (t.text == "Delay, s:") {
                EXPECT_EQ(t.points[0], (CanvasPoint{10700, 500}));
                continue;
            }
            labels.push_back(t.text);
            // Right-aligned to end at 11270, 60 units per character here.
            EXPECT_NEAR(t.points[0].x + 60.0 * t.text.size(), 11270, 1e-9);
            EXPECT_EQ(t.colour, (Rgb{102, 17, 17}));
        }
        EXPECT_EQ(labels, c.labels);
    }
}

TEST(PlotDrawing, PhaseAxisSpansNinetyDegreesPerStage)
{
    struct Case {
        const char* name;
        int order;
        int showPhase;
        std::vector<std::string> labels;
    };
    const std::vector<Case> cases = {
        {"two stages", 2, 1, {"180", "120", "60", "0", "-60", "-120", "-180"}},
        {"three stages", 3, 1, {"270", "180", "90", "0", "-90", "-180", "-270"}},
        {"switched off", 2, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        s.Order = static_cast<Integer>(c.order);
        s.ShowPhase = static_cast<Integer>(c.showPhase);
        RecordingCanvas canvas;
        DrawPhasePlot(canvas, s, Context());
        std::vector<std::string> labels;
        for (const auto& t : canvas.OfKind(Kind::Text)) {
            if (t.text == "Phase:") {
                EXPECT_EQ(t.points[0], (CanvasPoint{11450, 500}));
                continue;
            }
            labels.push_back(t.text);
            EXPECT_DOUBLE_EQ(t.points[0].x, 11500);
            EXPECT_EQ(t.colour, (Rgb{17, 102, 17}));
        }
        EXPECT_EQ(labels, c.labels);
    }
}

TEST(PlotDrawing, StageMarkersStandAtTheStageFrequenciesWithinTheFrame)
{
    struct Case {
        const char* name;
        float fo;
        int invalid;
        double x;  // -1: no marker
    };
    const std::vector<Case> cases = {
        {"inside", 1250, 0, 6500},
        {"below the sweep", 100, 0, 2000},
        {"above the sweep", 5000, 0, 11000},
        {"invalid stage", 0, 1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        s.Order = 1;
        s.StageFoActual[1] = c.fo;
        s.StageInvalid[1] = static_cast<Integer>(c.invalid);
        RecordingCanvas canvas;
        DrawStageMarkers(canvas, s);
        const auto lines = canvas.OfKind(Kind::Line);
        if (c.x < 0) {
            EXPECT_TRUE(lines.empty());
            continue;
        }
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].points[0], (CanvasPoint{c.x, 1000}));
        EXPECT_EQ(lines[0].points[1], (CanvasPoint{c.x, 6800}));
        EXPECT_EQ(lines[0].colour, (Rgb{255, 136, 136}));
        EXPECT_EQ(lines[0].width, 1);
        EXPECT_EQ(lines[1].points[0], (CanvasPoint{c.x, 7000}));
        EXPECT_EQ(lines[1].points[1], (CanvasPoint{c.x, 6800}));
        EXPECT_EQ(lines[1].colour, (Rgb{255, 0, 0}));
        EXPECT_EQ(lines[1].width, 4);
    }
}

TEST(PlotDrawing, OverlayCurvesAreClampedToTheFrameInTheirOwnColours)
{
    struct Case {
        const char* name;
        Curve curve;
        int showPhase, showDelay;
        std::vector<float> freq, value;
        std::vector<CanvasPoint> expected;  // empty: nothing drawn
        Rgb colour;
        double width;
    };
    const std::vector<Case> cases = {
        {"gain, points beyond the sweep on the edges", Curve::Gain, 0, 0, {100, 1250, 9000}, {-5, 40, -60},
         {{2000, 4000}, {6500, 1000}, {11000, 7000}}, {170, 170, 255}, 2},
        {"phase shown, scaled by the present order", Curve::Phase, 1, 0, {500, 2000}, {90, -180},
         {{2000, 2500}, {11000, 7000}}, {0, 255, 0}, 1},
        {"phase switched off", Curve::Phase, 0, 0, {500, 2000}, {90, -180}, {}, {0, 255, 0}, 1},
        {"delay shown", Curve::Delay, 0, 1, {500, 2000}, {0.0005f, 0}, {{2000, 4000}, {11000, 7000}},
         {204, 102, 102}, 1},
        {"delay switched off", Curve::Delay, 1, 0, {500, 2000}, {0.0005f, 0}, {}, {204, 102, 102}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        s.ShowPhase = static_cast<Integer>(c.showPhase);
        s.ShowDelay = static_cast<Integer>(c.showDelay);
        s.OverlayLast = static_cast<Integer>(c.freq.size() - 1);
        for (std::size_t n = 0; n < c.freq.size(); ++n) {
            s.OverlayFreq[n] = c.freq[n];
            s.OverlayValue[n] = c.value[n];
        }
        RecordingCanvas canvas;
        DrawOverlayCurve(canvas, s, c.curve);
        if (c.expected.empty()) {
            EXPECT_TRUE(canvas.primitives.empty());
            continue;
        }
        ASSERT_EQ(canvas.primitives.size(), 2u);
        const auto& dot = canvas.primitives[0];
        const auto& line = canvas.primitives[1];
        EXPECT_EQ(dot.kind, Kind::Dot);
        EXPECT_EQ(dot.points[0], c.expected[0]);
        EXPECT_EQ(line.kind, Kind::Polyline);
        ASSERT_EQ(line.points.size(), c.expected.size());
        for (std::size_t n = 0; n < c.expected.size(); ++n) {
            EXPECT_NEAR(line.points[n].x, c.expected[n].x, 1e-6);
            EXPECT_NEAR(line.points[n].y, c.expected[n].y, 1e-6);
        }
        EXPECT_EQ(dot.colour, c.colour);
        EXPECT_EQ(line.colour, c.colour);
        EXPECT_EQ(dot.width, c.width);
        EXPECT_EQ(line.width, c.width);
    }
}

TEST(PlotDrawing, DegenerateSettingsDrawWhatTheyCanWithFiniteCoordinates)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> change;
        std::function<void(const RecordingCanvas&, const DesignState&)> check;
    };
    auto gainCurve = [](const RecordingCanvas& c) {
        for (const auto& p : c.primitives)
            if (p.kind == Kind::Polyline && p.colour == Rgb{0, 0, 255})
                return p.points;
        return std::vector<CanvasPoint>{};
    };
    const std::vector<Case> cases = {
        {"NrY 0: one interval, top and bottom rows",
         [](DesignState& s) { s.NrY = 0; },
         [](const RecordingCanvas& c, const DesignState&) {
             EXPECT_NE(c.FindText("10"), nullptr);
             EXPECT_NE(c.FindText("-20"), nullptr);
             EXPECT_NE(c.FindText("180"), nullptr);
             EXPECT_NE(c.FindText("-180"), nullptr);
             EXPECT_EQ(c.FindText("-5"), nullptr);
         }},
        {"NrY negative",
         [](DesignState& s) { s.NrY = -3; },
         [](const RecordingCanvas& c, const DesignState&) { EXPECT_NE(c.FindText("-20"), nullptr); }},
        {"Fstop equal to Fstart: no frequency can be placed",
         [](DesignState& s) {
             s.Fstop = s.Fstart;
             ComputeFrequencyGrid(s);
         },
         [&](const RecordingCanvas& c, const DesignState&) {
             EXPECT_TRUE(gainCurve(c).empty());
             EXPECT_TRUE(TextsAtY(c, 7100).empty());
             EXPECT_NE(c.FindText("Gain, dB:"), nullptr);
         }},
        {"Fstop below Fstart: drawn as swept, left to right",
         [](DesignState& s) {
             s.Fstart = 2000;
             s.Fstop = 500;
             const float freq[] = {2000, 1625, 1250, 875, 500};
             for (int i = 0; i <= 4; ++i)
                 s.Freq[i] = freq[i];
             ComputeFrequencyGrid(s);
         },
         [&](const RecordingCanvas& c, const DesignState&) {
             const auto curve = gainCurve(c);
             ASSERT_EQ(curve.size(), 5u);
             EXPECT_DOUBLE_EQ(curve.front().x, 2000);
             EXPECT_DOUBLE_EQ(curve.back().x, 11000);
         }},
        {"log sweep from 0 Hz starts at 1 mHz",
         [](DesignState& s) {
             s.Sweep = 2;
             s.Fstart = 0;
             s.Fstop = 1000;
             ComputeFrequencyGrid(s);
             ComputeResponse(s);
         },
         [&](const RecordingCanvas& c, const DesignState& s) {
             const auto curve = gainCurve(c);
             ASSERT_EQ(curve.size(), 5u);
             EXPECT_NEAR(curve.front().x, 2000, 1e-3);
             EXPECT_NEAR(curve.back().x, 11000, 1e-3);
             // 1 mHz to 1 kHz: six decades, 1 Hz halfway.
             EXPECT_NEAR(s.GridPos[3 * 10], 0.5, 1e-5);
             EXPECT_NE(c.FindText("1  "), nullptr);
         }},
        {"log sweep with a negative Fstart",
         [](DesignState& s) {
             s.Sweep = 2;
             s.Fstart = -5;
             ComputeFrequencyGrid(s);
             ComputeResponse(s);
         },
         [&](const RecordingCanvas& c, const DesignState&) { EXPECT_EQ(gainCurve(c).size(), 5u); }},
        {"dBTop equal to dBBottom: above on top, below on the bottom, level in the middle",
         [](DesignState& s) {
             s.dBTop = 0;
             s.dBBottom = 0;
             const float g[] = {3, 0, -3, 0, 3};
             for (int i = 0; i <= 4; ++i)
                 s.GainDB[i] = g[i];
         },
         [&](const RecordingCanvas& c, const DesignState&) {
             const auto curve = gainCurve(c);
             ASSERT_EQ(curve.size(), 5u);
             EXPECT_DOUBLE_EQ(curve[0].y, 1000);
             EXPECT_DOUBLE_EQ(curve[1].y, 4000);
             EXPECT_DOUBLE_EQ(curve[2].y, 7000);
         }},
        {"Order 0: phase on the scale of one stage, no markers",
         [](DesignState& s) {
             s.Order = 0;
             ComputeResponse(s);
         },
         [](const RecordingCanvas& c, const DesignState&) {
             EXPECT_NE(c.FindText("90"), nullptr);
             EXPECT_NE(c.FindText("-90"), nullptr);
             for (const auto& p : c.OfKind(Kind::Line))
                 EXPECT_FALSE(p.colour == (Rgb{255, 0, 0}));
             for (const auto& p : c.OfKind(Kind::Polyline)) {
                 if (p.colour == Rgb{17, 136, 17}) {
                     for (const auto& pt : p.points)
                         EXPECT_DOUBLE_EQ(pt.y, 4000);
                 }
             }
         }},
        {"an invalid stage keeps no marker; the valid one does",
         [](DesignState& s) {
             s.StageFoActual[1] = 1250;
             s.StageFoActual[2] = 0;
             s.StageInvalid[2] = 1;
         },
         [](const RecordingCanvas& c, const DesignState&) {
             int ticks = 0;
             for (const auto& p : c.OfKind(Kind::Line))
                 ticks += p.colour == Rgb{255, 0, 0} ? 1 : 0;
             EXPECT_EQ(ticks, 1);
         }},
        {"NrInts 0: one point, a dot",
         [](DesignState& s) { s.NrInts = 0; },
         [&](const RecordingCanvas& c, const DesignState&) { EXPECT_TRUE(gainCurve(c).empty()); }},
        {"NrInts beyond the arrays",
         [](DesignState& s) { s.NrInts = 30000; },
         [&](const RecordingCanvas& c, const DesignState&) { EXPECT_EQ(gainCurve(c).size(), 2001u); }},
        {"not-a-number values break the curve",
         [](DesignState& s) {
             s.GainDB[2] = std::nanf("");
             s.Phase[2] = std::nanf("");
             s.Delay[2] = std::nanf("");
             s.DelayTop = std::nanf("");
         },
         [&](const RecordingCanvas& c, const DesignState& s) {
             EXPECT_EQ(gainCurve(c).size(), 2u);
             EXPECT_EQ(s.DelayTop, 1e-9f);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = PlotRecord();
        s.ShowPhase = 1;
        s.ShowDelay = 1;
        s.R[1] = {0, 10000, 1000, 100000};
        s.R[2] = {0, 10000, 1000, 100000};
        s.C[1] = {0, 1e-8f, 1e-8f};
        s.C[2] = {0, 1e-8f, 1e-8f};
        c.change(s);
        RecordingCanvas canvas;
        RedrawPlot(canvas, s, Context());
        ShowReadout(canvas, s, Context(), 6500, 4000);
        for (Curve curve : {Curve::Gain, Curve::Phase, Curve::Delay}) {
            s.OverlayLast = 4;
            for (int n = 0; n <= 4; ++n) {
                s.OverlayFreq[n] = s.Freq[n];
                s.OverlayValue[n] = s.GainDB[n];
            }
            DrawOverlayCurve(canvas, s, curve);
        }
        EXPECT_TRUE(AllCoordinatesFinite(canvas));
        c.check(canvas, s);
    }
}

TEST(PlotDrawing, NegativePartsAreResistorsAtOrBelowZero)
{
    struct Case {
        const char* name;
        int order;
        float r, c;  // R(2,2) and C(2,1)
        bool negative;
    };
    const std::vector<Case> cases = {
        {"all positive", 2, 1000, 1e-8f, false},
        {"a negative resistor", 2, -5, 1e-8f, true},
        {"a zero resistor", 2, 0, 1e-8f, true},
        {"a zero capacitor does not count", 2, 1000, 0, false},
        {"beyond Order does not count", 1, -5, 1e-8f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = static_cast<Integer>(c.order);
        for (int k = 1; k <= 2; ++k) {
            s.R[k] = {0, 1000, 1000, 1000};
            s.C[k] = {0, 1e-8f, 1e-8f};
        }
        s.R[2][2] = c.r;
        s.C[2][1] = c.c;
        EXPECT_EQ(HasNegativeParts(s), c.negative);
    }
}

} // namespace
} // namespace stelvane
