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
// buttons, the readout follows the pointer, a centre step moves the band, the saved curve is laid over the
// new one, the tuning panel shows and steps each stage's parts, and parts
// that cannot be built are flagged in red.
TEST(PlotWindow, ButtonsRedrawWhatTheUserAsksFor)
{
    Program p;
    p.Start({"cmdPlot"});
    const RecordingCanvas& drawing = p.Drawing(Plot);
    auto curve = [&](Rgb colour) { return CurveIn(drawing, colour); };
    auto gain = [&] { return CurveIn(drawing, kGainCurveColour); };
    auto pointAt = [&](double x, double y) {
        const Layout layout(p.platform.Screen(), Plot);
        p.Drawing(Plot).Forget();
        QTest::mouseMove(p.Find(Plot), QPoint(int(layout.ToPixelsX(x)), int(layout.ToPixelsY(y))));
    };
    auto figure = [&](const char* label) { return Figure(p.Text(Plot, label)); };
    std::vector<CanvasPoint> designed;
    double r1 = 0;
    Walk(p,
        {
            {"the gain curve shows the designed band", Plot, nullptr, nullptr,
                [&] {
                    ExpectBand(gain(), 1000);
                    designed = gain()->points;
                }},
            {"Save plot", Plot, "cmdSavePlot", nullptr, [&] { EXPECT_TRUE(fs::exists(kOverlayGainFileName)); }},
            {"Plot phase", Plot, "cmdPhase", nullptr,
                [&] { EXPECT_TRUE(curve(kPhaseCurveColour) && drawing.FindText("Phase:")); }},
            {"pressed again it is gone", Plot, "cmdPhase", nullptr, [&] { EXPECT_FALSE(curve(kPhaseCurveColour)); }},
            {"Plot delay", Plot, "cmdDelay", nullptr,
                [&] { EXPECT_TRUE(curve(kDelayCurveColour) && drawing.FindText("Delay, s:")); }},
            {"the pointer halfway across the frame reads 1250 Hz", Plot, nullptr, nullptr,
                [&] {
                    pointAt(6500, 4000);
                    EXPECT_NEAR(Figure(drawing.Texts().at(4)), 1250, 2);
                }},
            {"Tune Fo/Fc shows the centre", Plot, "cmdTuneCenterWidth", "lblCenter=Center freq: 1k"},
            {"a centre step moves the band", Plot, "cmdCenterUp", "lblCenter=Center freq: 1.01k",
                [&] { ExpectBand(gain(), 1010); }},
            {"Get plot", Plot, "cmdGetPlot", nullptr, [&] { ExpectBand(curve(kOverlayGainColour), 1000); }},
            {"an empty gain overlay is said", Plot, nullptr, nullptr,
                [&] {
                    std::ofstream(kOverlayGainFileName).close();
                    p.Do(Plot, "cmdGetPlot");
                    std::string told = kOverlayGainFileName;
                    told += kOverlayNoPointEnding;
                    EXPECT_EQ(p.LastMessage(), told);
                }},
            {"a step down comes back", Plot, "cmdCenterDown", "lblCenter=Center freq: 1k",
                [&] { ExpectBand(gain(), 1000); }},
            {"Clear closes the panel", Plot, "cmdReset", nullptr,
                [&] { EXPECT_TRUE(!p.Shown(Plot, "lblCenter") && drawing.FindText("Mouseover plot for data")); }},
            {"Tune part shows stage 1", Plot, "cmdTunePart", nullptr,
                [&] {
                    EXPECT_NEAR(figure("lblStageFreq"), 931.62, 0.01);
                    EXPECT_NEAR(figure("lblStageQ"), 7.089, 0.001);
                    r1 = figure("lblR1value");
                }},
            {"no readout under the panel", Plot, nullptr, nullptr,
                [&] {
                    pointAt(6500, 4000);
                    EXPECT_TRUE(drawing.primitives.empty());
                }},
            {"R1 one step up", Plot, "cmdR1up", nullptr,
                [&] {
                    EXPECT_NEAR(figure("lblR1value") / r1, 1.01, 1e-4);
                    EXPECT_TRUE(figure("lblStageFreq") < 931.6 && gain());
                }},
            {"stage 2", Plot, "UpDown1/up", "lblStage=2", [&] { EXPECT_NEAR(figure("lblStageFreq"), 1073.4, 0.1); }},
            {"back to the design window", Plot, "cmdDesign"},
            {"a Butterworth design again", Design, "optButterworth"},
            {"more gain than the stages can give", Design, "txtGain=40"},
            {"over a wide band", Design, "txtWidth=800"},
            {"Plot flags the negative parts in red", Design, "cmdPlot", nullptr,
                [&] {
                    EXPECT_TRUE(p.Shown(Plot, "lblNegative"));
                    EXPECT_EQ(p.At(Plot, "lblNegative")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
                }},
            {"the schematic", Plot, "cmdSchematic"},
            {"writing its LTspice schematic asks first", Schematic, "cmdWrite"},
            {"and No writes nothing", WriteFiles, "cmdWriteSpiceSchematic", nullptr,
                [&] {
                    EXPECT_TRUE(p.platform.questions.size() == 1 && p.platform.dialogs.empty())
                        << p.platform.dialogs.size();
                    EXPECT_TRUE(p.platform.questions[0].starts_with("Stage 1 cannot be built: its gain "));
                }},
        });
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
    Single tuned = 0;
    p.At<QComboBox>(Plot, "cboSeries")->setCurrentText("E12");
    Walk(p,
        {
            {"E12 picked and named", Plot, "cmdNearest5", "cmdNearest5=Nearest E12"},
            {"Tune part", Plot, "cmdTunePart"},
            {"Restore with the panel open", Plot, "cmdRestore", nullptr,
                [&] {
                    panelShowsParts();
                    EXPECT_TRUE(p.At(Plot, "cmdTuneCenterWidth")->isEnabled() && p.At(Plot, "cmdPoles")->isEnabled());
                    EXPECT_TRUE(p.platform.messages.size() == 1);  // the missing last session only: no tune was dropped
                }},
            {"stage 2", Plot, "UpDown1/up"},
            {"and back to stage 1", Plot, "UpDown1/down"},
            {"rounding with the panel open", Plot, "cmdNearest5", nullptr, panelShowsParts},
            {"a tune after the rounding", Plot, "cmdR1up", nullptr, [&] { tuned = s.R[1][1]; }},
            {"Restore says it drops the tune, which Ctrl+Z brings back", Plot, "cmdRestore", nullptr,
                [&] {
                    panelShowsParts();
                    EXPECT_EQ(p.LastMessage(), kRestoreDropsTuneMessage);
                    p.PressKeys(Plot, Qt::Key_Z);
                    EXPECT_EQ(s.R[1][1], tuned);
                    panelShowsParts();
                }},
            {"away to the design window", Plot, "cmdDesign"},
            {"and back, E12 still picked and rounded to", Design, "cmdPlot", nullptr,
                [&] {
                    EXPECT_EQ(p.Text(Plot, "cmdNearest5"), "Nearest E12");
                    p.Do(Plot, "cmdNearest5");
                    for (int j = 1; j <= 3; ++j) EXPECT_TRUE(InSeries(s.R[1][j], StandardSeries::E12)) << s.R[1][j];
                    p.At<QComboBox>(Plot, "cboSeries")->setCurrentText("E24");
                    EXPECT_EQ(p.Text(Plot, "cmdNearest5"), "Nearest 5%");
                }},
        });
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
// even when outside what may be typed, keep their value bit for bit, and an
// edited part that was clamped or misread is said.
TEST(PlotWindow, EnterAllChangesOnlyTheEditedParts)
{
    const struct Case {
        const char* name;
        std::vector<std::string> design;  // on the design window
        const char* edit;                 // on the plot's editing group
        int part;                         // the part edited, 0..4 (R1..C2)
        const char* said;
        double taken;
    } cases[] = {
        {"100 pF: R3 above 10M", {"txtCaps=100p"}, "txtC1value=0.5p", 3, "C1 0.5pF was taken as 1pF", 1e-12},
        {"a Chebyshev 6 at 10 kHz: R2 below 10 ohms",
            {"txtCenter=10k", "optChebyshev", "UpDown1/up", "UpDown1/up", "UpDown1/up", "UpDown1/up"}, "txtR1value=20k",
            0, nullptr, 20e3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p;
        p.Start(c.design);
        p.Do(Design, "cmdPlot");
        p.Do(Plot, "cmdEditPart");
        // The first stage with a resistor outside 10..1e7 ohms.
        const DesignState& s = p.record;
        int stage = 0;
        for (int k = StageCount(s); k >= 1; --k)
            for (int j = 1; j <= 3; ++j)
                if (s.R[k][j] < 10 || s.R[k][j] > 1e7) stage = k;
        ASSERT_GT(stage, 0);
        for (int k = 1; k < stage; ++k) p.Do(Plot, "UpDown2/up");
        const auto parts = [&] {
            return std::array<Single, 5>{s.R[stage][1], s.R[stage][2], s.R[stage][3], s.C[stage][1], s.C[stage][2]};
        };
        const std::array<Single, 5> before = parts();
        const std::size_t said = p.platform.messages.size();
        p.Do(Plot, c.edit);
        p.Do(Plot, "cmdEnterAll");
        for (int part = 0; part < 5; ++part)
            EXPECT_NEAR(parts()[part], part == c.part ? c.taken : before[part], part == c.part ? 1e-6 * c.taken : 0)
                << part;
        EXPECT_EQ(p.platform.messages.size() > said ? p.LastMessage() : "", c.said ? c.said : "");
        EXPECT_LE(p.platform.messages.size(), said + 1);
        // Pressed again with nothing edited, it changes nothing and says nothing.
        const std::array<Single, 5> entered = parts();
        p.Do(Plot, "cmdEnterAll");
        EXPECT_EQ(parts(), entered);
        EXPECT_EQ(p.platform.messages.size(), said + (c.said ? 1 : 0));
    }
}

}  // namespace stelvane::testing
