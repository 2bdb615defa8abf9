#include "windows/layout.h"

#include <cmath>
#include <string>
#include <vector>

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "platform/qt/canvaswidget.h"
#include "tests/support/scriptedplatform.h"
#include "tests/platformqt/qtapp.h"

namespace stelvane {
namespace {

ScreenMetrics ScreenOf(int widthPixels, int heightPixels, double twipsPerPixel = 15)
{
    return {widthPixels * twipsPerPixel, heightPixels * twipsPerPixel, twipsPerPixel, twipsPerPixel};
}

TEST(Layout, SizesTheUnitFromTheScreenAndTheCreationSize)
{
    struct Case {
        const char* name;
        ScreenMetrics screen;
        WindowKind kind;
        double unitTwipsX;
        double unitTwipsY;
        double unitsAcrossCreation;  // 12000 x 12000 / Sw
    };
    const std::vector<Case> cases = {
        // The worked example: the design window on a 1024 x 768 screen.
        {"design, 1024 x 768", ScreenOf(1024, 768), WindowKind::Design, 1.2544, 8415.0 * 11520 / 81e6, 9375},
        {"design, 800 x 600: about a twip", ScreenOf(800, 600), WindowKind::Design, 0.98, 8415.0 / 9000, 12000},
        {"plot, 800 x 600", ScreenOf(800, 600), WindowKind::Plot, 0.99, 8490.0 / 9000, 12000},
        {"about, 800 x 600", ScreenOf(800, 600), WindowKind::About, 6855.0 / 12000, 5415.0 / 9000, 12000},
        {"design, 1920 x 1080", ScreenOf(1920, 1080), WindowKind::Design, 11760.0 * 28800 / 144e6,
         8415.0 * 16200 / 81e6, 5000},
        {"design, 1024 x 768 at 120 dpi", ScreenOf(1024, 768, 12), WindowKind::Design, 11760.0 * 12288 / 144e6,
         8415.0 * 9216 / 81e6, 144e6 / 12288},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        const Layout layout(tc.screen, tc.kind);
        EXPECT_NEAR(layout.UnitTwipsX(), tc.unitTwipsX, 1e-9);
        EXPECT_NEAR(layout.UnitTwipsY(), tc.unitTwipsY, 1e-9);
        EXPECT_NEAR(CreationSizeTwips(tc.kind).width / layout.UnitTwipsX(), tc.unitsAcrossCreation, 1e-6);
        // Pixels per unit: twips per unit over twips per pixel.
        EXPECT_NEAR(layout.PixelsPerUnitX(), tc.unitTwipsX / tc.screen.twipsPerPixelX, 1e-12);
        EXPECT_NEAR(layout.ToUnitsX(layout.ToPixelsX(1234)), 1234, 1e-9);
        EXPECT_NEAR(layout.ToUnitsY(layout.ToPixelsY(4321)), 4321, 1e-9);
    }
    // Maximized on 1024 x 768, the 15360-twip width shows about 12245 units.
    const Layout example(ScreenOf(1024, 768), WindowKind::Design);
    EXPECT_NEAR(15360 / example.UnitTwipsX(), 12245, 0.5);
}

TEST(Layout, SizesFontsFromTheScreenHeight)
{
    struct Case {
        const char* name;
        ScreenMetrics screen;
        double factor;
        double points;
    };
    const std::vector<Case> cases = {
        {"ordinary on 800 x 600", ScreenOf(800, 600), kFontOrdinary, 7.2},
        {"heading on 800 x 600", ScreenOf(800, 600), kFontHeading, 10.8},
        {"ordinary on 1024 x 768", ScreenOf(1024, 768), kFontOrdinary, 9.216},
        {"opening title on 1024 x 768", ScreenOf(1024, 768), 0.0035, 40.32},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        EXPECT_NEAR(Layout(tc.screen, WindowKind::Design).FontPoints(tc.factor), tc.points, 1e-9);
    }
}

TEST(Layout, KnowsEachWindowKind)
{
    struct Case {
        WindowKind kind;
        const char* name;
        double width;
        double height;
        Rgb background;
        bool maximized;
    };
    const std::vector<Case> cases = {
        {WindowKind::Design, "design", 11760, 8415, {238, 255, 255}, true},
        {WindowKind::Tabulated, "tabulated", 11760, 8415, {238, 255, 255}, true},
        {WindowKind::WriteFiles, "file writing", 11760, 8415, {238, 255, 255}, true},
        {WindowKind::Opening, "opening", 11880, 8490, {238, 255, 255}, true},
        {WindowKind::Plot, "plot", 11880, 8490, {238, 255, 255}, true},
        {WindowKind::Schematic, "schematic", 11880, 8490, {238, 255, 255}, true},
        {WindowKind::Poles, "poles", 11880, 8490, {255, 255, 255}, true},
        {WindowKind::OpampTest, "opamp test", 11880, 8490, {238, 255, 255}, true},
        {WindowKind::About, "about", 6855, 5415, {240, 255, 255}, false},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        EXPECT_EQ(CreationSizeTwips(tc.kind).width, tc.width);
        EXPECT_EQ(CreationSizeTwips(tc.kind).height, tc.height);
        EXPECT_EQ(BackgroundColour(tc.kind), tc.background);
        EXPECT_EQ(ShownMaximized(tc.kind), tc.maximized);
    }
}

TEST(Layout, LaysOutTheButtonBar)
{
    struct Case {
        const char* name;
        const char* caption;
        double left;
        double width;
        bool hidden;
    };
    const std::vector<Case> cases = {
        {"cmdSave", "Save", 0, 700, false},           {"cmdGet", "Get", 700, 700, false},
        {"cmdDesign", "Enter", 1400, 900, false},     {"cmdSchematic", "Schematic", 2300, 1100, false},
        {"cmdPlot", "Plot", 3400, 600, false},        {"cmdEdit", "Edit", 3400, 600, true},
        {"cmdTabulate", "Tabulate", 4000, 1000, false}, {"cmdAnalysis", "Analyze", 4000, 1000, true},
        {"cmdPrint", "Print", 5000, 600, false},      {"cmdWrite", "Write", 5600, 600, false},
        {"cmdAbout", "About", 6200, 600, false},      {"cmdQuit", "Exit", 6800, 600, false},
    };
    EXPECT_EQ(kButtonBar.size(), cases.size());
    EXPECT_EQ(kBarTop, 0);
    EXPECT_EQ(kBarHeight, 300);
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        const BarButton* b = FindBarButton(tc.name);
        ASSERT_NE(b, nullptr);
        EXPECT_STREQ(b->caption, tc.caption);
        EXPECT_EQ(b->left, tc.left);
        EXPECT_EQ(b->width, tc.width);
        EXPECT_EQ(b->alwaysHidden, tc.hidden);
    }
    EXPECT_EQ(FindBarButton("cmdTest"), nullptr);
}

TEST(Layout, ButtonsOfTheBarTouchWithoutGapsOnAnyScreen)
{
    struct Case {
        const char* name;
        ScreenMetrics screen;
    };
    const std::vector<Case> cases = {
        {"800 x 600", ScreenOf(800, 600)},
        {"1024 x 768", ScreenOf(1024, 768)},
        {"1366 x 768", ScreenOf(1366, 768)},
        {"2560 x 1440 at 144 dpi", ScreenOf(2560, 1440, 10)},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        const Layout layout(tc.screen, WindowKind::Design);
        std::vector<PixelRect> shown;
        for (const auto& b : kButtonBar) {
            if (!b.alwaysHidden) {
                shown.push_back(layout.Rect(b.left, kBarTop, b.width, kBarHeight));
            }
        }
        ASSERT_EQ(shown.size(), 10u);
        EXPECT_EQ(shown.front().left, 0);
        for (std::size_t i = 1; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i - 1].left + shown[i - 1].width, shown[i].left) << "after button " << i - 1;
            EXPECT_EQ(shown[i].top, 0);
            EXPECT_EQ(shown[i].height, shown[0].height);
        }
        // 7400 units of bar, within rounding of its size in pixels.
        const PixelRect& last = shown.back();
        EXPECT_NEAR(last.left + last.width, layout.ToPixelsX(7400), 0.5);
    }
}

