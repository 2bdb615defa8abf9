#include "platform/qt/paintercanvas.h"

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include "tests/platformqt/qtapp.h"

namespace stelvane {
namespace {

constexpr Rgb kPaper{238, 255, 255};
constexpr Rgb kRed{255, 0, 0};

// A 200 x 150 logical-pixel image, one pixel per 10 layout units, drawn on
// at the given device pixel ratio.
struct Surface {
    explicit Surface(double dpr) : image(QSize(200, 150) * dpr, QImage::Format_RGB32)
    {
        image.setDevicePixelRatio(dpr);
        image.fill(QColor(kPaper.r, kPaper.g, kPaper.b));
        mapping.pixelsPerUnitX = 0.1;
        mapping.pixelsPerUnitY = 0.1;
        mapping.devicePixelRatio = dpr;
        mapping.surface = QRectF(0, 0, 200, 150);
    }
    void Draw(const std::function<void(Canvas&)>& draw)
    {
        QPainter painter(&image);
        PainterCanvas canvas(painter, mapping);
        draw(canvas);
    }
    // The colour of the device pixel under a point in layout units.
    Rgb At(double ux, double uy) const
    {
        const double dpr = mapping.devicePixelRatio;
        const QColor c = image.pixelColor(static_cast<int>(std::floor(ux * 0.1 * dpr)),
                                          static_cast<int>(std::floor(uy * 0.1 * dpr)));
        return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                static_cast<std::uint8_t>(c.blue())};
    }
    Rgb Device(int x, int y) const
    {
        const QColor c = image.pixelColor(x, y);
        return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                static_cast<std::uint8_t>(c.blue())};
    }
    QImage image;
    PainterMapping mapping;
};

struct Probe {
    double x;
    double y;
    Rgb colour;
    int tolerance = 0;  // per channel; smoothed curves reach their colour only nearly
};

bool Close(Rgb a, Rgb b, int tolerance)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

