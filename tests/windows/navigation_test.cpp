#include <QPalette>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "windows/frmabout.h"
#include "windows/frmdesign.h"
#include "windows/frmopening.h"
#include "windows/layout.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;

// A result view with nothing but the bar, standing in for the views that
// other parts of the program bring.
class StandInView : public BarWindow {
public:
    StandInView(Navigator& navigator, WindowKind kind) : BarWindow(navigator, kind) {}
    void Load() override { PlaceButtonBar(SetUpWindow(*this, GetPlatform(), Kind())); }
};

// A small window (opamp test) that opens beside the design window.
class StandInSmall : public FormWindow {
public:
    StandInSmall(Navigator& navigator, WindowKind kind) : FormWindow(navigator, kind) {}
    void Load() override { SetUpWindow(*this, GetPlatform(), Kind()); }
};

// The program's windows plus stand-ins for the views, counting creations.
struct Registry {
    Registry()
    {
        InstallStartDefaults(program.record);
        for (WindowKind kind : {WindowKind::Plot, WindowKind::Schematic, WindowKind::Tabulated})
            program.navigator.SetFactory(kind, [this, kind](Navigator& n) {
                ++created[kind];
                return new StandInView(n, kind);
            });
        program.navigator.SetFactory(WindowKind::OpampTest, [this](Navigator& n) {
            ++created[WindowKind::OpampTest];
            return new StandInSmall(n, WindowKind::OpampTest);
        });
        program.navigator.SetFactory(WindowKind::Design, [this](Navigator& n) {
            ++created[WindowKind::Design];
            return new frmDesign(n);
        });
    }
    Navigator& nav() { return program.navigator; }
    template <class W = FormWindow>
    W* find(WindowKind kind)
    {
        return dynamic_cast<W*>(nav().Find(kind));
    }
    QPushButton* button(WindowKind kind, const char* name)
    {
        return nav().Find(kind)->findChild<QPushButton*>(name);
    }
    void click(WindowKind kind, const char* name)
    {
        Click(button(kind, name));
        FlushDeletes();
    }

    Program program{false};
    std::map<WindowKind, int> created;
};

class NavigationTest : public ::testing::Test {
protected:
    TemporaryWorkingDirectory dir;
};

Rgb ButtonColour(const QPushButton* b)
{
    const QColor c = b->palette().color(QPalette::Button);
    return Rgb{std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
}

TEST_F(NavigationTest, ButtonBarShowsHidesDisablesAndHighlights)
{
    // Per window: the buttons expected hidden, disabled, and its own button.
    struct Case {
        const char* name;
        WindowKind kind;
        std::vector<std::string> hidden;
        std::vector<std::string> disabled;
        std::string own;
    };
    const std::vector<Case> cases = {
        {"design", WindowKind::Design, {"cmdEdit", "cmdAnalysis"}, {"cmdPrint"}, "cmdDesign"},
        {"plot", WindowKind::Plot, {"cmdEdit", "cmdAnalysis", "cmdAbout"}, {"cmdSave", "cmdGet", "cmdAbout"},
         "cmdPlot"},
        {"schematic", WindowKind::Schematic, {"cmdEdit", "cmdAnalysis", "cmdAbout"},
         {"cmdSave", "cmdGet", "cmdPrint", "cmdAbout"}, "cmdSchematic"},
        {"tabulated", WindowKind::Tabulated, {"cmdEdit", "cmdAnalysis", "cmdAbout"},
         {"cmdSave", "cmdGet", "cmdPrint", "cmdAbout"}, "cmdTabulate"},
    };
    auto contains = [](const std::vector<std::string>& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Registry r;
        FormWindow* window = r.nav().Open(c.kind);
        ASSERT_NE(window, nullptr);
        for (const BarButton& entry : kButtonBar) {
            SCOPED_TRACE(entry.name);
            auto* b = window->findChild<QPushButton*>(entry.name);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->text().toStdString(), entry.caption);
            EXPECT_EQ(b->isVisibleTo(window), !contains(c.hidden, entry.name));
            EXPECT_EQ(b->isEnabled(), !contains(c.disabled, entry.name));
            const bool own = c.own == entry.name;
            EXPECT_EQ(b->font().bold(), own);
            const Rgb expected = own                                   ? Rgb{0, 255, 255}
                                 : std::string(entry.name) == "cmdQuit" ? Rgb{224, 224, 224}
                                                                        : Rgb{192, 255, 255};
            EXPECT_EQ(ButtonColour(b), expected);
        }
    }
}

