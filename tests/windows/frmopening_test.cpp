#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "windows/frmabout.h"
#include "windows/frmdesign.h"
#include "windows/frmopening.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;
using Kind = CanvasPrimitive::Kind;

constexpr Rgb kWire{0, 0, 204};
constexpr Rgb kBody{0, 0, 255};

class OpeningTest : public ::testing::Test {
protected:
    TemporaryWorkingDirectory dir;
};

// What the opening window had drawn when its message box came up.
struct StartRun {
    explicit StartRun(bool withLastSession, int lastOrder = 5)
    {
        if (withLastSession) {
            FileDesign f;
            f.order = lastOrder;
            f.center = 2500;
            WriteDesignText("QUIBEX.LAST", f);
        }
        program.platform.onMessage = [this](const ScriptedPlatform::Message&) {
            drawnAtMessage.push_back(program.platform.Drawing("frmOpening").primitives.size());
        };
        window = program.Open<frmOpening>(WindowKind::Opening);
    }
    const RecordingCanvas& drawing() { return program.platform.Drawing("frmOpening"); }

    Program program{false};
    frmOpening* window = nullptr;
    std::vector<std::size_t> drawnAtMessage;
};

TEST_F(OpeningTest, StartSequenceDrawsTwoStagesThenReadsTheLastSession)
{
    struct Case {
        const char* name;
        bool lastSession;
        std::vector<std::string> messages;
        Integer order;
        float center;
    };
    const std::vector<Case> cases = {
        {"without a last-session file", false, {"Last-session file not found; defaults installed"}, 2, 1000},
        {"with a five-stage last session", true, {}, 5, 2500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryWorkingDirectory here;
        StartRun run(c.lastSession);
        ASSERT_NE(run.window, nullptr);

        std::vector<std::string> shown;
        for (const auto& m : run.program.platform.messages)
            shown.push_back(m.text);
        EXPECT_EQ(shown, c.messages);
        // The message comes once the whole picture is drawn.
        for (std::size_t drawn : run.drawnAtMessage)
            EXPECT_EQ(drawn, run.drawing().primitives.size());

        // Two opamps numbered 1 and 2, whatever the last session's order.
        EXPECT_EQ(run.drawing().Texts(), (std::vector<std::string>{"1", "2"}));
        const DesignState& s = run.program.record;
        EXPECT_EQ(s.Order, c.order);
        EXPECT_EQ(s.Center, c.center);
        EXPECT_EQ(s.VersionText, "Version 2.03");
        EXPECT_FLOAT_EQ(s.Pi, 3.1415927f);
        EXPECT_EQ(Text(run.window->Label2), "Version 2.03");
    }
}

TEST_F(OpeningTest, DemonstrationCircuitHasTheSchematicGeometryInBlue)
{
    StartRun run(true);
    const auto& primitives = run.drawing().primitives;
    auto has = [&](Kind kind, std::vector<CanvasPoint> points, Rgb colour, double width) {
        return std::any_of(primitives.begin(), primitives.end(), [&](const CanvasPrimitive& p) {
            return p.kind == kind && p.points == points && p.colour == colour && p.width == width;
        });
    };
    // The source sits at 2000; stages start at 2240 and 6000; the output at 9760.
    struct Expected {
        const char* name;
        Kind kind;
        std::vector<CanvasPoint> points;
        Rgb colour;
        double width;
    };
    const std::vector<Expected> cases = {
        {"band", Kind::FillBox, {{1, 500}, {12400, 3600}}, kWhite, 0},
        {"band top edge", Kind::Line, {{1, 500}, {12400, 500}}, {17, 170, 170}, 2},
        {"band bottom edge", Kind::Line, {{1, 3600}, {12400, 3600}}, {17, 170, 170}, 2},
        {"source circle", Kind::Arc, {{2230, 2480}}, kWire, 3},
        {"source sine, left half", Kind::Arc, {{2170, 2480}}, kBody, 3},
        {"source sine, right half", Kind::Arc, {{2290, 2480}}, kBody, 3},
        {"source upper lead, short", Kind::Line, {{2240, 2000}, {2240, 2200}}, kBody, 3},
        {"source lower lead, short", Kind::Line, {{2240, 2750}, {2240, 3040}}, kWire, 3},
        {"source ground", Kind::Polyline, {{2140, 3040}, {2340, 3040}, {2240, 3140}, {2140, 3040}}, kWire, 3},
        {"stage 1 R1 lead", Kind::Line, {{2240, 2000}, {2500, 2000}}, kWire, 3},
        {"stage 1 R1 zigzag",
         Kind::Polyline,
         {{2500, 2000}, {2530, 1940}, {2590, 2060}, {2650, 1940}, {2710, 2060}, {2770, 1940}, {2830, 2060},
          {2860, 2000}},
         kBody,
         3},
        {"stage 1 C2 upper plate", Kind::Line, {{3810, 840}, {3810, 1080}}, kBody, 3},
        {"stage 1 feedback down to node A", Kind::Polyline, {{3440, 960}, {3440, 2000}, {3240, 2000}}, kWire, 3},
        {"stage 1 opamp input", Kind::Line, {{4000, 2000}, {4700, 2000}}, kWire, 3},
        {"stage 1 triangle", Kind::Line, {{4700, 1700}, {4700, 2800}}, kBody, 3},
        {"stage 1 output path",
         Kind::Polyline,
         {{5700, 2250}, {6000, 2250}, {6000, 960}, {4000, 960}},
         kWire,
         3},
        {"stage 2 triangle", Kind::Line, {{8460, 1700}, {8460, 2800}}, kBody, 3},
        {"stage 2 R3 ground", Kind::Polyline, {{8060, 3040}, {8260, 3040}, {8160, 3140}, {8060, 3040}}, kWire, 3},
        {"output lead", Kind::Line, {{9760, 2000}, {10060, 2000}}, kWire, 3},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(has(e.kind, e.points, e.colour, e.width));
    }
    // The stage numbers sit inside the opamps, in blue, in the heading size.
    const struct {
        const char* text;
        CanvasPoint at;
    } numbers[] = {{"1", {5000, 2150}}, {"2", {8760, 2150}}};
    for (const auto& n : numbers) {
        SCOPED_TRACE(n.text);
        const CanvasPrimitive* text = run.drawing().FindText(n.text);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->points[0], n.at);
        EXPECT_EQ(text->colour, kBody);
        EXPECT_NEAR(text->font.points, 9000 * 0.0012, 1e-9);
    }
    // Nothing of the circuit reaches right of the output lead.
    for (const CanvasPrimitive& p : primitives) {
        if (p.kind == Kind::FillBox || p.kind == Kind::Clear || p.width == 2)
            continue;  // the band spans the window
        for (const CanvasPoint& q : p.points)
            EXPECT_LE(q.x, 10060);
    }
}

