#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/qt/paintercanvas.h"

namespace stelvane {
namespace {

// Each primitive lands where its layout units say, on a 200 x 150 pixel image
// at one pixel per 10 units, on an ordinary and on a high-density screen: the
// colours at points inside it and just beside it.
TEST(PainterCanvas, DrawsWhereTheLayoutUnitsSay)
{
    const QColor paper(238, 255, 255), red(Qt::red), black(Qt::black), white(Qt::white);
    struct Case {
        const char* name;
        std::function<void(Canvas&)> draw;
        std::vector<std::tuple<double, double, QColor>> probes;  // x, y in layout units
    };
    const std::vector<Case> cases = {
        {"thin line, ends included", [](Canvas& c) { c.Line({100, 500}, {1500, 500}, {255, 0, 0}); },
         {{100, 505, red}, {1500, 505, red}, {800, 515, paper}, {800, 495, paper}, {1600, 505, paper}}},
        {"line three pixels wide", [](Canvas& c) { c.Line({100, 500}, {1500, 500}, {255, 0, 0}, 3); },
         {{800, 495, red}, {800, 515, red}, {800, 525, paper}, {800, 485, paper}}},
        {"thick upright line, its round ends reaching beyond its points",
         [](Canvas& c) { c.Line({1000, 200}, {1000, 1200}, {255, 0, 0}, 3); },
         {{995, 700, red}, {1015, 700, red}, {1025, 700, paper}, {985, 700, paper}, {1005, 1205, red},
          {1005, 1225, paper}, {1005, 195, red}, {1005, 185, paper}}},
        {"filled box, corners included", [](Canvas& c) { c.FillBox({600, 400}, {200, 200}, kWhite); },
         {{205, 205, white}, {605, 405, white}, {620, 300, paper}, {190, 300, paper}, {400, 420, paper}}},
        {"outline without its inside", [](Canvas& c) { c.OutlineBox({200, 200}, {1200, 1000}, kBlack); },
         {{700, 205, black}, {1205, 600, black}, {700, 600, paper}}},
        {"dot", [](Canvas& c) { c.Dot({1000, 1000}, {255, 0, 0}); }, {{1005, 1005, red}, {1015, 1005, paper}}},
        {"a point that is not a number draws nothing",
         [](Canvas& c) { c.Line({100, 500}, {std::numeric_limits<double>::quiet_NaN(), 500}, {255, 0, 0}); },
         {{800, 505, paper}, {105, 505, paper}}},
    };
    for (const double ratio : {1.0, 2.0}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (ratio == 1 ? "" : ", high density"));
            QImage image(QSize(200, 150) * ratio, QImage::Format_RGB32);
            image.setDevicePixelRatio(ratio);
            image.fill(paper);
            QPainter painter(&image);
            PainterCanvas canvas(painter, {0.1, 0.1, 0, 0, 1, 96.0 / 72.0, ratio, QRectF(0, 0, 200, 150)});
            c.draw(canvas);
            painter.end();
            for (const auto& [x, y, colour] : c.probes)
                EXPECT_EQ(image.pixelColor(int(x * 0.1 * ratio), int(y * 0.1 * ratio)), colour) << x << ", " << y;
        }
    }
}

// Erasing is shown anew only where it changes something: a box filled over
// two marks clears both and reports the part between them, not the whole box,
// and filling it again reports nothing.
TEST(PainterCanvas, FillingReportsOnlyThePixelsItChanged)
{
    const QColor paper(238, 255, 255);
    const Rgb paperRgb{238, 255, 255};
    for (const double ratio : {1.0, 2.0}) {
        SCOPED_TRACE(ratio);
        QImage image(QSize(200, 150) * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        image.fill(paper);
        QPainter painter(&image);
        const PainterMapping mapping{0.1, 0.1, 0, 0, 1, 96.0 / 72.0, ratio, QRectF(0, 0, 200, 150)};
        {
            PainterCanvas marks(painter, mapping);
            marks.Dot({500, 1200}, kBlack);
            marks.Dot({1500, 300}, kBlack);
        }
        PainterCanvas erase(painter, mapping);
        erase.FillBox({100, 100}, {1900, 1400}, paperRgb);
        const QRectF changed = erase.Touched();
        EXPECT_TRUE(changed.contains(QPointF(50.5, 120.5)) && changed.contains(QPointF(150.5, 30.5)));
        EXPECT_LT(changed.width(), 110);  // the marks and the margin around them
        EXPECT_LT(changed.height(), 100);
        PainterCanvas again(painter, mapping);
        again.FillBox({100, 100}, {1900, 1400}, paperRgb);
        EXPECT_TRUE(again.Touched().isEmpty());
        painter.end();
        for (const auto& [x, y] : {std::pair{50, 120}, std::pair{150, 30}})
            EXPECT_EQ(image.pixelColor(QPoint(x, y) * ratio), paper) << x << ", " << y;
    }
}

} // namespace
} // namespace stelvane
