#include <QListWidget>

#include <gtest/gtest.h>

#include "engine/standardseries.h"
#include "render/plotdrawing.h"
#include "windows/frmplot.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// A tune, a rounding and typed parts on the plot, then every step undone with
// Ctrl+Z and redone with Ctrl+Shift+Z and Ctrl+Y: at each step the parts are
// bit for bit those seen going forwards, the panel shows them and the gain
// curve is the one drawn then.
TEST(UndoWindows, EveryStepOnThePlotGoesBackAndForthBitForBit)
{
    Program p;
    p.Start({"cmdPlot"});
    const DesignState& s = p.record;
    struct Seen {
        ResArray r;
        CapArray c;
        std::string r1;
        std::vector<CanvasPoint> curve;
    };
    std::vector<Seen> seen;
    auto look = [&] {
        const CanvasPrimitive* curve = CurveIn(p.Drawing(Plot), kGainCurveColour);
        return Seen{s.R, s.C, p.Text(Plot, "lblR1value"), curve ? curve->points : std::vector<CanvasPoint>{}};
    };
    auto expectSeen = [&](std::size_t at) {
        SCOPED_TRACE(at);
        const Seen now = look();
        EXPECT_TRUE(now.r == seen[at].r && now.c == seen[at].c);
        EXPECT_EQ(now.r1, seen[at].r1);
        EXPECT_EQ(p.Text(Plot, "lblR1editValue"), now.r1);  // the open editing group shows them too
        EXPECT_EQ(now.curve, seen[at].curve);
        EXPECT_EQ(p.At(Plot, "cmdRedo")->isEnabled(), at + 1 < seen.size());
    };
    seen.push_back(look());
    for (const char* action : {"cmdTunePart", "cmdR1up", "cmdReset", "cmdNearest5", "cmdEditPart", "txtR2value=12k",
                               "cmdEnterAll"}) {
        for (auto& drawing : p.platform.drawings)
            drawing.second->Forget();
        p.Do(Plot, action);
        if (s.R != seen.back().r || s.C != seen.back().c || action == std::string("cmdTunePart"))
            seen.push_back(look());  // Tune part takes the parts into the user's hands: a step of its own
    }
    ASSERT_EQ(seen.size(), 5u);
    for (std::size_t at = seen.size() - 1; at-- > 0;) {
        p.PressKeys(Plot, Qt::Key_Z);
        expectSeen(at);
    }
    EXPECT_EQ(s.ManualEntry, 0);
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

// Every window takes the keys: a centre entered on the design window is
// undone and redone from it, and the window shows the design as it stands.
TEST(UndoWindows, EveryWindowUndoesAndRedoesWithTheKeys)
{
    const struct Case {
        WindowKind kind;
        std::vector<std::string> design;  // on the design window, after typing 2k into the centre
        std::vector<std::string> plot;    // then on the plot
        const char* control;              // what shows the centre, else the window's drawing
    } cases[] = {
        {Design, {"cmdSuggestCap"}, {}, "txtCenter"},
        {Plot, {"cmdPlot"}, {"cmdTuneCenterWidth"}, "lblCenter"},
        {Poles, {"cmdPlot"}, {"cmdPoles"}, nullptr},
        {Schematic, {"cmdSchematic"}, {}, nullptr},
        {Tabulated, {"cmdTabulate"}, {}, "lstTabulatedOutput"},
        {OpampTest, {"cmdTest"}, {}, nullptr},
        {WriteFiles, {"cmdWrite"}, {}, nullptr},
        {About, {"cmdSuggestCap", "cmdAbout"}, {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WindowName(c.kind));
        Program p;
        p.Start({"txtCenter=2k"});
        for (const std::string& action : c.design)
            p.Do(Design, action);
        for (const std::string& action : c.plot)
            p.Do(Plot, action);
        ASSERT_EQ(p.record.Center, 2000);
        auto shown = [&] {
            if (auto* list = c.kind == Tabulated ? p.At<QListWidget>(Tabulated, c.control) : nullptr)
                return list->item(list->count() / 2)->text().toStdString();  // the centre of the sweep
            return c.control ? p.Text(c.kind, c.control) : p.Drawing(c.kind).Texts().empty() ? "" : "drawn";
        };
        const std::string entered = shown();
        for (const auto& [key, shift, center] : {std::tuple{Qt::Key_Z, false, 1000}, {Qt::Key_Z, true, 2000},
                                                 {Qt::Key_Z, false, 1000}, {Qt::Key_Y, false, 2000}}) {
            p.Drawing(c.kind).Forget();
            p.PressKeys(c.kind, key, shift);
            EXPECT_EQ(p.record.Center, center);
            const bool drawn = c.kind == Poles || c.kind == Schematic || c.kind == OpampTest;
            if (c.control || drawn) {
                EXPECT_EQ(shown() == entered, !c.control || center == 2000);
            }
        }
    }
}

} // namespace stelvane::testing