TEST(Layout, PlacesOptionsInFramesInTwipsFromTheScreen)
{
    struct Case {
        const char* name;
        ScreenMetrics screen;
        double topFactor;
        double widthFactor;
        PixelRect expected;
    };
    const std::vector<Case> cases = {
        // 800 x 600: top 225 twips = 15 px, width 2280 twips = 152 px, height 315 twips = 21 px, left 8 px.
        {"optButterworth, 800 x 600", ScreenOf(800, 600), 0.025, 0.19, {8, 15, 152, 21}},
        {"optManual, 800 x 600", ScreenOf(800, 600), 0.165, 0.19, {8, 99, 152, 21}},
        {"optLog, 800 x 600", ScreenOf(800, 600), 0.06, 0.09, {8, 36, 72, 21}},
        // 1024 x 768: top 288 twips = 19.2 px, right edge (120 + 2918.4) / 15 = 202.6 px, bottom 691.2 / 15 = 46.1 px.
        {"optButterworth, 1024 x 768", ScreenOf(1024, 768), 0.025, 0.19, {8, 19, 195, 27}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        EXPECT_EQ(Layout(tc.screen, WindowKind::Design).FrameOptionRect(tc.topFactor, tc.widthFactor), tc.expected);
    }
}

TEST(Layout, GrowsEveryControlAndFontWithTheScreen)
{
    struct Case {
        const char* name;
        double left;
        double top;
        double width;
        double height;
    };
    const std::vector<Case> cases = {
        {"txtCenter", 3300, 2100, 700, 300},
        {"fraFamily", 2300, 4700, 2500, 2000},
        {"lblPerXinterval", 9100, 5800, 1600, 300},
        {"cmdQuit", 6800, 0, 600, 300},
    };
    const Layout small(ScreenOf(800, 600), WindowKind::Design);
    const Layout large(ScreenOf(1600, 1200), WindowKind::Design);
    EXPECT_NEAR(large.FontPoints(kFontOrdinary), 2 * small.FontPoints(kFontOrdinary), 1e-9);
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        const PixelRect a = small.Rect(tc.left, tc.top, tc.width, tc.height);
        const PixelRect b = large.Rect(tc.left, tc.top, tc.width, tc.height);
        EXPECT_NEAR(b.left, 2 * a.left, 1);
        EXPECT_NEAR(b.top, 2 * a.top, 1);
        EXPECT_NEAR(b.width, 2 * a.width, 2);
        EXPECT_NEAR(b.height, 2 * a.height, 2);
    }
    // An option keeps its place in its frame: the last family option ends
    // at the same fraction of the frame's height on any screen.
    for (const ScreenMetrics& s : {ScreenOf(800, 600), ScreenOf(1280, 1024), ScreenOf(1920, 1080)}) {
        const Layout layout(s, WindowKind::Design);
        const PixelRect frame = layout.Rect(2300, 4700, 2500, 2000);
        const PixelRect manual = layout.FrameOptionRect(0.165, 0.19);
        const double expected = 0.2 * 81e6 / (2000 * 8415.0);  // (0.165 + 0.035) x Sh over the frame's twips
        EXPECT_NEAR(static_cast<double>(manual.top + manual.height) / frame.height, expected, 0.03);
    }
}

