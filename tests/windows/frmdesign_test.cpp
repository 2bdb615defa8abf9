#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "windows/frmdesign.h"
#include "windows/updown.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;

// One design window on the scripted platform, opened on a record that starts
// from the start-up defaults and is then changed by the case.
struct DesignWindow {
    explicit DesignWindow(const std::function<void(DesignState&)>& prepare = {})
    {
        InstallStartDefaults(program->record);
        if (prepare)
            prepare(program->record);
        window = program->Open<frmDesign>(WindowKind::Design);
    }
    DesignState& record() { return program->record; }
    ScriptedPlatform& platform() { return program->platform; }

    std::unique_ptr<Program> program = std::make_unique<Program>(false);
    frmDesign* window = nullptr;
};

class DesignWindowTest : public ::testing::Test {
protected:
    TemporaryWorkingDirectory dir;
};

TEST_F(DesignWindowTest, FillingShowsTheRecordAndParsesTheScalesBack)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        std::function<void(frmDesign&, DesignState&)> check;
    };
    const std::vector<Case> cases = {
        {"start-up defaults",
         nullptr,
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(Text(w.txtCenter), "1k ");
             EXPECT_EQ(Text(w.txtWidth), "200  ");
             EXPECT_EQ(Text(w.txtGain), " 0       ");
             EXPECT_EQ(Text(w.lblOrderInput), "2 ");
             EXPECT_EQ(Text(w.txtCaps), "0.01uF");
             EXPECT_EQ(Text(w.txtApass), "0.2 ");
             EXPECT_EQ(Text(w.txtStart), "500  ");
             EXPECT_EQ(Text(w.txtStop), "2k ");
             EXPECT_EQ(Text(w.txtInts), "1k");
             EXPECT_EQ(Text(w.txtdBTop), "10 ");
             EXPECT_EQ(Text(w.txtdBBottom), "-20 ");
             EXPECT_EQ(Text(w.txtDelay), "1m");
             EXPECT_EQ(Text(w.lblNrX), "10");
             EXPECT_EQ(Text(w.lblNrY), "6");
             EXPECT_EQ(Text(w.lblNrXintervals), "Nr of X intervals: ");
             // (2000 - 500) / 10, |10 - -20| / 6 and 0.001 / 6
             EXPECT_EQ(Text(w.lblPerXinterval), "per interval 150 Hz");
             EXPECT_EQ(Text(w.lblPerYinterval), "per interval: 5dB");
             EXPECT_EQ(Text(w.lblPerYintervalDelay), "per interval: 166.7us");
             EXPECT_TRUE(w.optButterworth->isChecked());
             EXPECT_TRUE(w.optLinear->isChecked());
             EXPECT_FALSE(w.txtApass->isEnabled());
             EXPECT_FALSE(w.optSpecd->isEnabled());
             EXPECT_TRUE(w.lblNrXintervals->isEnabled());
             EXPECT_EQ(s.ManualEntry, 0);
         }},
        {"a start of 1234.5678 is shown as 1.2346k and read back as 1234.6",
         [](DesignState& s) { s.Fstart = 1234.5678f; },
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(Text(w.txtStart), "1.2346k ");
             EXPECT_NEAR(s.Fstart, 1234.6, 1e-3);
         }},
        {"scale fields are rounded to their texts",
         [](DesignState& s) {
             s.Fstop = 2345.678f;
             s.dBTop = 12.34567f;
             s.dBBottom = -0.000001f;
             s.DelayTop = 0.00123456f;
         },
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(Text(w.txtStop), "2.3457k ");
             EXPECT_NEAR(s.Fstop, 2345.7, 1e-3);
             EXPECT_EQ(Text(w.txtdBTop), "12.346 ");
             EXPECT_NEAR(s.dBTop, 12.346, 1e-5);
             EXPECT_EQ(s.dBBottom, 0.0f);  // too small for its text
             EXPECT_EQ(Text(w.txtDelay), "1.235m");
             EXPECT_NEAR(s.DelayTop, 0.001235, 1e-9);
         }},
        {"the Y label of 10 and -50 over 6 intervals",
         [](DesignState& s) {
             s.dBTop = 10;
             s.dBBottom = -50;
             s.NrY = 6;
         },
         [](frmDesign& w, DesignState&) { EXPECT_EQ(Text(w.lblPerYinterval), "per interval: 10dB"); }},
        {"the Y label shows no sign",
         [](DesignState& s) {
             s.dBTop = -50;
             s.dBBottom = 10;
             s.NrY = 6;
         },
         [](frmDesign& w, DesignState&) { EXPECT_EQ(Text(w.lblPerYinterval), "per interval: 10dB"); }},
        {"a negative delay top gives a negative delay figure",
         [](DesignState& s) {
             s.DelayTop = -0.012f;
             s.NrY = 6;
         },
         [](frmDesign& w, DesignState&) { EXPECT_EQ(Text(w.lblPerYintervalDelay), "per interval: -2ms"); }},
        {"the X label of 1000 to 3000 over 10 intervals, load wording",
         [](DesignState& s) {
             s.Fstart = 1000;
             s.Fstop = 3000;
             s.NrX = 10;
         },
         [](frmDesign& w, DesignState&) { EXPECT_EQ(Text(w.lblPerXinterval), "per interval 200 Hz"); }},
        {"a start above the stop, load wording",
         [](DesignState& s) {
             s.Fstart = 3000;
             s.Fstop = 1000;
             s.NrX = 10;
         },
         [](frmDesign& w, DesignState&) { EXPECT_EQ(Text(w.lblPerXinterval), "per interval 200000m Hz"); }},
        {"counts of 0 from a file give no per-interval figure",
         [](DesignState& s) {
             s.NrX = 0;
             s.NrY = 0;
         },
         [](frmDesign& w, DesignState&) {
             EXPECT_EQ(Text(w.lblPerXinterval), "per interval - Hz");
             EXPECT_EQ(Text(w.lblPerYinterval), "per interval: -dB");
             EXPECT_EQ(Text(w.lblPerYintervalDelay), "per interval: -s");
         }},
        {"a first capacitor of 0 becomes 10 nF",
         [](DesignState& s) { s.C[1][1] = 0; },
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.C[1][1], 1e-8f);
             EXPECT_EQ(Text(w.txtCaps), "0.01uF");
         }},
        {"unset opamp fields get their start-up values",
         nullptr,
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.DCGain, 1e5f);
             EXPECT_EQ(s.GBW, 1e7f);
             EXPECT_EQ(s.Zin, 1e6f);
             EXPECT_EQ(Text(w.txtGainDC), "100k");
             EXPECT_EQ(Text(w.txtGBW), "10M ");
             EXPECT_EQ(Text(w.txtZin), "1M");
         }},
        {"a negative DC gain gets the start-up value too",
         [](DesignState& s) { s.DCGain = -3; },
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.DCGain, 1e5f);
             EXPECT_EQ(Text(w.txtGainDC), "100k");
         }},
        {"Chebyshev keeps its ripple and opens the ripple box",
         [](DesignState& s) {
             s.Family = 2;
             s.Apass = 0.5f;
         },
         [](frmDesign& w, DesignState& s) {
             EXPECT_TRUE(w.optChebyshev->isChecked());
             EXPECT_TRUE(w.txtApass->isEnabled());
             EXPECT_TRUE(w.lblApass->isEnabled());
             EXPECT_EQ(Text(w.txtApass), "0.5 ");
             EXPECT_EQ(s.Apass, 0.5f);
         }},
        {"Bessel clears the ripple",
         [](DesignState& s) { s.Family = 3; },
         [](frmDesign& w, DesignState& s) {
             EXPECT_TRUE(w.optBessel->isChecked());
             EXPECT_EQ(s.Apass, 0.0f);
             EXPECT_EQ(Text(w.txtApass), " 0       ");
             EXPECT_FALSE(w.txtApass->isEnabled());
         }},
        {"manual entry locks the design inputs",
         [](DesignState& s) { s.ManualEntry = 1; },
         [](frmDesign& w, DesignState& s) {
             EXPECT_TRUE(w.optManual->isChecked());
             EXPECT_EQ(s.ManualEntry, 1);
             for (QWidget* c : std::initializer_list<QWidget*>{w.lblCenter, w.txtCenter, w.lblWidth, w.txtWidth,
                                                               w.lblGain, w.txtGain, w.lblCaps, w.txtCaps, w.lblOrder,
                                                               w.lblOrderInput, w.UpDown1}) {
                 SCOPED_TRACE(c->objectName().toStdString());
                 EXPECT_FALSE(c->isEnabled());
             }
         }},
        {"a family the window has no option for leaves the options alone",
         [](DesignState& s) {
             s.Family = 4;
             s.Apass = 0.2f;
         },
         [](frmDesign& w, DesignState& s) {
             EXPECT_TRUE(w.optButterworth->isChecked());
             EXPECT_EQ(s.Family, 4);
             EXPECT_EQ(s.Apass, 0.2f);  // no reaction ran
         }},
        {"a log sweep greys the X count",
         [](DesignState& s) { s.Sweep = 2; },
         [](frmDesign& w, DesignState&) {
             EXPECT_TRUE(w.optLog->isChecked());
             EXPECT_FALSE(w.optLinear->isChecked());
             EXPECT_FALSE(w.lblNrXintervals->isEnabled());
             EXPECT_FALSE(w.lblNrX->isEnabled());
             EXPECT_FALSE(w.UpDown2->isEnabled());
             EXPECT_FALSE(w.lblPerXinterval->isEnabled());
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignWindow d(c.prepare);
        ASSERT_NE(d.window, nullptr);
        c.check(*d.window, d.record());
        EXPECT_TRUE(d.platform().messages.empty());
    }
}

