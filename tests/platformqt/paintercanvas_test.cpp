#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <vector>

#include "platform/qt/paintercanvas.h"

namespace stelvane {
namespace {

enum class Kind { Line, FillBox, FillPolygon, OutlineBox, Dot, Arc, Text };

// One call of each kind on the canvas in red (which tells a swapped colour channel), an arc of radius 500
// from 0 to 3 radians, a bold 14-point text.
void Draw(Canvas& c, Kind kind, const std::vector<CanvasPoint>& at, double width)
{
    constexpr Rgb colour{255, 0, 0};
    switch (kind) {
    case Kind::Line: return c.Line(at[0], at[1], colour, width);
    case Kind::FillBox: return c.FillBox(at[0], at[1], colour);
    case Kind::FillPolygon: return c.FillPolygon(at, colour);
    case Kind::OutlineBox: return c.OutlineBox(at[0], at[1], colour, width);
    case Kind::Dot: return c.Dot(at[0], colour, width);
    case Kind::Arc: return c.Arc(at[0], 500, 0, 3, colour, width);
    case Kind::Text: return c.Text(at[0], "Gain, dB: -3.01", colour, CanvasFont{"Arial", 14, true});
    }
}

// Each primitive lands where its layout units say, on a 200 x 150 pixel image
// at one pixel per 10 units, on an ordinary and on a high-density screen: the
// colours at points inside it and just beside it. Measuring the call first
// paints nothing and reaches every pixel that drawing it changes, so a window
// that shows anew only what its calls reach misses none.
TEST(PainterCanvas, DrawsWhereTheLayoutUnitsSayAndMeasuresWhatItChanges)
{
    const QColor paper(238, 255, 255), red(Qt::red);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        Kind kind;
        std::vector<CanvasPoint> at;
        double width;
        std::vector<std::tuple<double, double, QColor>> probes;  // x, y in layout units
        bool draws = true;
    };
    const std::vector<Case> cases = {
        {"thin line, ends included", Kind::Line, {{100, 500}, {1500, 500}}, 1,
            {{100, 505, red}, {1500, 505, red}, {800, 515, paper}, {800, 495, paper}, {1600, 505, paper}}},
        {"thick upright line, round ends beyond its points", Kind::Line, {{1000, 200}, {1000, 1200}}, 3,
            {{995, 700, red}, {1015, 700, red}, {1025, 700, paper}, {985, 700, paper}, {1005, 1205, red},
                {1005, 1225, paper}}},
        {"filled box, corners included", Kind::FillBox, {{600, 400}, {200, 200}}, 0,
            {{205, 205, red}, {605, 405, red}, {620, 300, paper}, {190, 300, paper}}},
        {"outline without its inside", Kind::OutlineBox, {{200, 200}, {1200, 1000}}, 3,
            {{700, 205, red}, {1205, 600, red}, {700, 600, paper}}},
        {"polygon", Kind::FillPolygon, {{300, 300}, {1700, 500}, {900, 1300}}, 0, {}},
        {"dot", Kind::Dot, {{1000, 1000}}, 1, {{1005, 1005, red}, {1015, 1005, paper}}},
        {"wide dot", Kind::Dot, {{1000, 1000}}, 4, {}},
        {"arc", Kind::Arc, {{1000, 700}}, 2, {}},
        {"text", Kind::Text, {{300, 600}}, 0, {}},
        {"a point that is not a number", Kind::Line, {{100, 500}, {nan, 500}}, 1,
            {{800, 505, paper}, {105, 505, paper}}, false},
    };
    for (const double ratio : {1.0, 2.0}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (ratio == 1 ? "" : ", high density"));
            QImage image(QSize(200, 150) * ratio, QImage::Format_RGB32);
            image.setDevicePixelRatio(ratio);
            image.fill(paper);
            const QImage blank = image.copy();
            QPainter painter(&image);
            const PainterMapping mapping{0.1, 0.1, 0, 0, 1, 96.0 / 72.0, ratio, QRectF(0, 0, 200, 150)};
            PainterCanvas measuring(painter, mapping);
            measuring.SetMeasureOnly(true);
            Draw(measuring, c.kind, c.at, c.width);
            EXPECT_EQ(image, blank);
            PainterCanvas canvas(painter, mapping);
            Draw(canvas, c.kind, c.at, c.width);
            painter.end();
            for (const auto& [x, y, colour] : c.probes)
                EXPECT_EQ(image.pixelColor(int(x * 0.1 * ratio), int(y * 0.1 * ratio)), colour) << x << ", " << y;
            int changed = 0, outside = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixelColor(x, y) != paper) {
                        ++changed;
                        outside += measuring.Touched().contains(QPointF(x + 0.5, y + 0.5) / ratio) ? 0 : 1;
                    }
            EXPECT_EQ(changed > 0, c.draws);
            EXPECT_EQ(outside, 0);
        }
    }
}

}  // namespace
}  // namespace stelvane
