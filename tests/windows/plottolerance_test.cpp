#include <gtest/gtest.h>

#include <algorithm>

#include "render/plotdrawing.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// The tolerance run of the plot window: what is typed is held to its range,
// the run goes a share at a time with the window alive and can be stopped,
// its 5-95% band lies behind the gain curve and around it, and a change of
// the design takes the band away.
TEST(PlotWindow, ToleranceRunShadesTheSpreadBehindTheGainCurve)
{
    Program p;
    p.Start({"cmdPlot"});
    p.navigator.Session().SetMask({990, 1010, 3, 980, 1020, 40});  // 40 dB 2% off the centre: no copy meets it
    const RecordingCanvas& drawing = p.Drawing(Plot);
    auto finish = [&] {
        for (int turns = 0; turns < 10000 && p.Text(Plot, "cmdToleranceRun") != "Tolerance run"; ++turns)
            QCoreApplication::processEvents();
    };
    // where the first primitive of the kind and colour lies in the drawing (its size: none)
    auto index = [&](CanvasPrimitive::Kind kind, Rgb colour) {
        const auto& d = drawing.primitives;
        return std::find_if(d.begin(), d.end(), [&](auto& q) { return q.kind == kind && q.colour == colour; }) -
            d.begin();
    };
    auto band = [&] { return index(CanvasPrimitive::Kind::FillPolygon, kToleranceBandColour); };
    // Copies beyond the limit, and a tolerance, are held to it; the run shows how far it is.
    for (const char* action : {"txtRuns=20000", "txtRTol=80", "cmdToleranceRun"}) p.Act(Plot, action);
    EXPECT_EQ(p.Text(Plot, "txtRuns"), "10000");
    EXPECT_EQ(p.Text(Plot, "txtRTol"), "50");
    EXPECT_EQ(p.LastMessage(),
        "Number of copies 20000 was taken as 10000\n"
        "Resistor tolerance 80 % was taken as 50 %");
    EXPECT_EQ(p.Text(Plot, "cmdToleranceRun"), "Stop");
    EXPECT_TRUE(p.Text(Plot, "lblToleranceRun").starts_with("Tolerance run: ")) << p.Text(Plot, "lblToleranceRun");
    // Stop ends it without a band.
    p.Act(Plot, "cmdToleranceRun");
    EXPECT_EQ(p.Text(Plot, "lblToleranceRun"), "Tolerance run stopped");
    finish();
    EXPECT_EQ(band(), std::ssize(drawing.primitives));
    // A smaller run of 1% resistors, abc for the capacitors, runs to its end.
    for (const char* action : {"txtRuns=200", "txtRTol=1", "txtCTol=abc", "cmdToleranceRun"}) p.Act(Plot, action);
    finish();
    EXPECT_TRUE(p.Text(Plot, "lblToleranceRun").starts_with("200 copies, centre sd "));
    EXPECT_EQ(p.LastMessage(), "'abc' was read as 0 for the capacitor tolerance");
    EXPECT_EQ(p.Text(Plot, "lblYield"), "Yield: 0 of 200 copies (0.0%) meet the mask; most misses at fs1 (200 copies)");
    // The plot drawn again keeps the band behind the grid, its edges under the gain curve.
    p.Act(Plot, "cmdPhase");
    ASSERT_LT(band(), index(CanvasPrimitive::Kind::Line, kPlotGridColour));
    EXPECT_LT(index(CanvasPrimitive::Kind::Polyline, kToleranceEdgeColour),
        index(CanvasPrimitive::Kind::Polyline, kGainCurveColour));
    // the design's gain inside the band at every point (y grows downwards)
    const auto& shade = drawing.primitives[band()].points;
    const auto& gain = CurveIn(drawing, kGainCurveColour)->points;
    ASSERT_EQ(shade.size(), 2 * gain.size());
    for (std::size_t i = 0; i < gain.size(); ++i) {
        EXPECT_LE(shade[i].y, gain[i].y) << i;
        EXPECT_GE(shade[shade.size() - 1 - i].y, gain[i].y) << i;
    }
    // Tuning a part takes the band away.
    p.Act(Plot, "cmdTunePart");
    p.Act(Plot, "cmdR1up");
    EXPECT_EQ(p.Text(Plot, "lblToleranceRun"), "");
    EXPECT_EQ(band(), std::ssize(drawing.primitives));
    EXPECT_EQ(p.Text(Plot, "lblYield"), "");
    const auto texts = drawing.Texts();
    EXPECT_TRUE(std::ranges::any_of(texts, [](auto& t) { return t.starts_with("Mask: fails at fs1 by "); }));
}

}  // namespace stelvane::testing