TEST_F(DesignWindowTest, PanelsArePaintedWhiteWithDarkOutlines)
{
    DesignWindow d;
    const RecordingCanvas& drawing = d.platform().Drawing("frmDesign");
    const auto fills = drawing.OfKind(CanvasPrimitive::Kind::FillBox);
    const auto outlines = drawing.OfKind(CanvasPrimitive::Kind::OutlineBox);
    const struct {
        const char* name;
        CanvasPoint topLeft, bottomRight;
    } panels[] = {
        {"Design", {1700, 1300}, {5000, 8000}},
        {"Analysis", {5100, 1300}, {8200, 5000}},
        {"Graph", {8300, 1300}, {11500, 6700}},
        {"Opamp", {5100, 5200}, {8200, 8000}},
    };
    ASSERT_EQ(fills.size(), 4u);
    ASSERT_EQ(outlines.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(panels[i].name);
        EXPECT_EQ(fills[i].points, (std::vector<CanvasPoint>{panels[i].topLeft, panels[i].bottomRight}));
        EXPECT_EQ(fills[i].colour, kWhite);
        EXPECT_EQ(outlines[i].points, fills[i].points);
        EXPECT_EQ(outlines[i].colour, (Rgb{17, 17, 17}));
    }
}

TEST_F(DesignWindowTest, FamilyOptionsSetManualEntryRippleAndEditableFields)
{
    struct Case {
        const char* name;
        std::vector<const char*> clicks;
        Integer manualEntry;
        float apass;
        const char* apassText;
        bool specificationEnabled;
        bool rippleEnabled;
    };
    const std::vector<Case> cases = {
        {"Chebyshev keeps a ripple it has", {"optChebyshev"}, 0, 0.2f, "0.2 ", true, true},
        {"Butterworth clears the ripple", {"optChebyshev", "optButterworth"}, 0, 0.0f, "0", true, false},
        {"Chebyshev, Butterworth, Chebyshev leaves 0.001",
         {"optChebyshev", "optButterworth", "optChebyshev"},
         0,
         0.001f,
         ".001",
         true,
         true},
        {"Bessel clears the ripple", {"optBessel"}, 0, 0.0f, "0", true, false},
        {"manual entry", {"optManual"}, 1, 0.2f, "0.2 ", false, false},
        {"manual entry, then Chebyshev", {"optManual", "optChebyshev"}, 0, 0.2f, "0.2 ", true, true},
        {"the given-poles option cannot be chosen", {"optSpecd"}, 0, 0.2f, "0.2 ", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignWindow d;
        for (const char* name : c.clicks)
            Click(d.window->findChild<QRadioButton*>(name));
        const DesignState& s = d.record();
        EXPECT_EQ(s.ManualEntry, c.manualEntry);
        EXPECT_FLOAT_EQ(s.Apass, c.apass);
        EXPECT_EQ(Text(d.window->txtApass), c.apassText);
        EXPECT_EQ(d.window->txtCenter->isEnabled(), c.specificationEnabled);
        EXPECT_EQ(d.window->UpDown1->isEnabled(), c.specificationEnabled);
        EXPECT_EQ(d.window->lblOrderInput->isEnabled(), c.specificationEnabled);
        EXPECT_EQ(d.window->txtApass->isEnabled(), c.rippleEnabled);
        EXPECT_EQ(d.window->lblApass->isEnabled(), c.rippleEnabled);
        EXPECT_FALSE(d.window->optSpecd->isChecked());
    }
}

TEST_F(DesignWindowTest, SweepOptionsGreyTheXCount)
{
    struct Case {
        const char* name;
        std::vector<const char*> clicks;
        bool enabled;
    };
    const std::vector<Case> cases = {
        {"log", {"optLog"}, false},
        {"log, then linear", {"optLog", "optLinear"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignWindow d;
        for (const char* name : c.clicks)
            Click(d.window->findChild<QRadioButton*>(name));
        for (QWidget* w : std::initializer_list<QWidget*>{d.window->lblNrXintervals, d.window->lblNrX,
                                                          d.window->UpDown2, d.window->lblPerXinterval}) {
            SCOPED_TRACE(w->objectName().toStdString());
            EXPECT_EQ(w->isEnabled(), c.enabled);
        }
        EXPECT_EQ(d.record().Sweep, 1);  // the record learns the sweep in the Enter step
    }
}

TEST_F(DesignWindowTest, TypingIntoSweepAndScaleFieldsWritesTheRecord)
{
    struct Typing {
        const char* box;
        const char* text;
    };
    struct Case {
        const char* name;
        std::vector<Typing> typing;
        std::function<void(frmDesign&, DesignState&)> check;
    };
    const std::vector<Case> cases = {
        {"gain top",
         {{"txtdBTop", "20"}},
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.dBTop, 20.0f);
             EXPECT_EQ(Text(w.lblPerYinterval), "per interval: 6.6667dB");  // 40 / 6
         }},
        {"gain bottom",
         {{"txtdBBottom", "-50"}},
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.dBBottom, -50.0f);
             EXPECT_EQ(Text(w.lblPerYinterval), "per interval: 10dB");
         }},
        {"delay top",
         {{"txtDelay", "12m"}},
         [](frmDesign& w, DesignState& s) {
             EXPECT_FLOAT_EQ(s.DelayTop, 0.012f);
             EXPECT_EQ(Text(w.lblPerYintervalDelay), "per interval: 2ms");
         }},
        {"start and stop, change wording",
         {{"txtStart", "1000"}, {"txtStop", "3000"}},
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.Fstart, 1000.0f);
             EXPECT_EQ(s.Fstop, 3000.0f);
             EXPECT_EQ(Text(w.lblPerXinterval), "200Hz per interval");
         }},
        {"a start above the stop",
         {{"txtStop", "1k"}, {"txtStart", "3k"}},
         [](frmDesign& w, DesignState&) { EXPECT_EQ(Text(w.lblPerXinterval), "200000mHz per interval"); }},
        {"text that is no number parses to 0",
         {{"txtStart", "abc"}},
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.Fstart, 0.0f);
             EXPECT_EQ(Text(w.lblPerXinterval), "200Hz per interval");  // (2000 - 0) / 10
         }},
        {"fields the Enter step reads stay out of the record",
         {{"txtCenter", "2k"}, {"txtWidth", "300"}, {"txtGain", "6"}, {"txtInts", "50"}, {"txtGainDC", "5"}},
         [](frmDesign&, DesignState& s) {
             EXPECT_EQ(s.Center, 1000.0f);
             EXPECT_EQ(s.Width, 200.0f);
             EXPECT_EQ(s.Gain, 0.0f);
             EXPECT_EQ(s.NrInts, 1000);
             EXPECT_EQ(s.DCGain, 1e5f);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignWindow d;
        for (const Typing& t : c.typing)
            Type(d.window->findChild<QLineEdit*>(t.box), t.text);
        c.check(*d.window, d.record());
    }
}