TEST(PainterCanvas, PutsEachPrimitiveWhereTheLayoutUnitsSay)
{
    TestApplication();
    struct Case {
        const char* name;
        std::function<void(Canvas&)> draw;
        std::vector<Probe> probes;
    };
    const std::vector<Case> cases = {
        {"thin horizontal line, ends included",
         [](Canvas& c) { c.Line({100, 500}, {1500, 500}, kRed); },
         {{800, 505, kRed}, {100, 505, kRed}, {1500, 505, kRed}, {800, 515, kPaper}, {800, 495, kPaper},
          {1600, 505, kPaper}}},
        {"line three pixels wide",
         [](Canvas& c) { c.Line({100, 500}, {1500, 500}, kRed, 3); },
         {{800, 495, kRed}, {800, 505, kRed}, {800, 515, kRed}, {800, 525, kPaper}, {800, 485, kPaper}}},
        {"vertical line",
         [](Canvas& c) { c.Line({700, 100}, {700, 1200}, kBlack); },
         {{705, 600, kBlack}, {715, 600, kPaper}, {695, 600, kPaper}}},
        {"filled box, both corners included",
         [](Canvas& c) { c.FillBox({200, 200}, {600, 400}, kWhite); },
         {{400, 300, kWhite}, {200, 200, kWhite}, {605, 405, kWhite}, {620, 300, kPaper}, {400, 420, kPaper},
          {190, 300, kPaper}}},
        {"box given by the other two corners",
         [](Canvas& c) { c.FillBox({600, 200}, {200, 400}, kWhite); },
         {{400, 300, kWhite}, {620, 300, kPaper}}},
        {"box outline leaves the inside",
         [](Canvas& c) { c.OutlineBox({200, 200}, {1200, 1000}, {17, 17, 17}); },
         {{700, 205, {17, 17, 17}}, {205, 600, {17, 17, 17}}, {1205, 600, {17, 17, 17}}, {700, 1005, {17, 17, 17}},
          {700, 600, kPaper}}},
        {"single point",
         [](Canvas& c) { c.Dot({1000, 1000}, kRed); },
         {{1005, 1005, kRed}, {1015, 1005, kPaper}, {995, 1005, kPaper}, {1005, 1015, kPaper}}},
        {"full circle",
         [](Canvas& c) { c.Arc({1000, 700}, 300, 0, 2 * std::numbers::pi, kBlack); },
         {{1305, 705, kBlack, 100}, {705, 705, kBlack, 100}, {1005, 405, kBlack, 100}, {1005, 1005, kBlack, 100},
          {1000, 700, kPaper}}},
        {"half arc runs counter-clockwise over the top",
         [](Canvas& c) { c.Arc({1000, 700}, 300, 0, std::numbers::pi, kBlack, 2); },
         {{1005, 405, kBlack, 100}, {1005, 1005, kPaper}}},
        {"arc from a larger to a smaller angle wraps round",
         [](Canvas& c) { c.Arc({1000, 700}, 300, std::numbers::pi, 0.0001, kBlack, 2); },
         {{1005, 1005, kBlack, 100}, {1005, 405, kPaper}}},
        {"clear paints everything",
         [](Canvas& c) { c.Clear(kWhite); },
         {{0, 0, kWhite}, {1995, 1495, kWhite}}},
        {"a line to a far point keeps its direction",
         [](Canvas& c) { c.Line({100, 500}, {1e12, 500}, kRed); },
         {{1900, 505, kRed}, {1900, 515, kPaper}}},
        {"a line to a point that is not a number draws nothing",
         [](Canvas& c) {
             c.Line({100, 500}, {std::numeric_limits<double>::quiet_NaN(), 500}, kRed);
             c.Dot({std::numeric_limits<double>::infinity(), 500}, kRed);
             c.FillBox({0, 0}, {std::numeric_limits<double>::infinity(), 500}, kRed);
         },
         {{800, 505, kPaper}, {5, 5, kPaper}}},
        {"a polyline skips a broken point and goes on",
         [](Canvas& c) {
             c.Polyline({{100, 500}, {900, 500}, {std::numeric_limits<double>::quiet_NaN(), 0}, {100, 1000},
                         {900, 1000}},
                        kRed);
         },
         {{500, 505, kRed}, {500, 1005, kRed}, {500, 755, kPaper}}},
    };
    for (double dpr : {1.0, 2.0}) {
        for (const auto& tc : cases) {
            SCOPED_TRACE(std::string(tc.name) + (dpr == 1.0 ? " (dpr 1)" : " (dpr 2)"));
            Surface s(dpr);
            s.Draw(tc.draw);
            for (const Probe& p : tc.probes) {
                EXPECT_TRUE(Close(s.At(p.x, p.y), p.colour, p.tolerance)) << "at (" << p.x << ", " << p.y << ")";
            }
        }
    }
}

TEST(PainterCanvas, KeepsThinLinesOneDevicePixelSharp)
{
    TestApplication();
    struct Case {
        const char* name;
        double dpr;
        double width;
        int deviceRows;  // rows of full colour across the line
    };
    const std::vector<Case> cases = {
        {"normal screen, width 1", 1, 1, 1},
        {"normal screen, width 2", 1, 2, 2},
        {"high-density screen, width 1", 2, 1, 2},
        {"high-density screen, width 3", 2, 3, 6},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        // A fractional position (42.37 logical pixels) must not smear the line over more rows.
        Surface s(tc.dpr);
        s.Draw([&](Canvas& c) { c.Line({100, 423.7}, {1500, 423.7}, kRed, tc.width); });
        const int x = static_cast<int>(80 * tc.dpr);
        int full = 0;
        int partial = 0;
        for (int y = 0; y < s.image.height(); ++y) {
            const Rgb c = s.Device(x, y);
            if (c == kRed) {
                ++full;
            } else if (!(c == kPaper)) {
                ++partial;
            }
        }
        EXPECT_EQ(full, tc.deviceRows);
        EXPECT_EQ(partial, 0);
    }
}

