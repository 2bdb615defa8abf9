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
    const struct { const char* name; const char* gain, *width, *caps; bool buildable; } cases[] = {
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
        DrawSchematic(canvas, *s, kSchematicOriginX, 9000);
        const std::vector<std::string> texts = canvas.Texts();
        for (int k = 1; k <= 3; ++k) {
            const StageFigureTexts figures = StageFigures(*s, k);
            EXPECT_EQ(figures.frequency == kInvalidFigureText, StageFaultOf(*s, k) != StageFault::None);
            EXPECT_GT(CountOf(texts, "Stage freq:  " + figures.frequency), 0u);
            EXPECT_GT(CountOf(texts, "Stage Q:  " + figures.q) * CountOf(texts, "Stage gain:  " + figures.gain), 0u);
        }
        EXPECT_EQ(canvas.OfKind(Kind::OutlineBox, kOutOfRangeColour).size(),
                  ResistorsOutsideRange(*s, kPracticalResistors).size());
        // a negative value is drawn in red, and the fault is said in words below the circuit
        EXPECT_EQ(canvas.OfKind(Kind::Text, Rgb{255, 0, 0}).empty(), c.buildable);
        EXPECT_EQ(std::any_of(texts.begin(), texts.end(), [](auto& t) { return t.find("cannot be built") != t.npos; }),
                  !c.buildable);
    }
}

TEST(PolesDrawing, PolesStandAtTheirPlaceOnTheScale)
{
    // The origin at (6000, 4500); 3500 units to the outer ring at radius S vertically, three
    // quarters of that across.
    // The radius S is the largest imaginary part rounded, plus one; 1 for Butterworth's unit circle.
    const struct { const char* name; Integer family, order; Single apass; } cases[] = {
        {"Butterworth", 1, 4, 0}, {"Chebyshev 0.5 dB", 2, 3, 0.5f}, {"Bessel", 3, 5, 0},
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
            EXPECT_NEAR(marks[k - 1].points[0].x, 6000 + 0.75 * 3500 * s.PoleRe[k] / radius, 1e-3);
            EXPECT_NEAR(marks[k - 1].points[0].y, 4500 - 3500 * s.PoleIm[k] / radius, 1e-3);
        }
    }
}

TEST(OpampTestDrawing, StagesAndCurveLandOnTheGainPlot)
{
    // 500 units a decade from 0.1 Hz at x = 6000; 4000 units for 140 dB up from y = 5000.
    for (const char* gbw : {"10M", "50k"}) {
        SCOPED_TRACE(gbw);
        auto s = StartUpDesign([&](DesignInputs& in) { in.lblOrderInput = "3", in.txtGBW = gbw; });
        DesignSession(*s).PrepareOpampTest();
        RecordingCanvas canvas;
        DrawOpampTest(canvas, *s, ScreenMetrics{});
        const std::vector<CanvasPrimitive> marks = canvas.OfKind(Kind::Dot, kOpampAlarmColour);
        ASSERT_EQ(marks.size(), 3u);
        for (int k = 1; k <= 3; ++k) {
            EXPECT_NEAR(marks[k - 1].points[0].x, 6000 + 500 * std::log10(s->StageF[k] / 0.1), 1e-6);
            EXPECT_NEAR(marks[k - 1].points[0].y, 5000 - 4000 * *OpampFiguresOf(*s, k).required / 140, 1e-6);
        }
        // The curve keeps to the frame's height and follows the opamp's gain.
        for (const CanvasPrimitive& run : canvas.OfKind(Kind::Polyline, kOpampCurveColour))
            for (const CanvasPoint& p : run.points) {
                EXPECT_TRUE(p.y > 999 && p.y < 5000) << p.y;
                EXPECT_NEAR(p.y, 5000 - 4000 * OpampGainDB(*s, 0.1 * std::pow(10, (p.x - 6000) / 500)) / 140, 1e-6);
            }
    }
}

} // namespace
} // namespace stelvane::testing