TEST_F(DesignWindowTest, CountControlsStepAndKeepTheirRange)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        const char* control;  // UpDown1, UpDown2, UpDown3
        int clicks;           // positive: up, negative: down
        const char* shown;
        std::function<void(frmDesign&, DesignState&)> check;
    };
    const std::vector<Case> cases = {
        {"X count up", nullptr, "UpDown2", 1, "11",
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.NrX, 11);
             EXPECT_EQ(Text(w.lblPerXinterval), "136.36Hz per interval");  // 1500 / 11
         }},
        {"X count stops at 12", nullptr, "UpDown2", 5, "12",
         [](frmDesign&, DesignState& s) { EXPECT_EQ(s.NrX, 12); }},
        {"X count put back to 1", [](DesignState& s) { s.NrX = 1; }, "UpDown2", -1, "1",
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.NrX, 1);
             EXPECT_EQ(Text(w.lblPerXinterval), "1.5kHz per interval");
         }},
        {"X count from a file above 12 put back to 12", [](DesignState& s) { s.NrX = 15; }, "UpDown2", 1, "12",
         [](frmDesign&, DesignState& s) { EXPECT_EQ(s.NrX, 12); }},
        {"Y count down", nullptr, "UpDown3", -1, "5",
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.NrY, 5);
             EXPECT_EQ(Text(w.lblPerYinterval), "per interval: 6dB");
             EXPECT_EQ(Text(w.lblPerYintervalDelay), "per interval: 200us");
         }},
        {"Y count put back to 1", [](DesignState& s) { s.NrY = 1; }, "UpDown3", -2, "1",
         [](frmDesign& w, DesignState& s) {
             EXPECT_EQ(s.NrY, 1);
             EXPECT_EQ(Text(w.lblPerYinterval), "per interval: 30dB");
         }},
        {"Y count stops at 12", [](DesignState& s) { s.NrY = 11; }, "UpDown3", 3, "12",
         [](frmDesign&, DesignState& s) { EXPECT_EQ(s.NrY, 12); }},
        {"order up", nullptr, "UpDown1", 1, "3",
         [](frmDesign&, DesignState& s) { EXPECT_EQ(s.Order, 2); }},  // read by the Enter step only
        {"order stops at 21", [](DesignState& s) { s.Order = 20; }, "UpDown1", 3, "21", nullptr},
        {"order stops at 1", [](DesignState& s) { s.Order = 1; }, "UpDown1", -2, "1 ", nullptr},  // as filled
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignWindow d(c.prepare);
        auto* spinner = d.window->findChild<UpDown*>(c.control);
        ASSERT_NE(spinner, nullptr);
        for (int i = 0; i < std::abs(c.clicks); ++i)
            Click(c.clicks > 0 ? static_cast<QWidget*>(spinner->upButton()) : spinner->downButton());
        QLabel* buddy = c.control == std::string("UpDown1")   ? d.window->lblOrderInput
                        : c.control == std::string("UpDown2") ? d.window->lblNrX
                                                              : d.window->lblNrY;
        EXPECT_EQ(Text(buddy), c.shown);
        if (c.check)
            c.check(*d.window, d.record());
    }
}

