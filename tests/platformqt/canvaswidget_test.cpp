#include <QApplication>
#include <QImage>
#include <QScreen>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/qt/canvaswidget.h"

namespace stelvane {
namespace {

// What a window draws lands at its scale and stays, on its backing image and
// on the screen, through repaints, resizes and maximizing; where the widget
// has grown, its background shows.
TEST(CanvasWidget, KeepsTheDrawingThroughResizing)
{
    const std::vector<std::pair<const char*, std::function<void(CanvasWidget&)>>> cases = {
        {"repainted", [](CanvasWidget& w) { w.repaint(); }},
        {"shrunk and grown again", [](CanvasWidget& w) { w.resize(50, 40); w.repaint(); w.resize(400, 300); }},
        {"grown beyond the screen", [](CanvasWidget& w) { w.resize(QApplication::primaryScreen()->size() * 2); }},
        {"maximized", [](CanvasWidget& w) { w.showMaximized(); QApplication::processEvents(); }},
    };
    for (const auto& [name, change] : cases) {
        SCOPED_TRACE(name);
        CanvasWidget w;
        w.resize(300, 200);
        w.SetScale(0.1, 0.05);  // 10 units a pixel across, 20 down
        w.SetBackground({238, 255, 255});
        w.canvas().FillBox({1700, 1300}, {2500, 1800}, kWhite);
        w.canvas().Line({100, 200}, {900, 200}, {255, 0, 0}, 2);
        change(w);
        for (const QImage& image : {w.BackingImage(), w.grab().toImage()}) {
            auto at = [&](double x, double y) {
                return image.pixelColor((QPointF(x * 0.1, y * 0.05) * image.devicePixelRatio()).toPoint());
            };
            EXPECT_EQ(at(2100, 1550), QColor(Qt::white));
            EXPECT_EQ(at(500, 205), QColor(Qt::red));
            EXPECT_EQ(at(2700, 1550), QColor(238, 255, 255));
            EXPECT_EQ(at(500, 300), QColor(238, 255, 255));
        }
        EXPECT_EQ(w.ColourAt({w.width() * 10.0 - 5, w.height() * 20.0 - 5}), (Rgb{238, 255, 255}));
    }
}

} // namespace
} // namespace stelvane
