#include <QApplication>
#include <QImage>
#include <QScreen>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/qt/canvaswidget.h"

namespace stelvane {
namespace {

// The colour a window's image shows at a point in layout units, at 10 units a pixel across and 20 down.
QColor At(const QImage& image, double x, double y)
{
    return image.pixelColor((QPointF(x * 0.1, y * 0.05) * image.devicePixelRatio()).toPoint());
}

// What a window draws lands at its scale and stays, on its backing image and
// on the screen, through repaints and resizes (shrunk first, then grown
// again and beyond the screen); where the widget has grown, its background shows.
TEST(CanvasWidget, KeepsTheDrawingThroughResizing)
{
    const QColor paper(238, 255, 255);
    CanvasWidget w;
    w.resize(300, 200);
    w.SetScale(0.1, 0.05);  // 10 units a pixel across, 20 down
    w.SetBackground({238, 255, 255});
    w.canvas().FillBox({1700, 1300}, {2500, 1800}, kWhite);
    w.canvas().Line({100, 200}, {900, 200}, {255, 0, 0}, 2);
    w.resize(50, 40);
    w.repaint();
    for (const QSize size : {QSize(400, 300), QApplication::primaryScreen()->size() * 2}) {
        SCOPED_TRACE(size.width());
        w.resize(size);
        const QImage image = w.grab().toImage();
        EXPECT_EQ(At(image, 2100, 1550), QColor(Qt::white));
        EXPECT_EQ(At(image, 500, 205), QColor(Qt::red));
        EXPECT_EQ(At(image, 2700, 1550), paper);
        EXPECT_EQ(At(image, 500, 300), paper);
        EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), paper);
    }
}

// A window drawn again and again keeps only what is still to be seen: the
// calls a later box hides are let go, the others are shown in their order.
TEST(CanvasWidget, LetsGoOfWhatLaterBoxesHide)
{
    struct Case {
        const char* name;
        std::function<void(Canvas&, int)> redraw;
        std::size_t mostKept;
    };
    const std::vector<Case> cases = {
        {"a plot: box, curve, label, and a line scrolled off to the left",
            [](Canvas& c, int i) {
                c.FillBox({100, 100}, {2900, 3900}, kWhite);
                c.Polyline({{200, 200 + i % 7 * 100.0}, {1500, 3000}, {2800, 200}}, {255, 0, 0}, 2);
                c.Text({300, 3000}, "Gain, dB: " + std::to_string(i), {0, 0, 255}, CanvasFont{});
                c.Line({-3000.0 - i, 2000}, {-50, 2000 + i % 5 * 100.0}, kBlack, 1);
            },
            3},
        {"a readout erased in two boxes",
            [](Canvas& c, int i) {
                c.FillBox({100, 100}, {1500, 3900}, kWhite);
                c.FillBox({1500, 100}, {2900, 3900}, kWhite);
                c.Line({200, 2000}, {2800, 2000 + i % 3 * 10.0}, kBlack, 1);
            },
            2 + 256 + 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CanvasWidget w;
        w.resize(300, 200);
        w.SetScale(0.1, 0.05);
        for (int i = 0; i < 1000; ++i) c.redraw(w.canvas(), i);
        EXPECT_LE(w.KeptCalls(), c.mostKept);
        const QImage image = w.grab().toImage();
        EXPECT_EQ(At(image, 150, 3850), QColor(Qt::white));
        EXPECT_EQ(At(image, 50, 50), QColor(238, 255, 255));
    }
}

}  // namespace
}  // namespace stelvane