TEST_F(DesignWindowTest, EnterStepClampsTheRippleAndTheSweepWithMessages)
{
    struct Case {
        const char* name;
        const char* ripple;
        const char* intervals;
        float apass;
        const char* apassShown;
        std::vector<std::string> messages;
        Integer nrInts;
        const char* intsShown;
    };
    const std::vector<Case> cases = {
        {"a ripple of 0 is reset to .001", "0", "1k", 0.001f, ".001", {"Passband ripple has been reset to .001 dB"},
         1000, "1k"},
        {"an empty ripple is reset to .001", "", "1k", 0.001f, ".001",
         {"Passband ripple has been reset to .001 dB"}, 1000, "1k"},
        {"a ripple of 25 is reset to 20", "25", "1k", 20.0f, "20", {"Passband ripple has been rest to 20 dB"}, 1000,
         "1k"},
        {"a ripple within range stays", "0.5", "1k", 0.5f, "0.5", {}, 1000, "1k"},
        {"a sweep of 5000 is cut to 2000", "0.5", "5000", 0.5f, "0.5", {}, 2000, "2000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignWindow d;
        Click(d.window->optChebyshev);
        Type(d.window->txtApass, c.ripple);
        Type(d.window->txtInts, c.intervals);
        Click(d.window->cmdPlot);  // no plot window in this build: the Enter step alone
        std::vector<std::string> shown;
        for (const auto& m : d.platform().messages) {
            shown.push_back(m.text);
            EXPECT_EQ(m.caption, "Stelvane");
        }
        EXPECT_EQ(shown, c.messages);
        EXPECT_FLOAT_EQ(d.record().Apass, c.apass);
        EXPECT_EQ(Text(d.window->txtApass), c.apassShown);
        EXPECT_EQ(d.record().Family, 2);
        EXPECT_EQ(d.record().NrInts, c.nrInts);
        EXPECT_EQ(Text(d.window->txtInts), c.intsShown);
    }
}

TEST_F(DesignWindowTest, DCGainOfZeroOrLessIsReplacedBeforeTheDesignUsesIt)
{
    struct Case {
        const char* typed;
        float dcGain;
        const char* shown;
    };
    const Case cases[] = {
        {"0", 1e5f, "100k"},
        {"-5", 1e5f, "100k"},
        {"abc", 1e5f, "100k"},
        {"50k", 5e4f, "50k"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        DesignWindow d;
        Type(d.window->txtGainDC, c.typed);
        Click(d.window->cmdPlot);
        const DesignState& s = d.record();
        EXPECT_EQ(s.DCGain, c.dcGain);
        EXPECT_EQ(Text(d.window->txtGainDC), c.shown);
        // The corrected resistors stay close to the ideal ones (the opamp
        // corrects by well under 1% here), which they could not do after a
        // division by a gain of 0.
        for (int k = 1; k <= s.Order; ++k)
            for (int j = 1; j <= 3; ++j) {
                SCOPED_TRACE("stage " + std::to_string(k) + " R" + std::to_string(j));
                ASSERT_TRUE(std::isfinite(s.Rs[k][j]));
                EXPECT_NEAR(s.Rs[k][j] / s.R[k][j], 1.0, 0.01);
                EXPECT_TRUE(std::isfinite(s.QFactor[k]));
                EXPECT_TRUE(std::isfinite(s.GainFactor[k]));
            }
    }
}

TEST_F(DesignWindowTest, EnterButtonDoesNothingOnItsOwnWindow)
{
    DesignWindow d;
    Type(d.window->txtCenter, "2k");
    Click(d.window->cmdDesign);
    EXPECT_EQ(d.record().Center, 1000.0f);
    EXPECT_EQ(d.program->navigator.Find(WindowKind::Design), d.window);
    EXPECT_EQ(d.program->navigator.OpenCount(), 1);
    EXPECT_TRUE(d.platform().messages.empty());
}

TEST_F(DesignWindowTest, ButtonsThatLeadOnRunTheEnterStepFirst)
{
    const char* buttons[] = {"cmdSchematic", "cmdPlot", "cmdTabulate", "cmdWrite", "cmdTest"};
    for (const char* name : buttons) {
        SCOPED_TRACE(name);
        DesignWindow d;
        Type(d.window->txtCenter, "2k");
        Click(d.window->findChild<QPushButton*>(name));
        EXPECT_EQ(d.record().Center, 2000.0f);
        // The design chain ran: the stage centres sit around the new centre.
        EXPECT_GT(d.record().StageF[1], 1500.0f);
        EXPECT_LT(d.record().StageF[1], 2500.0f);
    }
}

TEST_F(DesignWindowTest, ExitSavesWhatReachedTheRecord)
{
    DesignWindow d;
    Type(d.window->txtCenter, "2k");  // read only by the Enter step: not saved
    Type(d.window->txtStart, "700");  // writes itself back: saved
    Click(d.window->cmdQuit);
    const auto lines = FileLines(dir.Path() / "QUIBEX.LAST");
    ASSERT_EQ(lines.size(), 29u);  // 15 + 7 x 2 stages
    EXPECT_EQ(std::stod(lines[0]), 1000.0);
    EXPECT_EQ(std::stod(lines[6]), 700.0);
    EXPECT_EQ(d.program->endings, 1);
    EXPECT_EQ(d.program->navigator.OpenCount(), 0);
}

TEST_F(DesignWindowTest, SaveAsksForANameAndWritesOnlyWhenGivenOne)
{
    struct Case {
        const char* name;
        bool answer;
    };
    const Case cases[] = {{"cancelled", false}, {"answered", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignWindow d;
        const auto path = dir.Path() / (std::string(c.name) + ".QBX");
        if (c.answer)
            d.platform().AnswerFileDialog(path.string());
        else
            d.platform().CancelFileDialog();
        Type(d.window->txtCenter, "2k");
        Click(d.window->cmdSave);

        ASSERT_EQ(d.platform().dialogs.size(), 1u);
        const auto& dialog = d.platform().dialogs[0];
        EXPECT_EQ(dialog.kind, ScriptedPlatform::DialogKind::Save);
        EXPECT_EQ(dialog.request.title, "Save QUIBEX file");
        EXPECT_EQ(dialog.request.filter, "QUIBEX files (*.QBX)|*.QBX");
        EXPECT_TRUE(dialog.request.confirmOverwrite);
        EXPECT_EQ(d.record().Center, 2000.0f);  // the Enter step ran first
        EXPECT_EQ(d.platform().beeps, 0);
        if (c.answer) {
            const auto lines = FileLines(path);
            ASSERT_EQ(lines.size(), 29u);
            EXPECT_EQ(std::stod(lines[0]), 2000.0);
        } else {
            EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
        }
    }
}

TEST_F(DesignWindowTest, GetLoadsAFileAndFillsTheWindow)
{
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> makeFile;  // null: dialog cancelled
        std::vector<const char*> clicksBefore;
        std::function<void(frmDesign&, DesignState&, ScriptedPlatform&)> check;
    };
    const std::vector<Case> cases = {
        {"cancelled: nothing changes",
         nullptr,
         {},
         [](frmDesign& w, DesignState& s, ScriptedPlatform& p) {
             EXPECT_EQ(Text(w.txtCenter), "2k");  // the typed text is still there
             EXPECT_EQ(s.Center, 1000.0f);
             EXPECT_EQ(s.Order, 2);
             EXPECT_TRUE(p.messages.empty());
         }},
        {"a design is shown with the change wording",
         [](const std::filesystem::path& path) {
             FileDesign f;
             f.center = 3000;
             f.width = 500;
             f.order = 3;
             f.family = 2;
             f.apass = 0.5;
             f.fstart = 1000;
             f.fstop = 3000;
             f.nrX = 4;
             f.nrY = 5;
             f.dBTop = 20;
             f.dBBottom = -80;
             f.sweep = 2;
             WriteDesignText(path, f);
         },
         {},
         [](frmDesign& w, DesignState& s, ScriptedPlatform& p) {
             EXPECT_EQ(Text(w.txtCenter), "3k ");
             EXPECT_EQ(Text(w.txtWidth), "500  ");
             EXPECT_EQ(Text(w.lblOrderInput), "3 ");
             EXPECT_TRUE(w.optChebyshev->isChecked());
             EXPECT_EQ(Text(w.txtApass), "0.5 ");
             EXPECT_EQ(Text(w.lblNrX), "4");
             EXPECT_EQ(Text(w.lblNrY), "5");
             EXPECT_EQ(Text(w.lblPerXinterval), "500Hz per interval");
             EXPECT_EQ(Text(w.lblPerYinterval), "per interval: 20dB");
             EXPECT_EQ(Text(w.lblPerYintervalDelay), "per interval: 200us");
             EXPECT_TRUE(w.optLog->isChecked());
             EXPECT_FALSE(w.UpDown2->isEnabled());
             EXPECT_EQ(s.Order, 3);
             EXPECT_EQ(s.Center, 3000.0f);
             EXPECT_TRUE(p.messages.empty());
         }},
        {"a small delay top survives",
         [](const std::filesystem::path& path) {
             FileDesign f;
             f.delayTop = 5e-6;
             WriteDesignText(path, f);
         },
         {},
         [](frmDesign& w, DesignState& s, ScriptedPlatform&) {
             EXPECT_EQ(Text(w.txtDelay), "5u");
             EXPECT_NEAR(s.DelayTop, 5e-6, 1e-12);
         }},
        {"family 4 leaves the options as they were",
         [](const std::filesystem::path& path) {
             FileDesign f;
             f.family = 4;
             WriteDesignText(path, f);
         },
         {"optChebyshev"},
         [](frmDesign& w, DesignState& s, ScriptedPlatform&) {
             EXPECT_TRUE(w.optChebyshev->isChecked());
             EXPECT_EQ(s.Family, 4);
         }},
        {"an unreadable file leaves the design as it was",
         [](const std::filesystem::path& path) {
             std::ofstream out(path, std::ios::binary);
             out << "3000\r\n500\r\n";
         },
         {},
         [](frmDesign& w, DesignState& s, ScriptedPlatform&) {
             EXPECT_EQ(Text(w.txtCenter), "2k");
             EXPECT_EQ(s.Center, 1000.0f);
             EXPECT_EQ(s.Order, 2);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DesignWindow d;
        const auto path = dir.Path() / "design.QBX";
        if (c.makeFile) {
            c.makeFile(path);
            d.platform().AnswerFileDialog(path.string());
        } else {
            d.platform().CancelFileDialog();
        }
        for (const char* name : c.clicksBefore)
            Click(d.window->findChild<QRadioButton*>(name));
        Type(d.window->txtCenter, "2k");
        Click(d.window->cmdGet);
        ASSERT_EQ(d.platform().dialogs.size(), 1u);
        EXPECT_EQ(d.platform().dialogs[0].kind, ScriptedPlatform::DialogKind::Open);
        EXPECT_EQ(d.platform().dialogs[0].request.title, "Read QUIBEX file");
        EXPECT_EQ(d.platform().dialogs[0].request.filter, "QUIBEX files (*.QBX)|*.QBX");
        c.check(*d.window, d.record(), d.platform());
        std::filesystem::remove(path);
    }
}

} // namespace
} // namespace stelvane
