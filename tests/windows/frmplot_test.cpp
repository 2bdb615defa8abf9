#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/numbertext.h"
#include "engine/synthesis.h"
#include "files/plotoverlay.h"
#include "windows/frmplot.h"
#include "windows/updown.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;
using Kind = CanvasPrimitive::Kind;

// The plot window opened on the start-up design (two-stage Butterworth at
// 1 kHz, 200 Hz wide), designed by the engine, then changed by the case.
struct PlotWindow {
    explicit PlotWindow(const std::function<void(DesignState&)>& prepare = {})
    {
        RegisterPlotWindows(program->navigator);
        RecordDrawings(program->navigator, program->platform);
        InstallStartDefaults(record());
        InstallOpampDefaults(record());
        RunDesignChain(record());
        if (prepare)
            prepare(record());
        window = program->Open<frmPlot>(WindowKind::Plot);
    }
    DesignState& record() { return program->record; }
    ScriptedPlatform& platform() { return program->platform; }
    RecordingCanvas& drawing() { return program->platform.Drawing("frmPlot"); }
    QPushButton* button(const char* name) { return window->findChild<QPushButton*>(name); }
    QLabel* label(const char* name) { return window->findChild<QLabel*>(name); }
    QLineEdit* box(const char* name) { return window->findChild<QLineEdit*>(name); }
    void click(const char* name)
    {
        QPushButton* b = button(name);
        ASSERT_NE(b, nullptr) << name;
        Click(b);
    }
    // Moves the pointer to a point given in layout units.
    void moveTo(double x, double y)
    {
        const Layout layout(platform().Screen(), WindowKind::Plot);
        const QPointF at(layout.ToPixelsX(x), layout.ToPixelsY(y));
        QMouseEvent move(QEvent::MouseMove, at, window->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(window, &move);
    }

    std::unique_ptr<Program> program = std::make_unique<Program>();
    frmPlot* window = nullptr;
};

class PlotWindowTest : public ::testing::Test {
protected:
    TemporaryWorkingDirectory dir;
};

bool Shown(const QWidget* w) { return w != nullptr && !w->isHidden(); }

const char* const kPartNames[] = {"R1", "R2", "R3", "C1", "C2"};

Single& PartOf(DesignState& s, int stage, int part)
{
    return part < 3 ? s.R[stage][part + 1] : s.C[stage][part - 2];
}
Single PartOf(const DesignState& s, int stage, int part)
{
    return part < 3 ? s.R[stage][part + 1] : s.C[stage][part - 2];
}

std::string Name(const char* prefix, int part, const char* suffix)
{
    return std::string(prefix) + kPartNames[part] + suffix;
}

// The E24 series, to check rounded resistors independently of the engine's table.
bool IsE24Value(double r)
{
    static const double series[] = {10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30,
                                    33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};
    const double decade = std::pow(10.0, std::floor(std::log10(r)) - 1);
    for (double v : series)
        if (std::abs(r / decade - v) < 1e-4 * v || std::abs(r / decade - 10 * v) < 1e-4 * v)
            return true;
    return false;
}

TEST_F(PlotWindowTest, LoadDrawsThePlotAndFillsThePanelForStageOne)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        bool manual;
        bool negative;
    };
    const std::vector<Case> cases = {
        {"family design", nullptr, false, false},
        {"manual entry", [](DesignState& s) { s.ManualEntry = 1; }, true, false},
        {"a negative resistor", [](DesignState& s) { s.R[2][2] = -50; }, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w(c.prepare);
        ASSERT_NE(w.window, nullptr);
        EXPECT_EQ(w.window->windowTitle().toStdString(), "      Stelvane - Plot");
        EXPECT_EQ(w.window->CurrentStage, 1);
        EXPECT_EQ(w.window->ReadoutOff, 0);
        EXPECT_EQ(w.window->NegativeParts, c.negative ? 1 : 0);
        EXPECT_EQ(Shown(w.label("lblNegative")), c.negative);
        EXPECT_EQ(Text(w.label("lblNegative")), "Negative value(s)");

        const std::vector<std::pair<const char*, const char*>> side = {
            {"cmdPoles", "Show poles"},   {"cmdDelay", "Plot delay"},   {"cmdPhase", "Plot phase"},
            {"cmdSavePlot", "Save plot"}, {"cmdGetPlot", "Get plot"},   {"cmdNearest5", "Nearest 5%"},
            {"cmdRestore", "Restore"},    {"cmdTuneCenterWidth", "Tune Fo/Fc"},
            {"cmdTunePart", "Tune part"}, {"cmdEditPart", "Edit part"}, {"cmdReset", "Clear"},
        };
        for (const auto& [name, caption] : side) {
            SCOPED_TRACE(name);
            ASSERT_NE(w.button(name), nullptr);
            EXPECT_EQ(w.button(name)->text().toStdString(), caption);
        }
        EXPECT_FALSE(w.button("cmdRestore")->isEnabled());
        EXPECT_EQ(w.button("cmdTuneCenterWidth")->isEnabled(), !c.manual);
        EXPECT_EQ(w.button("cmdPoles")->isEnabled(), !c.manual);
        EXPECT_TRUE(w.button("cmdDesign")->isEnabled());
        EXPECT_TRUE(w.button("cmdPrint")->isEnabled());

        // Every panel control is hidden; the labels already hold stage 1.
        for (const char* name : {"lblStageNr", "lblStage", "lblStageFreq", "lblStageQ", "lblStageNrEdit",
                                 "lblStageEdit", "lblCenter", "lblWidth", "lblR1value", "lblC2editValue"})
            EXPECT_FALSE(Shown(w.label(name))) << name;
        for (const char* name : {"cmdEnterAll", "cmdCenterUp", "cmdR1up", "cmdC2down"})
            EXPECT_FALSE(Shown(w.button(name))) << name;
        EXPECT_EQ(Text(w.label("lblStage")), "1");
        const DesignState& s = w.record();
        EXPECT_EQ(Text(w.label("lblR1value")), Trimmed(FormatValue(s.R[1][1])));
        EXPECT_EQ(Text(w.label("lblC1value")), Trimmed(FormatCap(s.C[1][1])));
        // Stage 1 of the start-up design: about 931.62 Hz, Q about 7.089.
        const std::string freq = Text(w.label("lblStageFreq"));
        const std::string q = Text(w.label("lblStageQ"));
        ASSERT_EQ(freq.rfind("Stage freq: ", 0), 0u);
        ASSERT_EQ(q.rfind("Stage Q: ", 0), 0u);
        EXPECT_NEAR(std::stod(freq.substr(12)), 931.62, 0.01);
        EXPECT_NEAR(std::stod(q.substr(9)), 7.089, 0.001);
        EXPECT_EQ(Text(w.label("lblCenter")), "Center freq: 1k");
        EXPECT_EQ(Text(w.label("lblWidth")), "Width: 200");

        // The plot is drawn, the grid computed: eleven frequency labels.
        EXPECT_NE(w.drawing().FindText("Gain, dB:"), nullptr);
        EXPECT_NE(w.drawing().FindText("Mouseover plot for data"), nullptr);
        EXPECT_EQ(w.record().NrGridX, 10);
    }
}

