#include "platform/qt/canvaswidget.h"

#include <functional>
#include <string>
#include <vector>

#include <QImage>
#include <QScreen>
#include <gtest/gtest.h>

#include "tests/support/recordingcanvas.h"
#include "tests/platformqt/qtapp.h"

namespace stelvane {
namespace {

constexpr Rgb kWindow{238, 255, 255};
constexpr Rgb kPanelLine{17, 17, 17};
constexpr Rgb kRed{255, 0, 0};

Rgb Shown(const QImage& image, const CanvasWidget& w, CanvasPoint at)
{
    const double dpr = image.devicePixelRatio();
    const QColor c = image.pixelColor(static_cast<int>(at.x * w.PixelsPerUnitX() * dpr),
                                      static_cast<int>(at.y * w.PixelsPerUnitY() * dpr));
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

TEST(CanvasWidget, KeepsTheDrawingThroughResizingAndMaximizing)
{
    TestApplication();
    struct Case {
        const char* name;
        std::function<void(CanvasWidget&)> change;
    };
    const std::vector<Case> cases = {
        {"repainted", [](CanvasWidget& w) { w.repaint(); }},
        {"shrunk and grown again", [](CanvasWidget& w) {
             w.resize(50, 40);
             w.repaint();
             w.resize(400, 300);
         }},
        {"grown beyond the screen", [](CanvasWidget& w) { w.resize(3000, 2500); }},
        {"maximized", [](CanvasWidget& w) {
             w.showMaximized();
             QApplication::processEvents();
         }},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        CanvasWidget w;
        w.resize(300, 200);
        w.SetScale(0.1, 0.1);
        w.SetBackground(kWindow);
        w.canvas().FillBox({1700, 1300}, {2500, 1800}, kWhite);
        w.canvas().OutlineBox({1700, 1300}, {2500, 1800}, kPanelLine);
        w.canvas().Line({100, 100}, {900, 100}, kRed, 2);
        tc.change(w);
        for (const QImage& image : {w.BackingImage(), w.grab().toImage()}) {
            EXPECT_EQ(Shown(image, w, {2100, 1550}), kWhite);
            EXPECT_EQ(Shown(image, w, {2100, 1305}), kPanelLine);
            EXPECT_EQ(Shown(image, w, {500, 105}), kRed);
            EXPECT_EQ(Shown(image, w, {2700, 1550}), kWindow);
        }
        // A grown image shows the background beyond the old drawing.
        EXPECT_GE(w.BackingImage().deviceIndependentSize().width(), w.width());
        EXPECT_EQ(w.ColourAt({w.width() * 10.0 - 5, w.height() * 10.0 - 5}), kWindow);
    }
}

TEST(CanvasWidget, KeepsWhatIsDrawnBeyondTheCreationSize)
{
    TestApplication();
    // A window draws while still at its creation size, then is maximized: a
    // band drawn across the whole screen width must be complete afterwards.
    struct Case {
        const char* name;
        double x;
    };
    const QSize screen = QApplication::primaryScreen()->size();
    const std::vector<Case> cases = {
        {"inside the creation size", 100},
        {"right of the creation size", 10.0 * (screen.width() - 10)},
        {"below and right", 10.0 * (screen.width() - 10)},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        CanvasWidget w;
        w.resize(200, 150);
        w.SetScale(0.1, 0.1);
        const double y = std::string(tc.name) == "below and right" ? 10.0 * (screen.height() - 10) : 500;
        w.canvas().Dot({tc.x, y}, kRed, 3);
        w.resize(screen);
        EXPECT_EQ(w.ColourAt({tc.x, y}), kRed);
    }
}

TEST(CanvasWidget, GrowsToAnExtentForDrawingsWiderThanTheWindow)
{
    TestApplication();
    struct Case {
        const char* name;
        int extent;
        bool kept;
    };
    const std::vector<Case> cases = {
        {"without extent, off-image drawing is lost", 0, false},
        {"with an extent, it is kept", 6000, true},
    };
    const int beyond = QApplication::primaryScreen()->size().width() + 2000;
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        CanvasWidget w;
        w.resize(300, 200);
        if (tc.extent > 0) {
            w.EnsureExtent(QSize(tc.extent, 200));
        }
        w.canvas().Dot({static_cast<double>(beyond), 100}, kRed, 3);
        w.resize(tc.extent > 0 ? tc.extent : beyond + 100, 200);
        EXPECT_EQ(w.ColourAt({static_cast<double>(beyond), 100}) == kRed, tc.kept);
    }
}

TEST(CanvasWidget, PassesEveryCallToItsRecorder)
{
    TestApplication();
    CanvasWidget w;
    RecordingCanvas recorder;
    w.SetRecorder(&recorder);
    Canvas& c = w.canvas();
    c.Clear(kWindow);
    c.Line({0, 0}, {10, 10}, kBlack, 2);
    c.Polyline({{0, 0}, {5, 5}, {10, 0}}, kBlack);
    c.FillBox({1, 1}, {2, 2}, kWhite);
    c.OutlineBox({1, 1}, {2, 2}, kBlack);
    c.Dot({3, 3}, kRed);
    c.Arc({4, 4}, 2, 0, 1, kBlack);
    c.Text({5, 5}, "Stage freq:", kBlack, {});
    using Kind = CanvasPrimitive::Kind;
    const std::vector<Kind> expected = {Kind::Clear, Kind::Line, Kind::Polyline, Kind::FillBox,
                                        Kind::OutlineBox, Kind::Dot, Kind::Arc, Kind::Text};
    ASSERT_EQ(recorder.primitives.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(recorder.primitives[i].kind, expected[i]);
    }
    w.SetRecorder(nullptr);
    c.Line({0, 0}, {10, 10}, kBlack);
    EXPECT_EQ(recorder.primitives.size(), expected.size());
}

TEST(CanvasWidget, ClearingSetsTheBackgroundThatGrowthUses)
{
    TestApplication();
    struct Case {
        const char* name;
        Rgb colour;
    };
    for (const Case& tc : {Case{"design and views", kWindow}, Case{"poles", kWhite}, Case{"about", {240, 255, 255}}}) {
        SCOPED_TRACE(tc.name);
        CanvasWidget w;
        w.resize(100, 100);
        w.SetBackground(tc.colour);
        EXPECT_EQ(w.Background(), tc.colour);
        w.resize(QApplication::primaryScreen()->size() + QSize(50, 50));
        EXPECT_EQ(w.ColourAt({10, 10}), tc.colour);
        EXPECT_EQ(w.ColourAt({w.width() - 2.0, w.height() - 2.0}), tc.colour);
    }
}

} // namespace
} // namespace stelvane