TEST_F(OpeningTest, OpeningWindowTextsAndStart)
{
    StartRun run(true);
    frmOpening& w = *run.window;
    const struct {
        const char* name;
        QLabel* label;
        std::string text;
    } labels[] = {
        {"Label1", w.Label1, "Stelvane"},
        {"Label5", w.Label5, "The program to design and analyze multiple-feedback bandpass filters"},
        {"Label2", w.Label2, "Version 2.03"},
        {"Label4", w.Label4, kNoticeLine},
    };
    for (const auto& l : labels) {
        SCOPED_TRACE(l.name);
        EXPECT_EQ(Text(l.label), l.text);
        EXPECT_TRUE(l.label->alignment() & Qt::AlignHCenter);
        EXPECT_EQ(l.label->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    }
    EXPECT_EQ(Text(w.Label3).rfind("from Brellin Software:     ", 0), 0u);
    EXPECT_EQ(w.Label1->font().family().toStdString(), "Times New Roman");
    EXPECT_TRUE(w.Label1->font().bold());
    EXPECT_EQ(w.cmdStart->text().toStdString(), "Start");
    EXPECT_EQ(w.windowTitle().toStdString(), "      Stelvane - Welcome!");

    QPointer<FormWindow> opening = run.window;
    Click(w.cmdStart);
    FlushDeletes();
    EXPECT_TRUE(opening.isNull());
    auto* design = dynamic_cast<frmDesign*>(run.program.navigator.Find(WindowKind::Design));
    ASSERT_NE(design, nullptr);
    EXPECT_EQ(Text(design->txtCenter), "2.5k ");  // filled from the last session
    EXPECT_EQ(Text(design->lblOrderInput), "5 ");
    EXPECT_EQ(run.program.endings, 0);
}

TEST_F(OpeningTest, AboutTextAndReturn)
{
    const std::string text = AboutText();
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find("\r\n", from)) != std::string::npos; from = at + 2)
        lines.push_back(text.substr(from, at - from));
    EXPECT_EQ(from, text.size());  // every line ends with CR LF
    ASSERT_EQ(lines.size(), 6u);   // five lines and one more line break
    EXPECT_EQ(lines[0].rfind("QUIBEX 2.03", 0), 0u);
    EXPECT_GT(lines[0].size(), std::string("QUIBEX 2.03").size());  // with its author's credit
    EXPECT_EQ(lines[1], "of Brellin Software");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "Feedback and suggestions are welome.");
    EXPECT_FALSE(lines[4].empty());
    EXPECT_EQ(lines[5], "");

    Program program{false};
    InstallStartDefaults(program.record);
    program.navigator.Open(WindowKind::Design);
    auto* about = program.Open<frmAbout>(WindowKind::About);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle().toStdString(), "      QUIBEX - About");
    EXPECT_EQ(about->Label2->text().toStdString(), "QUIBEX 2.03 by Tom Brellin\nof Brellin Software\n\n"
                                                   "Feedback and suggestions are welome.\nEnjoy your filters!  -- Tom\n\n");
    // Its place is in twips, 15 to the pixel on the scripted screen.
    EXPECT_EQ(about->Label2->geometry(), QRect(24, 80, 409, 154));
    EXPECT_EQ(about->cmdReturn->text().toStdString(), "Return");
    EXPECT_FALSE(about->windowState() & Qt::WindowMaximized);

    FormWindow* design = program.navigator.Find(WindowKind::Design);
    Click(about->cmdReturn);
    FlushDeletes();
    EXPECT_EQ(program.navigator.Find(WindowKind::About), nullptr);
    EXPECT_EQ(program.navigator.Find(WindowKind::Design), design);  // brought to the front, not recreated
    EXPECT_EQ(program.endings, 0);
}

} // namespace
} // namespace stelvane
