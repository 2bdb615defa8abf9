#include "platform/recordingcanvas.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace stelvane {
namespace {

using Kind = CanvasPrimitive::Kind;

constexpr Rgb kFrame{17, 17, 17};
constexpr Rgb kGainCurve{0, 0, 255};

TEST(RecordingCanvas, KeepsEachCallWithItsGeometryColourAndWidth)
{
    struct Case {
        const char* name;
        std::function<void(Canvas&)> draw;
        Kind kind;
        std::vector<CanvasPoint> points;
        Rgb colour;
        double width;
    };
    const std::vector<Case> cases = {
        {"grid line", [](Canvas& c) { c.Line({2000, 1000}, {11000, 1000}, {102, 102, 102}); }, Kind::Line,
         {{2000, 1000}, {11000, 1000}}, {102, 102, 102}, 1},
        {"stage marker tick", [](Canvas& c) { c.Line({5000, 7000}, {5000, 6800}, {255, 0, 0}, 4); }, Kind::Line,
         {{5000, 7000}, {5000, 6800}}, {255, 0, 0}, 4},
        {"resistor zigzag", [](Canvas& c) { c.Polyline({{0, 0}, {260, 0}, {290, -60}}, kBlack, 3); },
         Kind::Polyline, {{0, 0}, {260, 0}, {290, -60}}, kBlack, 3},
        {"panel fill", [](Canvas& c) { c.FillBox({1700, 1300}, {5000, 8000}, kWhite); }, Kind::FillBox,
         {{1700, 1300}, {5000, 8000}}, kWhite, 0},
        {"panel outline", [](Canvas& c) { c.OutlineBox({1700, 1300}, {5000, 8000}, kFrame); }, Kind::OutlineBox,
         {{1700, 1300}, {5000, 8000}}, kFrame, 1},
        {"first curve point", [](Canvas& c) { c.Dot({2000, 3500}, kGainCurve, 2); }, Kind::Dot, {{2000, 3500}},
         kGainCurve, 2},
        {"source circle", [](Canvas& c) { c.Arc({230, 480}, 190, 0, 6.2, kBlack); }, Kind::Arc, {{230, 480}},
         kBlack, 1},
        {"background", [](Canvas& c) { c.Clear({238, 255, 255}); }, Kind::Clear, {}, {238, 255, 255}, 0},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        RecordingCanvas canvas;
        tc.draw(canvas);
        ASSERT_EQ(canvas.primitives.size(), 1u);
        const CanvasPrimitive& p = canvas.primitives.front();
        EXPECT_EQ(p.kind, tc.kind);
        EXPECT_EQ(p.points, tc.points);
        EXPECT_EQ(p.colour, tc.colour);
        EXPECT_EQ(p.width, tc.width);
    }
}

TEST(RecordingCanvas, KeepsArcAnglesAndTextWithFont)
{
    RecordingCanvas canvas;
    canvas.Arc({170, 480}, 60, 0, 3.2, {0, 0, 255}, 3);
    const CanvasFont stageFont{"Arial", 13.824, false};
    canvas.Text({2760, 2650}, "1", {0, 0, 255}, stageFont);
    ASSERT_EQ(canvas.primitives.size(), 2u);
    EXPECT_EQ(canvas.primitives[0].radius, 60);
    EXPECT_EQ(canvas.primitives[0].startAngle, 0);
    EXPECT_EQ(canvas.primitives[0].endAngle, 3.2);
    EXPECT_EQ(canvas.primitives[1].text, "1");
    EXPECT_EQ(canvas.primitives[1].font, stageFont);
    EXPECT_EQ(canvas.primitives[1].points, (std::vector<CanvasPoint>{{2760, 2650}}));
}

TEST(RecordingCanvas, AnswersQueriesInDrawingOrder)
{
    RecordingCanvas canvas;
    canvas.Text({1300, 500}, "Gain, dB:", {17, 17, 255}, {});
    canvas.Line({0, 0}, {1, 1}, kBlack);
    canvas.Text({1000, 900}, "10", kBlack, {});
    canvas.Text({1000, 1900}, "10", {1, 0, 0}, {});
    canvas.Line({1, 1}, {2, 2}, kBlack);

    struct Case {
        const char* name;
        Kind kind;
        std::size_t count;
    };
    for (const Case& tc : {Case{"texts", Kind::Text, 3}, Case{"lines", Kind::Line, 2}, Case{"arcs", Kind::Arc, 0}}) {
        SCOPED_TRACE(tc.name);
        EXPECT_EQ(canvas.Count(tc.kind), tc.count);
        EXPECT_EQ(canvas.OfKind(tc.kind).size(), tc.count);
    }
    EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"Gain, dB:", "10", "10"}));
    const CanvasPrimitive* last = canvas.FindText("10");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->points.front().y, 1900);  // the later of the two
    EXPECT_EQ(canvas.FindText("Phase:"), nullptr);
    canvas.Forget();
    EXPECT_TRUE(canvas.primitives.empty());
}

TEST(RecordingCanvas, EstimatesTextSizeFromTheFont)
{
    struct Case {
        const char* name;
        std::string text;
        double points;
        double unitsPerPoint;
        double width;
        double height;
    };
    // Half an em per character, 1.2 em per line; an em is points x unitsPerPoint.
    const std::vector<Case> cases = {
        {"empty", "", 8, 20, 0, 192},
        {"eight points on an 800 x 600 screen", "Gain", 8, 20, 4 * 80, 192},
        {"ten points", "Filter design:", 10, 20, 14 * 100, 240},
        {"non-ASCII counts characters", "\xc2\xb5s", 8, 20, 2 * 80, 192},
        {"coarser units", "ab", 9.216, 10, 2 * 46.08, 110.592},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        RecordingCanvas canvas(tc.unitsPerPoint);
        const TextExtent e = canvas.MeasureText(tc.text, {"Arial", tc.points, false});
        EXPECT_NEAR(e.width, tc.width, 1e-9);
        EXPECT_NEAR(e.height, tc.height, 1e-9);
    }
}

} // namespace
} // namespace stelvane
