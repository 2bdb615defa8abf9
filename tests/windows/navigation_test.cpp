#include <gtest/gtest.h>

#include "files/designfile.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// A run from start to Exit and the next start. The opening window draws its
// picture, then reads the last session (a message about a missing file comes
// over the finished picture). On the walk through every window the main
// windows replace each other, the small ones open beside them and outlive
// them, the modal ones close back to the window that opened them, and a
// window closed through its frame leaves no last-session file. On each,
// Ctrl+Z takes the design entered back and Ctrl+Y makes it again, and the
// window draws it anew. Exit writes a last session, which the next start reads.
TEST(Navigation, FromStartThroughEveryWindowToExitAndTheNextStart)
{
    Program p;
    std::size_t drawnAtMessage = 0;
    p.platform.onMessage = [&](const auto&) { drawnAtMessage = p.Drawing(Opening).primitives.size(); };
    p.Start({"txtCenter=2k", "UpDown1/up", "UpDown1/up", "UpDown1/up"});
    EXPECT_EQ(p.LastMessage(), kLastSessionNotFoundMessage);
    EXPECT_EQ(drawnAtMessage, p.Drawing(Opening).primitives.size());
    // The button pressed (null: the window's frame closed) and the windows open afterwards.
    struct Case {
        const char* name;
        WindowKind on;
        const char* button;
        std::vector<WindowKind> open;
    };
    const std::vector<Case> steps = {
        {"About opens beside the design window", Design, "cmdAbout", {Design, About}},
        {"Examine opens the opamp test beside it", Design, "cmdTest", {Design, About, OpampTest}},
        {"Plot replaces the design window", Design, "cmdPlot", {Plot, About, OpampTest}},
        {"the plot's own button does nothing", Plot, "cmdPlot", {Plot, About, OpampTest}},
        {"Schematic replaces the plot", Plot, "cmdSchematic", {Schematic, About, OpampTest}},
        {"Tabulate replaces the schematic", Schematic, "cmdTabulate", {Tabulated, About, OpampTest}},
        {"Write opens the file writing over it", Tabulated, "cmdWrite", {Tabulated, WriteFiles, About, OpampTest}},
        {"its Return closes it", WriteFiles, "cmdExit", {Tabulated, About, OpampTest}},
        {"Plot replaces the listing", Tabulated, "cmdPlot", {Plot, About, OpampTest}},
        {"Show poles opens the poles over the plot", Plot, "cmdPoles", {Plot, Poles, About, OpampTest}},
        {"their Return closes them", Poles, "cmdExit", {Plot, About, OpampTest}},
        {"About's Return opens a design window beside the plot", About, "cmdReturn", {Plot, Design, OpampTest}},
        {"the opamp test's Return goes back to it", OpampTest, "cmdReturn", {Plot, Design}},
        {"closing the design window leaves the plot", Design, nullptr, {Plot}},
        {"Exit ends the program", Plot, "cmdQuit", {}},
    };
    for (const Case& step : steps) {
        SCOPED_TRACE(step.name);
        // About shows no stray line-end marks; the new design window shows what was entered.
        EXPECT_TRUE(step.on != About || p.Text(About, "Label2").find('\r') == std::string::npos);
        EXPECT_TRUE(step.on != OpampTest || p.Text(Design, "txtCenter") == "2k");
        // (before the Enter step the keys take back the typing in the design window's box)
        for (const auto& [key, center] : {std::pair{Qt::Key_Z, 1000}, {Qt::Key_Y, 2000}}) {
            if (!p.navigator.Session().CanUndo() && key == Qt::Key_Z) break;
            p.PressKeys(step.on, key);
            EXPECT_EQ(p.record.Center, center);
            const bool draws = step.on == Plot || step.on == Schematic || step.on == Poles || step.on == OpampTest;
            EXPECT_TRUE(!draws || !p.Drawing(step.on).primitives.empty());
        }
        step.button ? p.Do(step.on, step.button) : void(p.Find(step.on)->close());
        FlushDeletes();
        EXPECT_EQ(p.navigator.OpenCount(), int(step.open.size()));
        for (WindowKind kind : step.open) {
            const FormWindow* w = p.Find(kind);
            ASSERT_TRUE(w) << WindowName(kind);
            EXPECT_TRUE(w->isVisible() && w->isModal() == (kind == Poles || kind == WriteFiles) &&
                w->isMaximized() == (kind != About))
                << WindowName(kind);
        }
        EXPECT_EQ(p.endings, step.open.empty() ? 1 : 0);
        EXPECT_EQ(fs::exists("QUIBEX.LAST"), step.open.empty());
    }
    Program next;
    fs::copy_file(next.dir.old / "QUIBEX.LAST", "QUIBEX.LAST");  // from the first run's folder
    next.Start();
    EXPECT_TRUE(next.platform.messages.empty());
    // The picture numbers its two opamps, whatever order the session brings.
    EXPECT_EQ(next.Drawing(Opening).Texts(), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(next.Text(Design, "txtCenter"), "2k");
    EXPECT_EQ(next.Text(Design, "lblOrderInput"), "5");
}

}  // namespace stelvane::testing
