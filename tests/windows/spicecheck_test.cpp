#include <gtest/gtest.h>

#include "render/opamptestdrawing.h"
#include "render/plotdrawing.h"
#include "windows/layout.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// Processes events until the label no longer says a simulation is under way.
inline ::testing::AssertionResult SimulationEnds(Program& p, WindowKind kind)
{
    // a bound only so that a broken run fails instead of hanging the suite
    if (QTest::qWaitFor([&] { return !p.Text(kind, "lblSimulation").starts_with("Simulating"); }, 120000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the simulation never ended";
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
    Walk(p,
        {
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
                    for (const CanvasPrimitive& mark :
                        drawing.OfKind(CanvasPrimitive::Kind::Dot, kSimulatedCurveColour))
                        EXPECT_TRUE(mark.width == 1 ||  // the frame spans 2000 to 11000
                            std::abs(mark.points[0].x - 6500) + layout.ToUnitsX(mark.width) / 2 <= 4500);
                }},
            {"Plot phase", Plot, "cmdPhase", nullptr, [&] { EXPECT_EQ(simulated().size(), 2u); }},
            {"Tune part leaves the parts and the simulation as they are", Plot, "cmdTunePart", nullptr,
                [&] { EXPECT_TRUE(p.Text(Plot, "lblSimulation").starts_with("ngspice agrees within ")); }},
            {"R1 one step up", Plot, "cmdR1up", "lblSimulation=", [&] { EXPECT_TRUE(simulated().empty()); }},
        });
}

// A run under way ends without a result when Stop is pressed, when a part
// changes, or when the window goes; a run started afterwards still works.
TEST(SpiceCheckWindows, StopADesignChangeOrLeavingEndsTheRunAndDropsItsResult)
{
    Program p;
    p.Start({"cmdPlot"});
    Walk(p,
        {
            {"Simulate", Plot, "cmdSimulate", "lblSimulation=Simulating\u2026"},
            {"Stop", Plot, "cmdSimulate", "lblSimulation=The simulation was stopped",
                [&] { EXPECT_EQ(p.Text(Plot, "cmdSimulate"), "Simulate"); }},
            {"Tune part", Plot, "cmdTunePart"},
            {"Simulate again", Plot, "cmdSimulate", "cmdSimulate=Stop"},
            {"R1 one step up while it runs", Plot, "cmdR1up", "lblSimulation=",
                [&] {
                    EXPECT_EQ(p.Text(Plot, "cmdSimulate"), "Simulate");
                    QTest::qWait(0);
                    EXPECT_EQ(p.Text(Plot, "lblSimulation"), "");
                }},
            {"Simulate and leave", Plot, "cmdSimulate", "cmdSimulate=Stop"},
            {"Design", Plot, "cmdDesign"},
            {"the opamp test", Design, "cmdTest", nullptr,
                [&] {
                    EXPECT_EQ(p.Text(OpampTest, "lblSimulation"), "Simulating\u2026");
                    EXPECT_TRUE(p.Shown(OpampTest, "cmdStopSimulation"));
                }},
            {"Stop", OpampTest, "cmdStopSimulation", "lblSimulation=The simulation was stopped",
                [&] { EXPECT_FALSE(p.Shown(OpampTest, "cmdStopSimulation")); }},
            {"Return", OpampTest, "cmdReturn"},
            {"Plot", Design, "cmdPlot"},
            {"Simulate once more", Plot, "cmdSimulate", nullptr,
                [&] {
                    ASSERT_TRUE(SimulationEnds(p, Plot));
                    EXPECT_TRUE(p.Text(Plot, "lblSimulation").starts_with("ngspice agrees within "));
                }},
        });
}

// Examine shows the opamp test of the design as it stands (the drawing's own
// tests check its figures, marks and curve), with the specified opamp's
// passband difference in ngspice, and names every stage beyond the GBW
// correction (q f0 / GBW above 0.1: 0.15 and 0.17 for the start-up stages at
// 50 kHz); Return goes back, and the next Examine shows the opamp typed meanwhile.
TEST(SpiceCheckWindows, TheOpampTestSaysHowFarTheSpecifiedOpampTakesThePassband)
{
    Program p;
    p.Start();
    auto shows = [&](const char* simulation, const char* gbw) {
        RecordingCanvas own;
        DrawOpampTest(own, p.record, p.platform.Screen());
        EXPECT_EQ(p.Drawing(OpampTest).Texts(), own.Texts());
        EXPECT_TRUE(p.Drawing(OpampTest).FindText(std::string("Based on an opamp with a GBW of ") + gbw));
        ASSERT_TRUE(SimulationEnds(p, OpampTest));
        EXPECT_TRUE(p.Text(OpampTest, "lblSimulation").starts_with(simulation)) << p.Text(OpampTest, "lblSimulation");
    };
    Walk(p,
        {
            {"the start-up opamp", Design, "cmdTest", nullptr,
                [&] {
                    shows("The specified opamp in ngspice stays within", "10MHz");
                    EXPECT_FALSE(p.Shown(OpampTest, "lblGbwWarning"));
                }},
            {"Return", OpampTest, "cmdReturn"},
            {"a slow opamp", Design, "txtGBW=50k"},
            {"Examine", Design, "cmdTest", nullptr,
                [&] {
                    shows("The specified opamp in ngspice misses", "50kHz");
                    EXPECT_TRUE(p.Shown(OpampTest, "lblGbwWarning") &&
                        p.Text(OpampTest, "lblGbwWarning").starts_with("q·f0/GBW exceeds 0.1 in stages 1, 2:"));
                }},
        });
}

}  // namespace stelvane::testing
