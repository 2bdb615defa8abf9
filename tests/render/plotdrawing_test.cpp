// The response plot on the recording canvas: where values, labels, markers
// and the readout land, worked out from the scales' definitions (a frame of
// 2000..11000 by 1000..7000 layout units), and which parts count as negative.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/numbertext.h"
#include "render/plotdrawing.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/recordingcanvas.h"

namespace stelvane::testing {
namespace {

constexpr double kTop = 1000, kBottom = 7000, kLeft = 2000, kWidth = 9000;
using Kind = CanvasPrimitive::Kind;

// The start-up design (1 kHz, 200 Hz wide, two stages) with the edits made, its grid laid.
std::unique_ptr<DesignState> PlotDesign(const std::function<void(DesignInputs&)>& edits = {})
{
    auto s = StartUpDesign(edits);
    DesignSession(*s).PreparePlot();
    return s;
}

TEST(PlotScales, ValuesLandWhereTheScaleDefinesThem)
{
    // Gain runs from dBTop at the top to dBBottom at the bottom, phase from +90 n degrees to -90 n
    // for n stages, delay from DelayTop to 0; beyond either end a value stands on the frame's edge.
    // A gain scale of no height (top = bottom = 0) puts its level in the middle.
    DesignState s, flat;
    s.dBTop = 10, s.dBBottom = -20, s.Order = 3, s.DelayTop = 2e-3f;
    const struct {
        const char* name;
        Curve curve;
        double value;
        double fraction;
        bool flat = false;
    } cases[] = {
        {"gain at the top", Curve::Gain, 10, 0},
        {"gain a third down", Curve::Gain, 0, 1.0 / 3},
        {"gain at the bottom", Curve::Gain, -20, 1},
        {"gain above the top", Curve::Gain, 10.5, 0},
        {"gain below the bottom", Curve::Gain, -21, 1},
        {"phase +270", Curve::Phase, 270, 0},
        {"phase -135", Curve::Phase, -135, 0.75},
        {"phase beyond", Curve::Phase, -400, 1},
        {"delay at the top", Curve::Delay, 2e-3, 0},
        {"half the delay", Curve::Delay, 1e-3, 0.5},
        {"no delay", Curve::Delay, 0, 1},
        {"delay beyond", Curve::Delay, 5e-3, 0},
        {"flat, at its level", Curve::Gain, 0, 0.5, true},
        {"flat, above", Curve::Gain, 0.1, 0, true},
        {"flat, below", Curve::Gain, -0.1, 1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DesignState& d = c.flat ? flat : s;
        const auto y = c.curve == Curve::Gain ? GainY(d, c.value)
            : c.curve == Curve::Phase         ? PhaseY(d, c.value)
                                              : DelayY(d, c.value);
        ASSERT_TRUE(y);
        EXPECT_NEAR(*y, kTop + (kBottom - kTop) * c.fraction, 1e-3);  // DelayTop is a Single
    }
}

TEST(PlotScales, AFrequencyAxisOfNoSpanPlacesNothing)
{
    DesignState s;
    s.Fstart = s.Fstop = 1000;
    for (const SweepSpacing sweep : {SweepSpacing::Linear, SweepSpacing::Log}) {
        s.Sweep = sweep;
        EXPECT_FALSE(FrequencyAxis(s).Position(2000)) << NumberOf(sweep);
    }
}

TEST(PlotDrawing, RowLabelsNameTheValueOfTheirGridLine)
{
    // Three stages, six rows: every label stands 100 units above its grid line and reads the
    // value there (the phase scale spans +-90 degrees a stage).
    auto s = PlotDesign([](DesignInputs& in) { in.lblOrderInput = "3", in.txtDelay = "0.006"; });
    RecordingCanvas canvas;
    ScreenPlotContext both;
    both.shown = {true, true};
    RedrawPlot(canvas, *s, both);
    std::vector<double> rows;  // the horizontal grid lines
    for (const CanvasPrimitive& line : canvas.OfKind(Kind::Line, kPlotGridColour))
        if (line.points[0].y == line.points[1].y) rows.push_back(line.points[0].y);
    ASSERT_EQ(rows.size(), 7u);
    const struct {
        const char* name;
        Rgb colour;
        std::vector<std::string> texts;
    } cases[] = {
        {"gain", kGainTextColour, {"10", "5", "0", "-5", "-10", "-15", "-20"}},
        {"phase", kPhaseTextColour, {"270", "180", "90", "0", "-90", "-180", "-270"}},
        {"delay", kDelayTextColour, {"6m", "5m", "4m", "3m", "2m", "1m", "0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CanvasPrimitive> labels = canvas.OfKind(Kind::Text, c.colour);
        std::erase_if(labels, [](const CanvasPrimitive& t) { return t.points[0].y < 900 || t.points[0].y > 7000; });
        ASSERT_EQ(labels.size(), c.texts.size());
        for (std::size_t i = 0; i < labels.size(); ++i) {
            EXPECT_EQ(labels[i].text, c.texts[i]);
            EXPECT_NEAR(rows[i], kTop + (kBottom - kTop) * double(i) / 6, 1e-9);
            EXPECT_NEAR(labels[i].points[0].y, rows[i] - 100, 0.5);
        }
    }
}

TEST(PlotDrawing, LogAxisLabelsThinAsTheSpanWidens)
{
    // The screen keeps 1, 2 and 5 of every decade up to a span of 1000, the decades alone beyond; a span
    // within one decade keeps every label that fits. The printed page keeps 1, 1.5, 2 and 5 up to 1000,
    // then 1 and 1.5.
    const struct {
        const char *name, *start, *stop;
        std::vector<double> leading;
        LogLabelSet set = LogLabelSet::Screen;
    } cases[] = {
        {"two decades", "10", "1000", {1, 2, 5}},
        {"four decades", "10", "100k", {1}},
        {"under a decade", "100", "800", {1, 1.5, 2, 2.5, 3, 4, 5, 6, 8}},
        {"two decades printed", "10", "1000", {1, 1.5, 2, 5}, LogLabelSet::Printout},
        {"four decades printed", "10", "100k", {1, 1.5}, LogLabelSet::Printout},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = PlotDesign([&](DesignInputs& in) {
            in.optLinear = false, in.optLog = true, in.txtStart = c.start, in.txtStop = c.stop;
        });
        RecordingCanvas canvas;
        FrequencyLabelStyle style;
        style.logSet = c.set;
        DrawFrequencyGrid(canvas, *s, style);
        const std::vector<std::string> labels = canvas.Texts();
        ASSERT_FALSE(labels.empty());
        for (const std::string& label : labels) {
            const double v = LeadingNumber(label);
            const double mantissa = v / std::pow(10, std::floor(std::log10(v) + 1e-9));
            EXPECT_TRUE(
                std::find(c.leading.begin(), c.leading.end(), std::round(mantissa * 10) / 10) != c.leading.end())
                << label;
        }
    }
}

TEST(PlotDrawing, EveryStageHasItsMarkerAtItsFrequency)
{
    // Linear 500..2000 Hz: a stage at f stands at 2000 + 9000 (f - 500) / 1500.
    for (const char* order : {"1", "2", "3", "5"}) {
        SCOPED_TRACE(order);
        auto s = PlotDesign([&](DesignInputs& in) { in.lblOrderInput = order; });
        RecordingCanvas canvas;
        DrawStageMarkers(canvas, *s);
        const std::vector<CanvasPrimitive> ticks = canvas.OfKind(Kind::Line, kMarkerTickColour);
        ASSERT_EQ(ticks.size(), std::size_t(s->Order));
        for (int k = 1; k <= s->Order; ++k)
            EXPECT_NEAR(ticks[k - 1].points[0].x,
                std::clamp(kLeft + kWidth * (s->StageFoActual[k] - 500) / 1500, kLeft, kLeft + kWidth), 1e-3);
    }
}

TEST(PlotDrawing, ReadoutShowsThePointUnderThePointer)
{
    // 1000 intervals over 9000 units: the pointer at x reads point floor((x - 2000) / 9000 x 1001).
    auto s = PlotDesign();
    const struct {
        const char* name;
        double x, y;
        int point;
    } cases[] = {
        {"left end", 2001, 4000, 0},
        {"middle", 6500, 2000, 500},
        {"right end", 10999, 6999, 1000},
        {"left of the frame", 1999, 4000, -1},
        {"below the frame", 6500, 7001, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingCanvas canvas;
        ShowReadout(canvas, *s, ScreenPlotContext{}, c.x, c.y);
        const std::vector<std::string> texts = canvas.Texts();
        if (c.point < 0) {
            EXPECT_TRUE(texts.empty());
            continue;
        }
        ASSERT_EQ(texts.size(), 8u);
        EXPECT_EQ(texts[4], FormatEng(s->Freq[c.point]));
        EXPECT_EQ(texts[5], FormatValue(s->GainDB[c.point]));
    }
}

TEST(PlotDrawing, ACurveIsTheSameWhateverWasDrawnBefore)
{
    // The sweep's x positions are kept from one drawing to the next: a curve drawn after one of
    // another sweep or frame equals the curve drawn afresh (a new thread keeps nothing yet).
    const auto s = PlotDesign();
    const struct {
        const char* name;
        std::function<void(DesignState&)> edit;
        PlotFrame frame = {};
    } cases[] = {
        {"only the frequencies moved",
            [](DesignState& d) { std::ranges::for_each(d.Freq, [](Single& f) { f *= 1.01f; }); }},
        {"fewer points, the same leading frequencies", [](DesignState& d) { d.NrInts = 500; }},
        {"a log axis over the same frequencies", [](DesignState& d) { d.Sweep = SweepSpacing::Log; }},
        {"the axis's end typed, not swept yet", [](DesignState& d) { d.Fstop *= 1.1f; }},
        {"a narrower frame", [](DesignState&) {}, {2000, 1000, 6000, 7000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto after = std::make_unique<DesignState>(*s);
        c.edit(*after);
        CurvePoints(*s, Curve::Gain);
        const std::vector<std::optional<CanvasPoint>> drawn = CurvePoints(*after, Curve::Gain, c.frame);
        std::vector<std::optional<CanvasPoint>> fresh;
        std::thread([&] { fresh = CurvePoints(*after, Curve::Gain, c.frame); }).join();
        EXPECT_EQ(drawn.size(), std::size_t(after->NrInts + 1));
        EXPECT_TRUE(drawn == fresh);
    }
}

TEST(PlotDrawing, TheDesignsGainSavedAsTheOverlayLiesOnItsCurve)
{
    // Drawn point for point on the curve; a gain that is not a number leaves the same gap in both
    // (a dot and one run, or two). The gain overlay shows while the phase and delay are hidden.
    for (const int gap : {-1, 300}) {
        SCOPED_TRACE(gap);
        auto s = PlotDesign();
        if (gap >= 0) s->GainDB[gap] = std::numeric_limits<Single>::quiet_NaN();
        OverlayCurve overlay{s->Freq, s->GainDB, s->NrInts};
        RecordingCanvas curve, saved;
        DrawCurve(curve, *s, Curve::Gain, CurveStyle{});
        DrawOverlayCurve(saved, *s, overlay, Curve::Gain, PlotCurvesShown{});
        ASSERT_EQ(curve.primitives.size(), gap < 0 ? 2u : 3u);
        ASSERT_EQ(saved.primitives.size(), curve.primitives.size());
        for (std::size_t i = 0; i < curve.primitives.size(); ++i) {
            const std::vector<CanvasPoint>&a = curve.primitives[i].points, &b = saved.primitives[i].points;
            ASSERT_EQ(a.size(), b.size());
            for (std::size_t j = 0; j < a.size(); ++j)
                EXPECT_TRUE(std::hypot(a[j].x - b[j].x, a[j].y - b[j].y) < 1e-6) << i << ", " << j;
        }
    }
}

TEST(PlotDrawing, ANegativeOrZeroResistorOfEitherSetCounts)
{
    const struct {
        const char* name;
        Single r, rs;
        bool negative;
    } cases[] = {
        {"all positive", 1e3f, 1e3f, false},
        {"an ideal one", -1, 1e3f, true},
        {"a specified one", 1e3f, 0, true},
        {"both", -1, -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.Order = 2;
        for (int k = 1; k <= 2; ++k)
            for (int j = 1; j <= 3; ++j) s.R[k][j] = s.Rs[k][j] = 2e3f;
        s.R[2][3] = c.r, s.Rs[2][3] = c.rs;
        EXPECT_EQ(HasNegativeParts(s), c.negative);
    }
}

TEST(PlotDrawing, TheMaskShadesWhereTheGainMayNotGo)
{
    // Boxes by the linear axis's and the gain scale's definitions from the highest swept gain between
    // Fp1 and Fp2: x0, x1, the dB of the edge and the frame's y it runs to; none off the axis.
    auto s = PlotDesign();
    auto x = [&](double f) { return std::clamp(kLeft + kWidth * (f - 500) / 1500, kLeft, 11000.); };
    const std::pair<FilterMask, std::vector<std::array<double, 4>>> cases[] = {{{}, {}},
        {{900, 1111, 3, 800, 1250, 20},
            {{kLeft, x(800), -20, kTop}, {x(900), x(1111), -3, kBottom}, {x(1250), 11000, -20, kTop}}},
        {{990, 1010, 0.1, 400, 3000, 60}, {{x(990), x(1010), -0.1, kBottom}}}};
    for (const auto& [mask, boxes] : cases) {
        SCOPED_TRACE(mask.Fp1);
        s->Mask = mask;
        double reference = -1e9;
        for (int l = 0; l <= s->NrInts; ++l)
            if (s->Freq[l] >= mask.Fp1 && s->Freq[l] <= mask.Fp2) reference = std::max<double>(reference, s->GainDB[l]);
        RecordingCanvas canvas;
        DrawGainPlot(canvas, *s, {});
        const auto drawn = canvas.OfKind(Kind::FillBox, kMaskRegionColour);
        ASSERT_EQ(drawn.size(), boxes.size());
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            const auto& [x0, x1, dB, end] = boxes[i];
            const CanvasPoint a = drawn[i].points[0], b = drawn[i].points[1];
            EXPECT_NEAR(std::abs(a.x - x0) + std::abs(b.x - x1), 0, 1) << i;
            EXPECT_NEAR(
                end == kTop ? b.y : a.y, kTop + 6000 * (s->dBTop - reference - dB) / (s->dBTop - s->dBBottom), 10);
            EXPECT_EQ(end == kTop ? a.y : b.y, end) << i;
        }
    }
    // A mask the design meets is said with its four margins in order.
    const FilterMask loose{950, 1050, 3, 500, 2000, 10, 0};
    const std::string words = MaskWords(CheckMask(*s, loose), loose);
    EXPECT_EQ(words.rfind("Mask: meets, margins fp1 ", 0), 0u) << words;
    EXPECT_NE(words.find(" dB, fp2 "), std::string::npos) << words;
}

}  // namespace
}  // namespace stelvane::testing