TEST_F(PlotWindowTest, PhaseAndDelayButtonsToggleTheirAxes)
{
    struct Case {
        const char* name;
        const char* button;
        const char* title;
        Integer DesignState::*flag;
    };
    const std::vector<Case> cases = {
        {"phase", "cmdPhase", "Phase:", &DesignState::ShowPhase},
        {"delay", "cmdDelay", "Delay, s:", &DesignState::ShowDelay},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w;
        w.drawing().Forget();
        w.click(c.button);
        EXPECT_EQ(w.record().*c.flag, 1);
        EXPECT_NE(w.drawing().FindText(c.title), nullptr);

        w.drawing().Forget();
        w.click(c.button);
        EXPECT_EQ(w.record().*c.flag, 0);
        // Pressed twice: the gain-only plot, its right-hand axes erased.
        EXPECT_NE(w.drawing().FindText("Gain, dB:"), nullptr);
        EXPECT_EQ(w.drawing().FindText(c.title), nullptr);

        // A value other than 0 or 1 goes back to 0.
        w.record().*c.flag = 5;
        w.click(c.button);
        EXPECT_EQ(w.record().*c.flag, 0);
    }
}

TEST_F(PlotWindowTest, DelayButtonRaisesAZeroDelayTop)
{
    struct Case {
        const char* name;
        float delayTop;
        float after;
    };
    const std::vector<Case> cases = {{"zero", 0, 1e-9f}, {"one millisecond", 0.001f, 0.001f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w([&](DesignState& s) { s.DelayTop = c.delayTop; });
        EXPECT_EQ(w.record().DelayTop, c.delayTop);  // not shown yet: left alone
        w.click("cmdDelay");
        EXPECT_EQ(w.record().DelayTop, c.after);
    }
}

TEST_F(PlotWindowTest, MouseOverTheFrameShowsTheReadout)
{
    struct Case {
        const char* name;
        double x, y;
        int point;  // -1: only the strip is erased
    };
    // NrInts 1000 over 9000 units: point floor((x - 2000) / 9000 x 1001).
    const std::vector<Case> cases = {
        {"middle", 6500, 4000, 500},
        {"near the left edge", 2004.5, 4000, 0},
        {"near the right edge", 10999, 4000, 1000},
        {"above the frame", 6500, 800, -1},
        {"left of the frame", 1000, 4000, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w;
        w.drawing().Forget();
        w.moveTo(c.x, c.y);
        const auto texts = w.drawing().Texts();
        if (c.point < 0) {
            EXPECT_TRUE(texts.empty());
            EXPECT_EQ(w.drawing().Count(Kind::FillBox), 1u);
            continue;
        }
        const DesignState& s = w.record();
        ASSERT_EQ(texts.size(), 8u);
        EXPECT_EQ(texts[4], FormatEng(s.Freq[c.point]));
        EXPECT_EQ(texts[5], FormatValue(s.GainDB[c.point]));
        EXPECT_EQ(texts[6], FormatValue(s.Phase[c.point]));
        EXPECT_EQ(texts[7], FormatEngSmall(s.Delay[c.point]));
    }
}

TEST_F(PlotWindowTest, OpeningAPanelTurnsTheReadoutOffAndClearTurnsItOn)
{
    PlotWindow w;
    w.click("cmdTunePart");
    w.drawing().Forget();
    w.moveTo(6500, 4000);
    EXPECT_TRUE(w.drawing().primitives.empty());
    w.click("cmdReset");
    EXPECT_EQ(w.window->ReadoutOff, 0);
    EXPECT_NE(w.drawing().FindText("Mouseover plot for data"), nullptr);
    w.drawing().Forget();
    w.moveTo(6500, 4000);
    EXPECT_NE(w.drawing().FindText("Frequency:"), nullptr);
}

TEST_F(PlotWindowTest, PanelButtonsOpenTheirGroupsAndSetTheButtonStates)
{
    struct Case {
        const char* name;
        const char* button;
        int manualAfter;
        std::vector<const char*> shown;
        std::vector<const char*> hidden;
        std::vector<const char*> disabled;
        std::vector<const char*> enabled;
    };
    const std::vector<Case> cases = {
        {"Tune part",
         "cmdTunePart",
         1,
         {"lblStageNr", "lblStage", "UpDown1", "lblStageFreq", "lblStageQ", "lblR1", "lblR1value", "cmdR1down",
          "cmdR1up", "lblC2", "lblC2value", "cmdC2up"},
         {"lblCenter", "cmdCenterUp", "cmdEnterAll", "txtR1value"},
         {"cmdTuneCenterWidth", "cmdPoles", "cmdEditPart", "cmdNearest5"},
         {"cmdTunePart", "cmdReset"}},
        {"Edit part",
         "cmdEditPart",
         1,
         {"lblStageNrEdit", "lblStageEdit", "UpDown2", "cmdEnterAll", "lblR1edit", "lblR1editValue", "txtR1value",
          "txtC2value"},
         {"lblCenter", "cmdCenterUp", "cmdR1up", "lblStageFreq"},
         {"cmdTuneCenterWidth", "cmdPoles", "cmdTunePart", "cmdNearest5"},
         {"cmdEditPart", "cmdReset"}},
        {"Tune Fo/Fc",
         "cmdTuneCenterWidth",
         0,
         {"lblCenter", "cmdCenterDown", "cmdCenterUp", "lblWidth", "cmdWidthDown", "cmdWidthUp"},
         {"lblStage", "lblStageFreq", "lblStageQ", "cmdR1up", "cmdEnterAll"},
         {},
         {"cmdTuneCenterWidth", "cmdPoles", "cmdTunePart", "cmdEditPart", "cmdNearest5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w;
        w.drawing().Forget();
        w.click(c.button);
        EXPECT_EQ(w.window->ReadoutOff, 1);
        EXPECT_EQ(w.record().ManualEntry, c.manualAfter);
        for (const char* name : c.shown)
            EXPECT_TRUE(Shown(w.window->findChild<QWidget*>(name))) << name;
        for (const char* name : c.hidden)
            EXPECT_FALSE(Shown(w.window->findChild<QWidget*>(name))) << name;
        for (const char* name : c.disabled)
            EXPECT_FALSE(w.button(name)->isEnabled()) << name;
        for (const char* name : c.enabled)
            EXPECT_TRUE(w.button(name)->isEnabled()) << name;
        // Opening a panel does not redraw the plot; it only empties the
        // readout strip, hint included.
        ASSERT_EQ(w.drawing().primitives.size(), 1u);
        const auto& erased = w.drawing().primitives[0];
        EXPECT_EQ(erased.kind, Kind::FillBox);
        EXPECT_EQ(erased.points[0], (CanvasPoint{2000, 7300}));
        EXPECT_EQ(erased.points[1], (CanvasPoint{11000, 7900}));
    }
}

TEST_F(PlotWindowTest, EditPartFillsTheBoxesWithTheStagesParts)
{
    PlotWindow w;
    w.click("cmdEditPart");
    const DesignState& s = w.record();
    for (int p = 0; p < 5; ++p) {
        SCOPED_TRACE(kPartNames[p]);
        const Single v = p < 3 ? s.R[1][p + 1] : s.C[1][p - 2];
        const std::string text = p < 3 ? FormatValue(v) : FormatCap(v);
        EXPECT_EQ(Text(w.box(Name("txt", p, "value").c_str())), text);
        EXPECT_EQ(Text(w.label(Name("lbl", p, "editValue").c_str())), Trimmed(text));
    }
}

TEST_F(PlotWindowTest, PartStepsMultiplyOrDivideByOnePercentAndRefreshTheStage)
{
    for (int p = 0; p < 5; ++p) {
        for (bool up : {true, false}) {
            SCOPED_TRACE(Name(up ? "cmd" : "cmd", p, up ? "up" : "down"));
            PlotWindow w;
            w.click("cmdTunePart");
            DesignState before = w.record();
            const float gainBefore = before.GainDB[500];
            w.drawing().Forget();
            w.click(Name("cmd", p, up ? "up" : "down").c_str());
            DesignState& s = w.record();
            const Single old = PartOf(before, 1, p);
            const Single expected = up ? old * 1.01f : old / 1.01f;
            EXPECT_EQ(PartOf(s, 1, p), expected);
            // No other part of any stage moved.
            for (int stage = 1; stage <= 2; ++stage)
                for (int q = 0; q < 5; ++q)
                    if (stage != 1 || q != p) {
                        EXPECT_EQ(PartOf(s, stage, q), PartOf(before, stage, q));
                    }
            const std::string shown = Trimmed(p < 3 ? FormatValue(expected) : FormatCap(expected));
            EXPECT_EQ(Text(w.label(Name("lbl", p, "value").c_str())), shown);
            // The stage refresh: new analysis and sweep, and the plot drawn anew.
            EXPECT_NE(s.StageFoActual[1], before.StageFoActual[1]);
            EXPECT_EQ(Text(w.label("lblStageFreq")), "Stage freq: " + Trimmed(FormatEng(s.StageFoActual[1])));
            EXPECT_EQ(Text(w.label("lblStageQ")), "Stage Q: " + Trimmed(FormatValue(s.StageQActual[1])));
            EXPECT_NE(s.GainDB[500], gainBefore);
            EXPECT_NE(w.drawing().FindText("Gain, dB:"), nullptr);
        }
    }
}

TEST_F(PlotWindowTest, TenStepsUpAndTenDownComeBackWithinRounding)
{
    for (int p = 0; p < 5; ++p) {
        SCOPED_TRACE(kPartNames[p]);
        PlotWindow w;
        w.click("cmdTunePart");
        const Single start = PartOf(w.record(), 1, p);
        for (int i = 0; i < 10; ++i)
            w.click(Name("cmd", p, "up").c_str());
        EXPECT_NEAR(PartOf(w.record(), 1, p) / start, std::pow(1.01, 10), 1e-5);
        for (int i = 0; i < 10; ++i)
            w.click(Name("cmd", p, "down").c_str());
        EXPECT_NEAR(PartOf(w.record(), 1, p) / start, 1.0, 1e-5);
    }
}

TEST_F(PlotWindowTest, EnterAllStoresTheTypedPartsWithinTheirBounds)
{
    struct Case {
        const char* name;
        int part;
        const char* typed;
        Single stored;
    };
    const std::vector<Case> cases = {
        {"resistor below 10 ohm", 0, "5", 10},
        {"resistor at 10 ohm stays", 1, "10", 10},
        {"resistor above 1e7", 2, "20000000", 1e7f},
        {"resistor with a suffix", 0, "4.7k", 4700},
        {"capacitor at 1 pF stays", 3, "1p", 1e-12f},
        {"capacitor below 1 pF", 3, "0.1p", 1e-12f},
        {"capacitor above 10 uF", 4, "100u", 1e-5f},
        {"unreadable text gives 0, raised to the bound", 1, "abc", 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w;
        w.click("cmdEditPart");
        const DesignState before = w.record();
        Type(w.box(Name("txt", c.part, "value").c_str()), c.typed);
        w.click("cmdEnterAll");
        DesignState& s = w.record();
        EXPECT_EQ(PartOf(s, 1, c.part), c.stored);
        const std::string text = c.part < 3 ? FormatValue(c.stored) : FormatCap(c.stored);
        EXPECT_EQ(Text(w.box(Name("txt", c.part, "value").c_str())), text);
        EXPECT_EQ(Text(w.label(Name("lbl", c.part, "editValue").c_str())), Trimmed(text));
        // The untouched parts read back as they were shown, within their rounding.
        for (int q = 0; q < 5; ++q)
            if (q != c.part) {
                EXPECT_NEAR(PartOf(s, 1, q) / PartOf(before, 1, q), 1.0, 1e-3) << kPartNames[q];
            }
        EXPECT_EQ(s.ManualEntry, 1);
    }
}

TEST_F(PlotWindowTest, StageSelectorsMoveBetweenOneAndOrder)
{
    struct Case {
        const char* name;
        int order;
        const char* panel;
        const char* selector;
        const char* number;
        int clicksUp;
        int stage;
    };
    const std::vector<Case> cases = {
        {"tuning group to stage 2", 2, "cmdTunePart", "UpDown1", "lblStage", 1, 2},
        {"tuning group stops at Order", 2, "cmdTunePart", "UpDown1", "lblStage", 3, 2},
        {"editing group to stage 3", 3, "cmdEditPart", "UpDown2", "lblStageEdit", 2, 3},
        {"one stage stays at 1", 1, "cmdTunePart", "UpDown1", "lblStage", 2, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w([&](DesignState& s) {
            s.Order = static_cast<Integer>(c.order);
            if (c.order > 2)
                for (int k = 3; k <= c.order; ++k)
                    s.C[k] = {0, 1e-8f, 1e-8f};
            RunDesignChain(s);
        });
        w.click(c.panel);
        auto* selector = w.window->findChild<UpDown*>(c.selector);
        ASSERT_NE(selector, nullptr);
        for (int i = 0; i < c.clicksUp; ++i)
            Click(selector->upButton());
        EXPECT_EQ(w.window->CurrentStage, c.stage);
        EXPECT_EQ(Text(w.label(c.number)), std::to_string(c.stage));
        const DesignState& s = w.record();
        if (std::string(c.selector) == "UpDown1") {
            EXPECT_EQ(Text(w.label("lblR2value")), Trimmed(FormatValue(s.R[c.stage][2])));
            EXPECT_EQ(Text(w.label("lblStageFreq")), "Stage freq: " + Trimmed(FormatEng(s.StageFoActual[c.stage])));
        } else {
            EXPECT_EQ(Text(w.box("txtR2value")), FormatValue(s.R[c.stage][2]));
            EXPECT_EQ(Text(w.label("lblC1editValue")), Trimmed(FormatCap(s.C[c.stage][1])));
        }
    }
}

TEST_F(PlotWindowTest, BothSelectorsShowTheSharedStageWhenTheirGroupOpens)
{
    PlotWindow w;
    w.click("cmdTunePart");
    Click(w.window->findChild<UpDown*>("UpDown1")->upButton());
    w.click("cmdReset");
    w.click("cmdEditPart");
    EXPECT_EQ(Text(w.label("lblStageEdit")), "2");
    EXPECT_EQ(Text(w.box("txtR1value")), FormatValue(w.record().R[2][1]));
}

TEST_F(PlotWindowTest, CenterAndWidthStepsRedesignOnlyWhilePartsAreNotTheDesign)
{
    struct Case {
        const char* name;
        const char* button;
        int manual;
        float center, width;  // after the step
        const char* label;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"centre up", "cmdCenterUp", 0, 1000 * 1.01f, 200, "lblCenter", "Center freq: 1.01k"},
        {"centre down", "cmdCenterDown", 0, 1000 / 1.01f, 200, "lblCenter", "Center freq: 990.1"},
        {"width up", "cmdWidthUp", 0, 1000, 200 * 1.01f, "lblWidth", "Width: 202"},
        {"width down", "cmdWidthDown", 0, 1000, 200 / 1.01f, "lblWidth", "Width: 198.02"},
        {"centre up, manual entry", "cmdCenterUp", 1, 1000 * 1.01f, 200, "lblCenter", "Center freq: 1.01k"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w([&](DesignState& s) { s.ManualEntry = 0; });
        w.click("cmdTuneCenterWidth");
        w.record().ManualEntry = static_cast<Integer>(c.manual);
        const DesignState before = w.record();
        w.drawing().Forget();
        w.click(c.button);
        const DesignState& s = w.record();
        EXPECT_EQ(s.Center, c.center);
        EXPECT_EQ(s.Width, c.width);
        EXPECT_EQ(Text(w.label(c.label)), c.text);
        EXPECT_NE(w.drawing().FindText("Gain, dB:"), nullptr);
        if (c.manual == 1) {
            // The parts are the design: nothing moves, the response stays.
            EXPECT_EQ(s.R, before.R);
            EXPECT_EQ(s.C, before.C);
            EXPECT_EQ(s.GainDB, before.GainDB);
        } else {
            // The two stages of a bandpass pair sit geometrically about the centre.
            EXPECT_NEAR(std::sqrt(double(s.StageFoActual[1]) * s.StageFoActual[2]), c.center, 1e-3 * c.center);
            EXPECT_NE(s.R, before.R);
        }
    }
}

TEST_F(PlotWindowTest, NegativeWarningFollowsTheParts)
{
    struct Case {
        const char* name;
        int manual;
        const char* action;
        bool shownAfter;
    };
    const std::vector<Case> cases = {
        {"centre step redesigns sound parts: hidden", 0, "cmdCenterUp", false},
        {"centre step keeps manual parts: still shown", 1, "cmdCenterUp", true},
        {"Clear shows it", 1, "cmdReset", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w([&](DesignState& s) {
            s.ManualEntry = static_cast<Integer>(c.manual);
            s.R[1][2] = -100;
        });
        EXPECT_TRUE(Shown(w.label("lblNegative")));
        if (std::string(c.action) == "cmdCenterUp")
            w.click("cmdTuneCenterWidth");
        w.click(c.action);
        EXPECT_EQ(Shown(w.label("lblNegative")), c.shownAfter);
    }

    // The part steps leave the label as it was, even once no part is negative.
    PlotWindow w([](DesignState& s) {
        s.ManualEntry = 1;
        s.R[1][2] = -100;
    });
    w.click("cmdEditPart");
    Type(w.box("txtR2value"), "1k");
    w.click("cmdEnterAll");
    EXPECT_GT(w.record().R[1][2], 0);
    EXPECT_TRUE(Shown(w.label("lblNegative")));
}

TEST_F(PlotWindowTest, NearestFivePercentAndRestoreAlternate)
{
    struct Case {
        const char* name;
        int manualBefore;
    };
    const std::vector<Case> cases = {{"family design", 0}, {"manual entry", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w([&](DesignState& s) { s.ManualEntry = static_cast<Integer>(c.manualBefore); });
        const DesignState before = w.record();

        w.click("cmdNearest5");
        DesignState& s = w.record();
        EXPECT_EQ(s.ManualEntry, 1);
        EXPECT_TRUE(w.button("cmdRestore")->isEnabled());
        EXPECT_FALSE(w.button("cmdNearest5")->isEnabled());
        for (int k = 1; k <= 2; ++k)
            for (int j = 1; j <= 3; ++j)
                EXPECT_TRUE(IsE24Value(s.R[k][j])) << s.R[k][j];
        EXPECT_EQ(s.C, before.C);
        EXPECT_NE(s.GainDB, before.GainDB);

        w.click("cmdRestore");
        EXPECT_EQ(s.R, before.R);
        EXPECT_EQ(s.C, before.C);
        EXPECT_EQ(s.GainDB, before.GainDB);
        EXPECT_EQ(s.StageFoActual, before.StageFoActual);
        EXPECT_EQ(s.ManualEntry, 0);
        EXPECT_FALSE(w.button("cmdRestore")->isEnabled());
        EXPECT_TRUE(w.button("cmdNearest5")->isEnabled());
    }
}

TEST_F(PlotWindowTest, ClearClosesThePanelsAndRestoresTheButtons)
{
    struct Case {
        const char* name;
        std::vector<const char*> before;
        bool tuneCenterAfter;
        bool restoreAfter;
    };
    const std::vector<Case> cases = {
        {"after Edit part: manual entry keeps Tune Fo/Fc off", {"cmdEditPart"}, false, false},
        {"after Tune Fo/Fc on a family design", {"cmdTuneCenterWidth"}, true, false},
        {"Restore keeps its state", {"cmdNearest5", "cmdTunePart"}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlotWindow w;
        for (const char* b : c.before)
            w.click(b);
        w.drawing().Forget();
        w.click("cmdReset");
        EXPECT_EQ(w.window->ReadoutOff, 0);
        EXPECT_TRUE(w.button("cmdTunePart")->isEnabled());
        EXPECT_TRUE(w.button("cmdEditPart")->isEnabled());
        EXPECT_TRUE(w.button("cmdNearest5")->isEnabled());
        EXPECT_EQ(w.button("cmdTuneCenterWidth")->isEnabled(), c.tuneCenterAfter);
        EXPECT_EQ(w.button("cmdPoles")->isEnabled(), c.tuneCenterAfter);
        EXPECT_EQ(w.button("cmdRestore")->isEnabled(), c.restoreAfter);
        for (const char* name : {"lblStage", "lblStageFreq", "lblStageQ", "lblStageEdit", "lblCenter", "lblR1value"})
            EXPECT_FALSE(Shown(w.label(name))) << name;
        for (const char* name : {"cmdEnterAll", "cmdR1up", "cmdCenterUp", "cmdWidthDown"})
            EXPECT_FALSE(Shown(w.button(name))) << name;
        EXPECT_NE(w.drawing().FindText("Mouseover plot for data"), nullptr);
    }
}

TEST_F(PlotWindowTest, TunePartShowsThePartsAsTheyAreNow)
{
    PlotWindow w;
    w.click("cmdNearest5");
    w.click("cmdTunePart");
    EXPECT_EQ(Text(w.label("lblR1value")), Trimmed(FormatValue(w.record().R[1][1])));
    EXPECT_EQ(Text(w.label("lblStageFreq")), "Stage freq: " + Trimmed(FormatEng(w.record().StageFoActual[1])));
}

TEST_F(PlotWindowTest, InvalidStageSaysSoInThePanel)
{
    PlotWindow w([](DesignState& s) {
        s.ManualEntry = 1;
        s.R[1][2] = -100;
        RunDesignChain(s);
    });
    w.click("cmdTunePart");
    EXPECT_EQ(Text(w.label("lblStageFreq")), "Stage freq: invalid");
    EXPECT_EQ(Text(w.label("lblStageQ")), "Stage Q: invalid");
}

TEST_F(PlotWindowTest, OverlaysAreSavedAndDrawnOverThePlot)
{
    struct Case {
        const char* name;
        bool save;
        std::vector<const char*> removeAfterSave;
        int showPhase, showDelay;
        int messages;
        int gainCurves, phaseCurves, delayCurves;
    };
    const std::vector<Case> cases = {
        {"no files: the message once, nothing drawn", false, {}, 0, 0, 1, 0, 0, 0},
        {"saved, gain only shown", true, {}, 0, 0, 0, 1, 0, 0},
        {"saved, all shown", true, {}, 1, 1, 0, 1, 1, 1},
        {"phase file missing: gain drawn, then the message", true, {kOverlayPhaseFileName}, 1, 1, 1, 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* f : {kOverlayGainFileName, kOverlayPhaseFileName, kOverlayDelayFileName})
            std::filesystem::remove(f);
        PlotWindow w([&](DesignState& s) {
            s.ShowPhase = static_cast<Integer>(c.showPhase);
            s.ShowDelay = static_cast<Integer>(c.showDelay);
        });
        if (c.save) {
            w.click("cmdSavePlot");
            EXPECT_EQ(FileLines(kOverlayGainFileName).size(), 1001u);
            EXPECT_EQ(FileLines(kOverlayDelayFileName).size(), 1001u);
        }
        for (const char* f : c.removeAfterSave)
            std::filesystem::remove(f);
        w.drawing().Forget();
        w.click("cmdGetPlot");
        ASSERT_EQ(static_cast<int>(w.platform().messages.size()), c.messages);
        if (!c.save) {
            EXPECT_TRUE(w.drawing().primitives.empty());
        }
        if (c.messages > 0) {
            const auto& m = w.platform().messages[0];
            EXPECT_EQ(m.text, "File enabling overlay has not been written;\r\nClick on 'Save plot' first.");
            EXPECT_EQ(m.caption, "File-present test");
            EXPECT_EQ(m.icon, MessageIcon::Exclamation);
        }
        auto count = [&](Rgb colour) {
            int n = 0;
            for (const auto& p : w.drawing().OfKind(Kind::Polyline))
                if (p.colour == colour && p.points.size() == 1001)
                    ++n;
            return n;
        };
        EXPECT_EQ(count({170, 170, 255}), c.gainCurves);
        EXPECT_EQ(count({0, 255, 0}), c.phaseCurves);
        EXPECT_EQ(count({204, 102, 102}), c.delayCurves);
        // Nothing is erased first: the overlay goes over the plot as it stands.
        EXPECT_EQ(w.drawing().FindText("Gain, dB:"), nullptr);
        if (c.gainCurves > 0) {
            // The stored gain lies on the present one: same points, same place.
            const auto curve = w.drawing().OfKind(Kind::Polyline).front();
            EXPECT_NEAR(curve.points[500].x, 6500, 0.01);
            EXPECT_NEAR(curve.points[500].y, 1000 - 6000 * (w.record().GainDB[500] - 10) / 30.0, 0.01);
        }
    }
}

TEST_F(PlotWindowTest, SideButtonsReachTheirWindowsAndThePrinter)
{
    PlotWindow w;
    int poles = 0;
    w.program->navigator.SetFactory(WindowKind::Poles, [&](Navigator& n) {
        ++poles;
        return new FormWindow(n, WindowKind::Poles);
    });
    w.click("cmdPoles");
    EXPECT_EQ(poles, 1);

    int printed = 0;
    SetPlotPrinter([&](DesignState&, Platform&) { ++printed; });
    w.click("cmdPrint");
    SetPlotPrinter({});
    EXPECT_EQ(printed, 1);
}

} // namespace
} // namespace stelvane