TEST_F(NavigationTest, OwnButtonDoesNothing)
{
    const struct {
        WindowKind kind;
        const char* own;
    } cases[] = {
        {WindowKind::Design, "cmdDesign"},
        {WindowKind::Plot, "cmdPlot"},
        {WindowKind::Schematic, "cmdSchematic"},
        {WindowKind::Tabulated, "cmdTabulate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.own);
        Registry r;
        FormWindow* window = r.nav().Open(c.kind);
        r.click(c.kind, c.own);
        EXPECT_EQ(r.nav().Find(c.kind), window);
        EXPECT_EQ(r.nav().OpenCount(), 1);
        EXPECT_EQ(r.created[c.kind], 1);
        EXPECT_EQ(r.program.endings, 0);
    }
}

TEST_F(NavigationTest, GoingToAWindowOpensItThenClosesTheOneLeft)
{
    struct Case {
        const char* name;
        WindowKind from;
        const char* button;
        WindowKind to;
    };
    const std::vector<Case> cases = {
        {"design to schematic", WindowKind::Design, "cmdSchematic", WindowKind::Schematic},
        {"design to plot", WindowKind::Design, "cmdPlot", WindowKind::Plot},
        {"design to tabulated", WindowKind::Design, "cmdTabulate", WindowKind::Tabulated},
        {"plot to design", WindowKind::Plot, "cmdDesign", WindowKind::Design},
        {"plot to schematic", WindowKind::Plot, "cmdSchematic", WindowKind::Schematic},
        {"schematic to tabulated", WindowKind::Schematic, "cmdTabulate", WindowKind::Tabulated},
        {"tabulated to plot", WindowKind::Tabulated, "cmdPlot", WindowKind::Plot},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Registry r;
        QPointer<FormWindow> left = r.nav().Open(c.from);
        r.click(c.from, c.button);
        EXPECT_TRUE(left.isNull());  // destroyed, not merely hidden
        EXPECT_EQ(r.nav().Find(c.from), nullptr);
        ASSERT_NE(r.nav().Find(c.to), nullptr);
        EXPECT_TRUE(r.nav().Find(c.to)->isVisible());
        EXPECT_EQ(r.nav().OpenCount(), 1);
        EXPECT_EQ(r.program.endings, 0);
    }
}

TEST_F(NavigationTest, ComingBackCreatesAFreshDesignWindowFilledFromTheRecord)
{
    Registry r;
    auto* first = dynamic_cast<frmDesign*>(r.nav().Open(WindowKind::Design));
    Type(first->txtCenter, "2000");
    Type(first->txtWidth, "abc");  // read as 0 and raised to 1 by the Enter step
    r.click(WindowKind::Design, "cmdPlot");
    r.click(WindowKind::Plot, "cmdDesign");
    auto* second = r.find<frmDesign>(WindowKind::Design);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(r.created[WindowKind::Design], 2);
    EXPECT_EQ(Text(second->txtCenter), "2k ");
    EXPECT_EQ(Text(second->txtWidth), "1  ");
}

TEST_F(NavigationTest, ViewsWithoutAWindowYetLeaveTheDesignWindowOpen)
{
    Program program{false};
    InstallStartDefaults(program.record);
    auto* design = program.Open<frmDesign>(WindowKind::Design);
    Type(design->txtCenter, "2k");
    Click(design->cmdPlot);
    FlushDeletes();
    EXPECT_EQ(program.navigator.Find(WindowKind::Design), design);
    EXPECT_EQ(program.record.Center, 2000.0f);  // the Enter step ran
    EXPECT_EQ(program.endings, 0);
}

TEST_F(NavigationTest, SmallWindowsOutliveTheDesignWindow)
{
    struct Case {
        const char* name;
        const char* opener;  // button on the design window
        WindowKind small;
    };
    const std::vector<Case> cases = {
        {"opamp test", "cmdTest", WindowKind::OpampTest},
        {"About", "cmdAbout", WindowKind::About},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Registry r;
        r.nav().Open(WindowKind::Design);
        r.click(WindowKind::Design, c.opener);
        ASSERT_NE(r.nav().Find(c.small), nullptr);
        EXPECT_NE(r.nav().Find(WindowKind::Design), nullptr);  // the design window stays

        r.click(WindowKind::Design, "cmdPlot");
        EXPECT_EQ(r.nav().Find(WindowKind::Design), nullptr);
        EXPECT_NE(r.nav().Find(WindowKind::Plot), nullptr);
        EXPECT_NE(r.nav().Find(c.small), nullptr);
        EXPECT_EQ(r.nav().OpenCount(), 2);
    }
}

TEST_F(NavigationTest, AboutReturnOpensADesignWindowBesideTheView)
{
    Registry r;
    r.nav().Open(WindowKind::Design);
    r.click(WindowKind::Design, "cmdAbout");
    r.click(WindowKind::Design, "cmdPlot");
    r.click(WindowKind::About, "cmdReturn");
    EXPECT_EQ(r.nav().Find(WindowKind::About), nullptr);
    EXPECT_NE(r.nav().Find(WindowKind::Design), nullptr);
    EXPECT_NE(r.nav().Find(WindowKind::Plot), nullptr);  // two main windows from now on
    EXPECT_EQ(r.created[WindowKind::Design], 2);
}

TEST_F(NavigationTest, OpeningAnOpenWindowBringsItToTheFront)
{
    struct Case {
        const char* name;
        WindowKind kind;
    };
    const Case cases[] = {{"About", WindowKind::About}, {"opamp test", WindowKind::OpampTest}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Registry r;
        r.nav().Open(WindowKind::Design);
        FormWindow* first = r.nav().Open(c.kind);
        const char* opener = c.kind == WindowKind::About ? "cmdAbout" : "cmdTest";
        r.click(WindowKind::Design, opener);
        r.click(WindowKind::Design, opener);
        EXPECT_EQ(r.nav().Find(c.kind), first);
        EXPECT_EQ(r.nav().OpenCount(), 2);
        if (c.kind == WindowKind::OpampTest) {
            EXPECT_EQ(r.created[c.kind], 1);
        }
    }
}

TEST_F(NavigationTest, ClosingThroughTheFrameWritesNothing)
{
    struct Case {
        const char* name;
        std::vector<WindowKind> open;
        WindowKind closed;
        bool programEnds;
    };
    const std::vector<Case> cases = {
        {"the last window, the design window", {WindowKind::Design}, WindowKind::Design, true},
        {"the last window, the plot window", {WindowKind::Plot}, WindowKind::Plot, true},
        {"the opening window before Start", {WindowKind::Opening}, WindowKind::Opening, true},
        {"the design window beside About", {WindowKind::Design, WindowKind::About}, WindowKind::Design, false},
        {"About beside the design window", {WindowKind::Design, WindowKind::About}, WindowKind::About, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryWorkingDirectory here;  // the opening window reads the last session
        Registry r;
        for (WindowKind kind : c.open)
            r.nav().Open(kind);
        r.nav().Find(c.closed)->close();
        FlushDeletes();
        EXPECT_EQ(r.nav().Find(c.closed), nullptr);
        EXPECT_EQ(r.program.endings, c.programEnds ? 1 : 0);
        EXPECT_FALSE(std::filesystem::exists(here.Path() / "QUIBEX.LAST"));
    }
}

TEST_F(NavigationTest, ExitWritesTheLastSessionAndEndsWithEveryWindow)
{
    struct Case {
        const char* name;
        std::vector<WindowKind> open;
        WindowKind exitFrom;
        bool writable;
    };
    const std::vector<Case> cases = {
        {"from the design window", {WindowKind::Design}, WindowKind::Design, true},
        {"from the design window with About beside", {WindowKind::Design, WindowKind::About},
         WindowKind::Design, true},
        {"from the plot window with the opamp test open", {WindowKind::Plot, WindowKind::OpampTest},
         WindowKind::Plot, true},
        {"when the file cannot be written", {WindowKind::Design}, WindowKind::Design, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryWorkingDirectory here;
        if (!c.writable)
            std::filesystem::create_directory(here.Path() / "QUIBEX.LAST");
        Registry r;
        std::vector<QPointer<FormWindow>> windows;
        for (WindowKind kind : c.open)
            windows.emplace_back(r.nav().Open(kind));
        r.click(c.exitFrom, "cmdQuit");
        for (const auto& w : windows)
            EXPECT_TRUE(w.isNull());
        EXPECT_EQ(r.nav().OpenCount(), 0);
        EXPECT_EQ(r.program.endings, 1);
        if (c.writable) {
            EXPECT_EQ(FileLines(here.Path() / "QUIBEX.LAST").size(), 29u);
            EXPECT_TRUE(r.program.platform.messages.empty());
        } else {
            ASSERT_EQ(r.program.platform.messages.size(), 1u);
            EXPECT_EQ(r.program.platform.messages[0].text, "The last-session file was not written correctly");
        }
    }
}

TEST_F(NavigationTest, WindowsOpenMaximizedExceptAbout)
{
    struct Case {
        const char* name;
        WindowKind kind;
        bool maximized;
        const char* caption;
    };
    const std::vector<Case> cases = {
        {"design", WindowKind::Design, true, "      Stelvane - Design"},
        {"plot", WindowKind::Plot, true, "      Stelvane - Plot"},
        {"About", WindowKind::About, false, "      QUIBEX - About"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Registry r;
        FormWindow* w = r.nav().Open(c.kind);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(bool(w->windowState() & Qt::WindowMaximized), c.maximized);
        EXPECT_EQ(w->windowTitle().toStdString(), c.caption);
        EXPECT_EQ(w->objectName().toStdString(), WindowName(c.kind));
    }
}

} // namespace
} // namespace stelvane
