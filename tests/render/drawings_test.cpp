// The schematic, the poles picture and the opamp test on the recording
// canvas: positions from each picture's scale, the stage readouts in the
// program's one set of stage texts, and what a stage that cannot be built shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "engine/designtext.h"
#include "engine/partcheck.h"
#include "engine/practicalparts.h"
#include "render/opamptestdrawing.h"
#include "render/polesdrawing.h"
#include "render/schematicdrawing.h"
#include "render/symbols.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/recordingcanvas.h"

namespace stelvane::testing {
namespace {

using Kind = CanvasPrimitive::Kind;

std::size_t CountOf(const std::vector<std::string>& texts, const std::string& text)
{
    return std::size_t(std::count(texts.begin(), texts.end(), text));
}

TEST(SchematicDrawing, StagesShowTheirFiguresPartsAndFaults)
{
    // Three stages of the start-up design; the gain asked of a narrow band makes R2 negative.
    const struct {
        const char* name;
        const char *gain, *width, *caps;
        bool buildable;
    } cases[] = {
        {"buildable", "0", "200", "10n", true},
        {"buildable, 100 pF puts R1 and R3 above 1M", "0", "200", "100p", true},
        {"a gain too high for the Q", "40", "800", "10n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = StartUpDesign([&](DesignInputs& in) {
            in.lblOrderInput = "3", in.txtGain = c.gain, in.txtWidth = c.width, in.txtCaps = c.caps;
        });
        RecordingCanvas canvas;
        DrawSchematic(canvas, *s, PartsType::Ideal, kSchematicOriginX, 9000);
        const std::vector<std::string> texts = canvas.Texts();
        for (int k = 1; k <= 3; ++k) {
            const StageFigureTexts figures = StageFigures(*s, k);
            EXPECT_EQ(figures.frequency == kInvalidFigureText, StageFaultOf(*s, k) != StageFault::None);
            EXPECT_GT(CountOf(texts, "Stage freq:  " + figures.frequency), 0u);
            EXPECT_GT(CountOf(texts, "Stage Q:  " + figures.q) * CountOf(texts, "Stage gain:  " + figures.gain), 0u);
        }
        EXPECT_EQ(canvas.OfKind(Kind::OutlineBox, kOutOfRangeColour).size(),
            ResistorsOutsideRange(*s, PartsType::Ideal, kPracticalResistors).size());
        // a negative value is drawn in red, and the fault is said in words below the circuit
        EXPECT_EQ(canvas.OfKind(Kind::Text, Rgb{255, 0, 0}).empty(), c.buildable);
        EXPECT_EQ(std::any_of(texts.begin(), texts.end(), [](auto& t) { return t.find("cannot be built") != t.npos; }),
            !c.buildable);
    }
}

TEST(PolesDrawing, PolesStandAtTheirPlaceOnTheScale)
{
    // The origin at (6000, 4500); 3500 units to the outer ring at radius S vertically, three
    // quarters of that across. S is the largest imaginary part rounded, plus one; 1 for
    // Butterworth's unit circle. The textbook poles, where given, in the order drawn.
    const struct {
        const char* name;
        Integer family, order;
        Single apass;
        std::vector<double> re, im;
    } cases[] = {
        {"Butterworth", 1, 2, 0, {-0.7071, -0.7071}, {0.7071, -0.7071}},
        {"Chebyshev 0.5 dB", 2, 3, 0.5f, {-0.3132, -0.6265, -0.3132}, {1.0219, 0, -1.0219}},
        {"Bessel", 3, 5, 0, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DesignState s = Designed(c.family, c.order, c.apass);
        const Integer radius = PolesPlotRadius(s);
        const Single highest = *std::max_element(&s.PoleIm[1], &s.PoleIm[c.order] + 1);
        EXPECT_EQ(radius, c.family == 1 ? 1 : std::lrint(highest) + 1);
        RecordingCanvas canvas;
        DrawPolesPicture(canvas, s, radius, false, CanvasFont{});
        const std::vector<CanvasPrimitive> marks = canvas.OfKind(Kind::Dot, kPoleMarkColour);
        ASSERT_EQ(marks.size(), std::size_t(c.order));
        for (int k = 1; k <= c.order; ++k) {
            const double re = c.re.empty() ? s.PoleRe[k] : c.re[k - 1], im = c.im.empty() ? s.PoleIm[k] : c.im[k - 1];
            EXPECT_NEAR(marks[k - 1].points[0].x, 6000 + 0.75 * 3500 * re / radius, 0.5);
            EXPECT_NEAR(marks[k - 1].points[0].y, 4500 - 3500 * im / radius, 0.5);
        }
        EXPECT_TRUE(canvas.FindText("Order: " + std::to_string(c.order)));
        // The angle lines lie symmetric about the real axis: each outer end has its mirror image.
        const std::vector<CanvasPrimitive> angles = canvas.OfKind(Kind::Line, kPolarGridColour);
        ASSERT_FALSE(angles.empty());
        for (const CanvasPrimitive& line : angles) {
            const CanvasPoint end = line.points[1];
            EXPECT_TRUE(std::any_of(angles.begin(), angles.end(), [&](const CanvasPrimitive& m) {
                return std::hypot(m.points[1].x - end.x, m.points[1].y + end.y - 2 * 4500) < 0.5;
            })) << end.y;
        }
        // the line at +90 degrees goes straight up to the outer ring
        EXPECT_TRUE(std::any_of(angles.begin(), angles.end(), [](const CanvasPrimitive& m) {
            return std::hypot(m.points[1].x - 6000, m.points[1].y - (4500 - 3500)) < 0.5;
        }));
    }
}

TEST(OpampTestDrawing, StagesAndCurveLandOnTheGainPlot)
{
    // The start-up stages ask 40 dB each of an opamp of one pole at GBW / 100000 (a DC gain of
    // 100k). On the plot 500 units a decade from 0.1 Hz at x = 6000, 4000 units for 140 dB up
    // from y = 5000. A gain too high for the stages' Q leaves none that can be built.
    const struct {
        const char* name;
        const char *gbw, *gain, *width;
        double gbwHz;
        Rgb margin;
    } cases[] = {
        {"margin to spare", "10M", "0", "200", 1e7, kBlack},
        {"a slow opamp falls short in red", "50k", "0", "200", 5e4, kOpampAlarmColour},
        {"no stage can be built", "10M", "40", "800", 1e7, kBlack},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto s =
            StartUpDesign([&](DesignInputs& in) { in.txtGBW = c.gbw, in.txtGain = c.gain, in.txtWidth = c.width; });
        DesignSession(*s).PrepareOpampTest();
        RecordingCanvas canvas;
        DrawOpampTest(canvas, *s, ScreenMetrics{});
        const bool buildable = *c.gain == '0';
        std::vector<CanvasPrimitive> gains;  // per stage: the opamp's gain, the stage's, the margin
        for (const CanvasPrimitive& text : canvas.OfKind(Kind::Text))
            if (text.text.size() > 2 && text.text.ends_with("dB")) gains.push_back(text);
        EXPECT_EQ(CountOf(canvas.Texts(), "cannot be built"), buildable ? 0u : 2u);
        ASSERT_EQ(gains.size(), buildable ? 6u : 2u);
        const std::vector<CanvasPrimitive> marks = canvas.OfKind(Kind::Dot, kOpampAlarmColour);
        ASSERT_EQ(marks.size(), buildable ? 2u : 0u);
        for (int k = 0; buildable && k < 2; ++k) {
            const double f = s->StageF[k + 1], opamp = 20 * std::log10(1e5 / std::hypot(1, f * 1e5 / c.gbwHz));
            EXPECT_NEAR(std::stod(gains[3 * k].text), opamp, 0.01);
            EXPECT_NEAR(std::stod(gains[3 * k + 1].text), 40, 0.05);
            EXPECT_NEAR(std::stod(gains[3 * k + 2].text), opamp - std::stod(gains[3 * k + 1].text), 0.01);
            EXPECT_EQ(gains[3 * k + 2].colour, c.margin);
            EXPECT_NEAR(marks[k].points[0].x, 6000 + 500 * std::log10(f / 0.1), 1e-6);
            EXPECT_NEAR(marks[k].points[0].y, 5000 - 4000 * std::stod(gains[3 * k + 1].text) / 140, 0.5);
        }
        // Each gain label names the gain (4000 units for 140 dB) of the grid line 100 units below its top.
        std::vector<double> rows;
        for (const CanvasPrimitive& line : canvas.OfKind(Kind::Line, kOpampGridColour))
            if (line.points[0].y == line.points[1].y) rows.push_back(line.points[0].y);
        ASSERT_EQ(rows.size(), 15u);  // 140 dB down to 0 in steps of 10
        std::size_t labelled = 0;
        for (const CanvasPrimitive& label : canvas.OfKind(Kind::Text)) {
            const CanvasPoint at = label.points[0];
            if (at.x <= 4500 || at.x >= 6000 || label.text == "dB") continue;  // beyond the table, left of the frame
            const double row = *std::min_element(rows.begin(), rows.end(),
                [&](double a, double b) { return std::abs(a - at.y - 100) < std::abs(b - at.y - 100); });
            EXPECT_NEAR(row, at.y + 100, 20) << label.text;
            EXPECT_NEAR(std::stod(label.text), (5000 - row) * 140 / 4000, 0.5) << label.text;
            ++labelled;
        }
        EXPECT_EQ(labelled, rows.size());
        // Its lettering is of a size to read, and keeps its share of a screen twice as high.
        RecordingCanvas high;
        DrawOpampTest(high, *s, ScreenMetrics{24000, 18000, 15, 15});
        const std::vector<CanvasPrimitive> texts = canvas.OfKind(Kind::Text), highTexts = high.OfKind(Kind::Text);
        ASSERT_EQ(texts.size(), highTexts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_TRUE(texts[i].font.points > 6 && texts[i].font.points < 12) << texts[i].font.points;
            EXPECT_DOUBLE_EQ(highTexts[i].font.points, 2 * texts[i].font.points);
        }
        // a table row for every stage there can be, and none beyond
        EXPECT_TRUE(OpampTableRow(*s, 0).empty() && OpampTableRow(*s, kMaxStages + 1).empty());
        EXPECT_FALSE(OpampTableRow(*s, kMaxStages).empty());
        // The curve keeps to the frame's height and follows the opamp's gain.
        ASSERT_FALSE(canvas.OfKind(Kind::Polyline, kOpampCurveColour).empty());
        for (const CanvasPrimitive& run : canvas.OfKind(Kind::Polyline, kOpampCurveColour))
            for (const CanvasPoint& p : run.points) {
                EXPECT_TRUE(p.y > 999 && p.y < 5000) << p.y;
                EXPECT_NEAR(p.y, 5000 - 4000 * OpampGainDB(*s, 0.1 * std::pow(10, (p.x - 6000) / 500)) / 140, 1e-6);
            }
    }
}

// The distance from a point to the segment from a to b.
double DistanceToSegment(CanvasPoint p, CanvasPoint a, CanvasPoint b)
{
    const double dx = b.x - a.x, dy = b.y - a.y, length2 = dx * dx + dy * dy;
    const double t = length2 == 0 ? 0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0);
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// The opening picture's circuit hangs together: both ends of every line
// longer than a capacitor's plate or a sign (250 units) meet another line
// within a pixel (10 units), or the source's circle across its leads' gap;
// the output lead, drawn last, excepted.
TEST(SchematicDrawing, TheCircuitHangsTogetherStageByStage)
{
    RecordingCanvas canvas;
    DrawDemonstrationCircuit(canvas, *StartUpDesign(), 9000);
    const std::vector<CanvasPrimitive>& drawn = canvas.primitives;
    auto meets = [&](CanvasPoint end, std::size_t self) {
        for (std::size_t j = 0; j < drawn.size(); ++j) {
            const CanvasPrimitive& q = drawn[j];
            const bool line = j != self && (q.kind == Kind::Line || q.kind == Kind::Polyline);
            for (std::size_t k = 0; line && k + 1 < q.points.size(); ++k)
                if (DistanceToSegment(end, q.points[k], q.points[k + 1]) <= 10.5) return true;
            const CanvasPoint c = q.points.empty() ? CanvasPoint{} : q.points[0];
            if (q.kind == Kind::Arc && std::abs(std::hypot(end.x - c.x, end.y - c.y) - q.radius) < 100) return true;
        }
        return false;
    };
    for (std::size_t i = 0; i + 1 < drawn.size(); ++i) {
        if (drawn[i].kind != Kind::Line && drawn[i].kind != Kind::Polyline) continue;
        const CanvasPoint a = drawn[i].points.front(), b = drawn[i].points.back();
        EXPECT_TRUE(std::hypot(a.x - b.x, a.y - b.y) <= 250 || (meets(a, i) && meets(b, i))) << i;
    }
    // Each stage keeps to its own column, so that neighbours never overlap.
    RecordingCanvas stage;
    DrawStage(stage, 5000, 2000, *StartUpDesign(), 1, false, DemonstrationStyle(9000));
    for (const CanvasPrimitive& p : stage.primitives)
        for (const CanvasPoint& at : p.points) EXPECT_TRUE(at.x >= 5000 && at.x <= 5000 + kStageAdvance) << at.x;
}

}  // namespace
}  // namespace stelvane::testing
