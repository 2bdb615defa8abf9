#include <QComboBox>

#include <gtest/gtest.h>

#include <fstream>

#include "engine/standardseries.h"
#include "files/plotoverlay.h"
#include "render/plotdrawing.h"
#include "windows/frmplot.h"
#include "windows/layout.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// The start-up design on the plot window: curves come and go with their
// buttons, the readout follows the pointer, a centre step moves the band, the
// saved curve is laid over the new one, the tuning panel shows and steps each
// stage's parts, and parts that cannot be built are flagged in red.
TEST(PlotWindow, ButtonsRedrawWhatTheUserAsksFor)
{
    Program p;
    p.Start({"cmdPlot"});
    p.Do(Plot, "cmdSavePlot");
    const RecordingCanvas& drawing = p.Drawing(Plot);
    auto curve = [&](Rgb colour) { return CurveIn(drawing, colour); };
    auto gain = [&] { return CurveIn(drawing, kGainCurveColour); };
    auto pointAt = [&](double x, double y) {
        const Layout layout(p.platform.Screen(), Plot);
        p.Drawing(Plot).Forget();
        QTest::mouseMove(p.Find(Plot), QPoint(int(layout.ToPixelsX(x)), int(layout.ToPixelsY(y))));
    };
    auto figure = [&](const char* label) { return Figure(p.Text(Plot, label)); };
    // Plot phase draws the phase, pressed again it is gone; Plot delay draws the delay.
    p.Act(Plot, "cmdPhase");
    EXPECT_TRUE(curve(kPhaseCurveColour) && drawing.FindText("Phase:"));
    p.Act(Plot, "cmdPhase");
    EXPECT_FALSE(curve(kPhaseCurveColour));
    p.Act(Plot, "cmdDelay");
    EXPECT_TRUE(curve(kDelayCurveColour) && drawing.FindText("Delay, s:"));
    // the pointer halfway across the frame reads 1250 Hz
    pointAt(6500, 4000);
    EXPECT_NEAR(Figure(drawing.Texts().at(4)), 1250, 2);
    // Tune Fo/Fc shows the centre, and a centre step moves the band.
    p.Act(Plot, "cmdTuneCenterWidth");
    EXPECT_EQ(p.Text(Plot, "lblCenter"), "Center freq: 1k");
    p.Act(Plot, "cmdCenterUp");
    EXPECT_EQ(p.Text(Plot, "lblCenter"), "Center freq: 1.01k");
    ExpectBand(gain(), 1010);
    // Get plot lays the start-up curve saved over it; an empty gain overlay is said.
    p.Act(Plot, "cmdGetPlot");
    ExpectBand(curve(kOverlayGainColour), 1000);
    std::ofstream(kOverlayGainFileName).close();
    p.Do(Plot, "cmdGetPlot");
    EXPECT_EQ(p.LastMessage(), kOverlayGainFileName + std::string(kOverlayNoPointEnding));
    // a step down comes back
    p.Act(Plot, "cmdCenterDown");
    EXPECT_EQ(p.Text(Plot, "lblCenter"), "Center freq: 1k");
    ExpectBand(gain(), 1000);
    // Clear closes the panel.
    p.Act(Plot, "cmdReset");
    EXPECT_TRUE(!p.Shown(Plot, "lblCenter") && drawing.FindText("Mouseover plot for data"));
    // Tune part shows stage 1, with no readout under the panel; R1 one step up, then stage 2.
    p.Act(Plot, "cmdTunePart");
    EXPECT_NEAR(figure("lblStageFreq"), 931.62, 0.01);
    const double r1 = figure("lblR1value");
    pointAt(6500, 4000);
    EXPECT_TRUE(drawing.primitives.empty());
    p.Act(Plot, "cmdR1up");
    EXPECT_NEAR(figure("lblR1value") / r1, 1.01, 1e-4);
    EXPECT_TRUE(figure("lblStageFreq") < 931.6 && gain());
    p.Act(Plot, "UpDown1/up");
    EXPECT_EQ(p.Text(Plot, "lblStage"), "2");
    EXPECT_NEAR(figure("lblStageFreq"), 1073.4, 0.1);
    // A Butterworth design with more gain than its stages can give over a
    // wide band: Plot flags the negative parts in red, and writing the
    // schematic's LTspice file asks first, where No writes nothing.
    p.Do(Plot, "cmdDesign");
    for (const char* action : {"optButterworth", "txtGain=40", "txtWidth=800", "cmdPlot"}) p.Do(Design, action);
    EXPECT_TRUE(p.Shown(Plot, "lblNegative"));
    EXPECT_EQ(p.At(Plot, "lblNegative")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    p.Do(Plot, "cmdSchematic");
    p.Do(Schematic, "cmdWrite");
    p.Do(WriteFiles, "cmdWriteSpiceSchematic");
    EXPECT_TRUE(p.platform.questions.size() == 1 && p.platform.dialogs.empty());
    EXPECT_TRUE(p.platform.questions[0].starts_with("Stage 1 cannot be built: its gain "));
    EXPECT_EQ(p.platform.messages.size(), 2u);  // the missing last session and the empty overlay, nothing else
}

// The tuning panel and the side buttons show the parts as they stand after
// every rounding and Restore, Restore says when it takes a tune with it (an
// undo brings it back), and the series picked holds for the run.
TEST(PlotWindow, PanelAndButtonsFollowRoundingRestoreAndTheSeriesPicked)
{
    Program p;
    p.Start({"cmdPlot"});
    const DesignState& s = p.record;
    auto panelShowsParts = [&] {
        for (int j = 1; j <= 3; ++j)
            EXPECT_NEAR(Figure(":" + p.Text(Plot, "lblR" + std::to_string(j) + "value")) / s.R[1][j], 1, 5e-4) << j;
    };
    p.At<QComboBox>(Plot, "cboSeries")->setCurrentText("E12");
    p.Do(Plot, "cmdNearest5");
    EXPECT_EQ(p.Text(Plot, "cmdNearest5"), "Nearest E12");
    // Restore with the panel open drops no tune, and says nothing.
    p.Do(Plot, "cmdTunePart");
    p.Do(Plot, "cmdRestore");
    panelShowsParts();
    EXPECT_TRUE(p.At(Plot, "cmdTuneCenterWidth")->isEnabled() && p.At(Plot, "cmdPoles")->isEnabled());
    EXPECT_EQ(p.platform.messages.size(), 1u);  // the missing last session only
    // to stage 2 and back, then a rounding with the panel open
    for (const char* action : {"UpDown1/up", "UpDown1/down", "cmdNearest5"}) p.Do(Plot, action);
    panelShowsParts();
    // Restore after a tune says it drops the tune, which Ctrl+Z brings back.
    p.Do(Plot, "cmdR1up");
    const Single tuned = s.R[1][1];
    p.Do(Plot, "cmdRestore");
    panelShowsParts();
    EXPECT_EQ(p.LastMessage(), kRestoreDropsTuneMessage);
    p.PressKeys(Plot, Qt::Key_Z);
    EXPECT_EQ(s.R[1][1], tuned);
    panelShowsParts();
    // Away to the design window and back: E12 still picked and rounded to.
    p.Do(Plot, "cmdDesign");
    p.Do(Design, "cmdPlot");
    EXPECT_EQ(p.Text(Plot, "cmdNearest5"), "Nearest E12");
    p.Do(Plot, "cmdNearest5");
    for (int j = 1; j <= 3; ++j) EXPECT_TRUE(InSeries(s.R[1][j], StandardSeries::E12)) << s.R[1][j];
    p.At<QComboBox>(Plot, "cboSeries")->setCurrentText("E24");
    EXPECT_EQ(p.Text(Plot, "cmdNearest5"), "Nearest 5%");
}

// A tune, a rounding and typed parts, then every step undone with Ctrl+Z and
// redone with Ctrl+Shift+Z and Ctrl+Y (and the buttons): at each step the
// parts are those seen going forwards, bit for bit, both panels show them and
// the gain curve is the one drawn then.
TEST(PlotWindow, EveryStepGoesBackAndForthBitForBit)
{
    Program p;
    p.Start({"cmdPlot"});
    const DesignState& s = p.record;
    using Seen = std::tuple<ResArray, CapArray, std::string, std::vector<CanvasPoint>>;
    auto look = [&] {
        const CanvasPrimitive* curve = CurveIn(p.Drawing(Plot), kGainCurveColour);
        return Seen{s.R, s.C, p.Text(Plot, "lblR1value"), curve ? curve->points : std::vector<CanvasPoint>{}};
    };
    std::vector<Seen> seen{look()};
    // Tune part takes the parts into the user's hands: a step of its own.
    for (const char* action :
        {"cmdTunePart", "cmdR1up", "cmdReset", "cmdNearest5", "cmdEditPart", "txtR2value=12k", "cmdEnterAll"}) {
        p.Drawing(Plot).Forget();
        p.Do(Plot, action);
        if (s.R != std::get<0>(seen.back()) || action == std::string("cmdTunePart")) seen.push_back(look());
    }
    ASSERT_EQ(seen.size(), 5u);
    p.At(Plot, "txtRuns")->setFocus();  // a text box with nothing of its own to take back leaves the keys to the design
    auto expectSeen = [&](std::size_t at) {
        SCOPED_TRACE(at);
        EXPECT_TRUE(look() == seen[at]);
        EXPECT_EQ(p.Text(Plot, "lblR1editValue"), std::get<2>(seen[at]));
        EXPECT_EQ(p.At(Plot, "cmdRedo")->isEnabled(), at + 1 < seen.size());
    };
    for (std::size_t at = seen.size() - 1; at-- > 0;) {
        p.PressKeys(Plot, Qt::Key_Z);
        expectSeen(at);
    }
    for (std::size_t at = 1; at < seen.size(); ++at) {
        p.PressKeys(Plot, at % 2 ? Qt::Key_Z : Qt::Key_Y, at % 2);
        expectSeen(at);
    }
    for (const auto& [button, at] : {std::pair{"cmdUndo", seen.size() - 2}, {"cmdRedo", seen.size() - 1}}) {
        p.Drawing(Plot).Forget();
        p.Do(Plot, button);
        expectSeen(at);
    }
}

// "Enter all" reads only the parts whose text the user edited: the others,
// even when outside what may be typed (an R3 above 10M at 100 pF), keep
// their value bit for bit, and an edited part that was clamped is said.
TEST(PlotWindow, EnterAllChangesOnlyTheEditedParts)
{
    Program p;
    p.Start({"txtCaps=100p", "cmdPlot"});
    p.Do(Plot, "cmdEditPart");
    // The first stage whose R3 is above 10M.
    const DesignState& s = p.record;
    int stage = 1;
    while (stage < StageCount(s) && s.R[stage][3] <= 1e7) ++stage;
    ASSERT_GT(s.R[stage][3], 1e7);
    for (int k = 1; k < stage; ++k) p.Do(Plot, "UpDown2/up");
    const auto parts = [&] {
        return std::array<Single, 5>{s.R[stage][1], s.R[stage][2], s.R[stage][3], s.C[stage][1], s.C[stage][2]};
    };
    const std::array<Single, 5> before = parts();
    const std::size_t said = p.platform.messages.size();
    p.Do(Plot, "txtC1value=0.5p");
    p.Do(Plot, "cmdEnterAll");
    for (int part = 0; part < 5; ++part)
        EXPECT_NEAR(parts()[part], part == 3 ? 1e-12 : before[part], part == 3 ? 1e-18 : 0) << part;
    EXPECT_EQ(p.platform.messages.size(), said + 1);
    EXPECT_EQ(p.LastMessage(), "C1 0.5pF was taken as 1pF");
    // Pressed again with nothing edited, it changes nothing and says nothing.
    const std::array<Single, 5> entered = parts();
    p.Do(Plot, "cmdEnterAll");
    EXPECT_EQ(parts(), entered);
    EXPECT_EQ(p.platform.messages.size(), said + 1);
}

}  // namespace stelvane::testing