TEST(Layout, FallsBackToTheDesignScreenOnABrokenMeasure)
{
    struct Case {
        const char* name;
        ScreenMetrics screen;
    };
    const double nan = std::nan("");
    const std::vector<Case> cases = {
        {"all zero", {0, 0, 0, 0}},
        {"negative", {-12000, -9000, -15, -15}},
        {"not a number", {nan, nan, nan, nan}},
    };
    const Layout reference(ScreenOf(800, 600), WindowKind::Design);
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        const Layout layout(tc.screen, WindowKind::Design);
        EXPECT_EQ(layout.UnitTwipsX(), reference.UnitTwipsX());
        EXPECT_EQ(layout.UnitTwipsY(), reference.UnitTwipsY());
        EXPECT_EQ(layout.FontPoints(kFontOrdinary), 7.2);
        EXPECT_EQ(layout.Rect(3300, 2100, 700, 300), reference.Rect(3300, 2100, 700, 300));
    }
}

TEST(Layout, SetsUpAWindowAndPlacesItsControls)
{
    TestApplication();
    struct Case {
        const char* name;
        ScreenMetrics screen;
        WindowKind kind;
        const char* objectName;
    };
    const std::vector<Case> cases = {
        {"design window, 800 x 600", ScreenOf(800, 600), WindowKind::Design, "frmDesign"},
        {"poles window, 1024 x 768", ScreenOf(1024, 768), WindowKind::Poles, "frmPoles"},
        {"about window, 1024 x 768", ScreenOf(1024, 768), WindowKind::About, "frmAbout"},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        ScriptedPlatform platform(tc.screen);
        CanvasWidget window;
        window.setObjectName(tc.objectName);
        window.SetRecorder(&platform.Drawing(tc.objectName));
        const Layout layout = SetUpWindow(window, platform, tc.kind);

        const TwipSize creation = CreationSizeTwips(tc.kind);
        EXPECT_EQ(window.width(), std::lround(creation.width / 15));
        EXPECT_EQ(window.height(), std::lround(creation.height / 15));
        EXPECT_DOUBLE_EQ(window.PixelsPerUnitX(), layout.PixelsPerUnitX());
        EXPECT_DOUBLE_EQ(window.PixelsPerUnitY(), layout.PixelsPerUnitY());
        EXPECT_EQ(window.Background(), BackgroundColour(tc.kind));
        EXPECT_EQ(window.ColourAt({100, 100}), BackgroundColour(tc.kind));
        EXPECT_NEAR(window.font().pointSizeF(), tc.screen.heightTwips * kFontOrdinary, 0.01);

        // Drawing lands on the window at the layout's scale and in the recorder.
        window.canvas().FillBox({1700, 1300}, {5000, 8000}, kWhite);
        EXPECT_EQ(window.ColourAt({3000, 4000}), kWhite);
        EXPECT_EQ(window.ColourAt({5100, 4000}), BackgroundColour(tc.kind));
        const RecordingCanvas& recorded = platform.Drawing(tc.objectName);
        ASSERT_FALSE(recorded.primitives.empty());
        EXPECT_EQ(recorded.primitives.back().kind, CanvasPrimitive::Kind::FillBox);

        QLabel heading("Design: ", &window);
        Place(heading, layout, 2400, 1500, 2000, 450, kFontHeading);
        const PixelRect r = layout.Rect(2400, 1500, 2000, 450);
        EXPECT_EQ(heading.geometry(), QRect(r.left, r.top, r.width, r.height));
        EXPECT_NEAR(heading.font().pointSizeF(), tc.screen.heightTwips * kFontHeading, 0.01);
        EXPECT_EQ(heading.font().family(), QString("Arial"));

        QGroupBox frame("Family", &window);
        Place(frame, layout, 2300, 4700, 2500, 2000);
        QRadioButton option("Chebyshev  (ripple bw)", &frame);
        PlaceInFrame(option, layout, 0.06, 0.19);
        const PixelRect o = layout.FrameOptionRect(0.06, 0.19);
        EXPECT_EQ(option.geometry(), QRect(o.left, o.top, o.width, o.height));

        QPushButton own("Enter", &window);
        SetFont(own, layout, kFontOrdinary, true);
        SetBackgroundColour(own, kOwnButtonColour);
        EXPECT_TRUE(own.font().bold());
        EXPECT_TRUE(own.autoFillBackground());
        EXPECT_EQ(own.palette().color(QPalette::Button), QColor(0, 255, 255));
    }
}

} // namespace
} // namespace stelvane
