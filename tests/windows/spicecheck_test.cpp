#include <gtest/gtest.h>

#include "render/opamptestdrawing.h"
#include "render/plotdrawing.h"
#include "windows/layout.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// Processes events until the label no longer says a simulation is under way;
// false if it still does after two minutes, a bound only so that a broken run
// fails instead of hanging the suite.
static bool SimulationEnds(Program& p, WindowKind kind)
{
    return QTest::qWaitFor([&] { return !p.Text(kind, "lblSimulation").starts_with("Simulating"); }, 120000);
}

// "Simulate" runs ngspice off the GUI thread ("Simulate" reads "Stop"
// meanwhile), then draws its curves over the design's and says how close they
// are, with its marks wholly inside the frame (what sticks out is never
// erased); the phase follows the "Plot phase" button, and a tuned part takes
// the simulation, which no longer shows the design, away.
TEST(SpiceCheckWindows, ThePlotDrawsTheSimulationOverTheDesignUntilAPartChanges)
{
    Program p;
    p.Start({"cmdPlot"});
    const RecordingCanvas& drawing = p.Drawing(Plot);
    auto simulated = [&] { return drawing.OfKind(CanvasPrimitive::Kind::Polyline, kSimulatedCurveColour); };
    const std::vector<Step> steps = {
        {"Simulate", Plot, "cmdSimulate", "cmdSimulate=Stop",
            [&] {
                ASSERT_TRUE(SimulationEnds(p, Plot));
                EXPECT_EQ(p.Text(Plot, "cmdSimulate"), "Simulate");
                EXPECT_TRUE(p.Text(Plot, "lblSimulation").starts_with("ngspice agrees within "));
                const auto curves = simulated();
                ASSERT_EQ(curves.size(), 1u);
                const auto& design = CurveIn(drawing, kGainCurveColour)->points;
                const auto& ngspice = curves[0].points;
                ASSERT_EQ(ngspice.size(), design.size());
                for (std::size_t i = 0; i < design.size(); ++i)
                    EXPECT_TRUE(
                        std::abs(ngspice[i].x - design[i].x) < 0.01 && std::abs(ngspice[i].y - design[i].y) < 0.1);
                // the marks, wider than the curve's points (which lie on the frame's outline), within the frame
                const Layout layout(p.platform.Screen(), Plot);
                for (const CanvasPrimitive& mark : drawing.OfKind(CanvasPrimitive::Kind::Dot, kSimulatedCurveColour))
                    EXPECT_TRUE(mark.width == 1 ||  // the frame spans 2000 to 11000
                        std::abs(mark.points[0].x - 6500) + layout.ToUnitsX(mark.width) / 2 <= 4500);
            }},
        {"Plot phase", Plot, "cmdPhase", nullptr, [&] { EXPECT_EQ(simulated().size(), 2u); }},
        {"Tune part leaves the parts and the simulation as they are", Plot, "cmdTunePart", nullptr,
            [&] { EXPECT_TRUE(p.Text(Plot, "lblSimulation").starts_with("ngspice agrees within ")); }},
        {"R1 one step up", Plot, "cmdR1up", "lblSimulation=", [&] { EXPECT_TRUE(simulated().empty()); }},
    };
    Walk(p, steps);
}

// A run under way ends without a result when Stop is pressed, when a part
// changes, or when the window goes; a run started afterwards still works.
TEST(SpiceCheckWindows, StopADesignChangeOrLeavingEndsTheRunAndDropsItsResult)
{
    Program p;
    p.Start({"cmdPlot"});
    p.Do(Plot, "cmdSimulate");
    EXPECT_EQ(p.Text(Plot, "lblSimulation"), "Simulating\u2026");
    p.Do(Plot, "cmdSimulate");  // Stop
    EXPECT_EQ(p.Text(Plot, "lblSimulation"), "The simulation was stopped");
    EXPECT_EQ(p.Text(Plot, "cmdSimulate"), "Simulate");
    // R1 one step up while a run goes
    for (const char* action : {"cmdTunePart", "cmdSimulate", "cmdR1up"}) p.Do(Plot, action);
    EXPECT_EQ(p.Text(Plot, "cmdSimulate"), "Simulate");
    QTest::qWait(0);
    EXPECT_EQ(p.Text(Plot, "lblSimulation"), "");
    // Simulate and leave for the design window, then the opamp test's run stopped
    for (const char* action : {"cmdSimulate", "cmdDesign"}) p.Do(Plot, action);
    p.Do(Design, "cmdTest");
    EXPECT_EQ(p.Text(OpampTest, "lblSimulation"), "Simulating\u2026");
    EXPECT_TRUE(p.Shown(OpampTest, "cmdStopSimulation"));
    p.Do(OpampTest, "cmdStopSimulation");
    EXPECT_EQ(p.Text(OpampTest, "lblSimulation"), "The simulation was stopped");
    EXPECT_FALSE(p.Shown(OpampTest, "cmdStopSimulation"));
    // back on the plot, a run goes to its end
    p.Do(OpampTest, "cmdReturn");
    p.Do(Design, "cmdPlot");
    p.Do(Plot, "cmdSimulate");
    ASSERT_TRUE(SimulationEnds(p, Plot));
    EXPECT_TRUE(p.Text(Plot, "lblSimulation").starts_with("ngspice agrees within "));
}

// Examine shows the opamp test of the design as it stands (the drawing's own
// tests check its figures, marks and curve), with the specified opamp's
// passband difference in ngspice, and names every stage beyond the GBW
// correction (q f0 / GBW above 0.1: 0.15 and 0.17 for the start-up stages at
// 50 kHz); Return goes back, and the next Examine shows the opamp typed meanwhile.
TEST(SpiceCheckWindows, TheOpampTestSaysHowFarTheSpecifiedOpampTakesThePassband)
{
    Program p;
    auto shows = [&](const char* simulation, const char* gbw) {
        RecordingCanvas own;
        DrawOpampTest(own, p.record, p.platform.Screen());
        EXPECT_EQ(p.Drawing(OpampTest).Texts(), own.Texts());
        EXPECT_TRUE(p.Drawing(OpampTest).FindText(std::string("Based on an opamp with a GBW of ") + gbw));
        ASSERT_TRUE(SimulationEnds(p, OpampTest));
        EXPECT_TRUE(p.Text(OpampTest, "lblSimulation").starts_with(simulation)) << p.Text(OpampTest, "lblSimulation");
    };
    p.Start({"cmdTest"});
    shows("The specified opamp in ngspice stays within", "10MHz");
    EXPECT_FALSE(p.Shown(OpampTest, "lblGbwWarning"));
    p.Do(OpampTest, "cmdReturn");
    p.Do(Design, "txtGBW=50k");
    p.Act(Design, "cmdTest");
    shows("The specified opamp in ngspice misses", "50kHz");
    EXPECT_TRUE(p.Shown(OpampTest, "lblGbwWarning") &&
        p.Text(OpampTest, "lblGbwWarning").starts_with("q·f0/GBW exceeds 0.1 in stages 1, 2:"));
}

}  // namespace stelvane::testing