TEST(PainterCanvas, DrawsTextGlyphsOnlyBelowAndRightOfItsCorner)
{
    TestApplication();
    struct Case {
        const char* name;
        std::string text;
        CanvasFont font;
        Rgb colour;
    };
    const std::vector<Case> cases = {
        {"ordinary label", "Gain, dB:", {"Arial", 7.2, false}, {17, 17, 255}},
        {"bold heading", "Design: ", {"Arial", 10.8, true}, kBlack},
        {"large title", "Stelvane", {"Times New Roman", 18, true}, {0, 0, 192}},
    };
    for (double dpr : {1.0, 2.0}) {
        for (const auto& tc : cases) {
            SCOPED_TRACE(std::string(tc.name) + (dpr == 1.0 ? " (dpr 1)" : " (dpr 2)"));
            Surface s(dpr);
            const CanvasPoint corner{300, 400};
            TextExtent extent;
            s.Draw([&](Canvas& c) {
                c.FillBox({0, 0}, {1999, 1499}, kWhite);
                c.Text(corner, tc.text, tc.colour, tc.font);
                extent = c.MeasureText(tc.text, tc.font);
            });
            // The text is as tall as the font says: points x 96/72 pixels per em, 10 units a pixel.
            const double emUnits = tc.font.points * 96.0 / 72.0 * 10.0;
            EXPECT_GT(extent.height, emUnits);
            EXPECT_LT(extent.height, 1.5 * emUnits);
            EXPECT_GT(extent.width, 0.3 * emUnits * static_cast<double>(tc.text.size()));
            // Glyphs in the text's colour inside its box; nothing drawn outside it; the
            // background between the glyphs is left as it was (no box behind the text).
            int inside = 0;
            int outside = 0;
            int background = 0;
            const double x0 = corner.x * 0.1 * dpr;
            const double y0 = corner.y * 0.1 * dpr;
            const double x1 = (corner.x + extent.width) * 0.1 * dpr;
            const double y1 = (corner.y + extent.height) * 0.1 * dpr;
            for (int y = 0; y < s.image.height(); ++y) {
                for (int x = 0; x < s.image.width(); ++x) {
                    const Rgb c = s.Device(x, y);
                    const bool in = x >= x0 - 1 && x <= x1 + 1 && y >= y0 - 1 && y <= y1 + 1;
                    if (c == kWhite) {
                        background += in ? 1 : 0;
                        continue;
                    }
                    (in ? inside : outside) += 1;
                }
            }
            EXPECT_GT(inside, 10);
            EXPECT_EQ(outside, 0);
            EXPECT_GT(background, inside);
            // Somewhere the glyphs reach (nearly) their full colour.
            bool exact = false;
            for (int y = static_cast<int>(y0); y <= static_cast<int>(y1) && !exact; ++y) {
                for (int x = static_cast<int>(x0); x <= static_cast<int>(x1) && !exact; ++x) {
                    exact = Close(s.Device(x, y), tc.colour, 48);
                }
            }
            EXPECT_TRUE(exact);
        }
    }
}

TEST(PainterCanvas, ScalesWidthsAndFontsForThePrinterPage)
{
    TestApplication();
    // A printer page at 300 dots per inch seen as 12000 x 18000 units: line
    // widths count 600-dot-per-inch dots and fonts are physical points.
    struct Case {
        const char* name;
        double width;       // in printer dots
        int expectedRows;   // device rows at 300 dpi
    };
    const std::vector<Case> cases = {{"width 10", 10, 5}, {"width 15", 15, 8}, {"width 1 stays visible", 1, 1}};
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        QImage page(1200, 1800, QImage::Format_RGB32);
        page.fill(Qt::white);
        PainterMapping m;
        m.pixelsPerUnitX = 1200.0 / 12000.0;
        m.pixelsPerUnitY = 1800.0 / 18000.0;
        m.pixelsPerWidth = 300.0 / 600.0;
        m.pixelsPerPoint = 300.0 / 72.0;
        m.surface = QRectF(0, 0, 1200, 1800);
        QPainter painter(&page);
        PainterCanvas canvas(painter, m);
        canvas.Line({2000, 5000}, {11000, 5000}, kBlack, tc.width);
        // Font size 10 points: 10/72 inch, at 300 dpi about 41.7 pixels per em, 417 units down the page.
        const TextExtent e = canvas.MeasureText("Filter design:", {"Arial", 10, false});
        painter.end();
        int rows = 0;
        for (int y = 400; y < 600; ++y) {
            rows += page.pixelColor(600, y) == QColor(Qt::black) ? 1 : 0;
        }
        EXPECT_EQ(rows, tc.expectedRows);
        EXPECT_GT(e.height, 417);
        EXPECT_LT(e.height, 1.5 * 417);
    }
}

} // namespace
} // namespace stelvane
