#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/qt/qtimagewriter.h"

namespace stelvane {
namespace {

// Whether the SVG parses as XML and draws a path or polyline with that stroke
// (Qt's generator puts the pen on the group around the shapes).
bool SvgStrokes(const QString& file, const QString& stroke)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return false;
    QXmlStreamReader xml(&in);
    std::vector<QString> strokes{"none"};
    bool found = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString own = xml.attributes().value("stroke").toString();
            strokes.push_back(own.isEmpty() ? strokes.back() : own);
            const bool shape = xml.name() == QLatin1String("path") || xml.name() == QLatin1String("polyline");
            found = found || (shape && strokes.back().compare(stroke, Qt::CaseInsensitive) == 0);
        } else if (xml.isEndElement()) {
            strokes.pop_back();
        }
    }
    return !xml.hasError() && found;
}

bool Near(QRgb p, Rgb c, int slack = 8)
{
    return std::abs(qRed(p) - c.r) <= slack && std::abs(qGreen(p) - c.g) <= slack && std::abs(qBlue(p) - c.b) <= slack;
}

// A pixel in the square of radius r around (x, y) near the colour.
bool NearAround(const QImage& image, int x, int y, int r, Rgb c)
{
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            if (image.valid(x + dx, y + dy) && Near(image.pixel(x + dx, y + dy), c, 60)) return true;
    return false;
}

// A picture of known colours at known places, written as PNG and SVG, read
// back; and the files the writer refuses, which it leaves unwritten.
TEST(ImageWriter, WritesTheColoursWhereTheyWereDrawnOrSaysWhyNot)
{
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString() + "/";
    const Rgb red{255, 0, 0}, background{238, 255, 255};
    auto picture = [&](Canvas& c) {
        c.FillBox({0, 0}, {6000, 4500}, red);  // the top-left quarter
        c.Line({0, 6000}, {12000, 6000}, Rgb{0, 0, 255}, 3);
    };
    struct Case {
        const char* name;
        std::string file;
        int width, height;
        bool written;
    };
    const std::vector<Case> cases{
        {"a PNG at 400 x 300", "a.png", 400, 300, true},
        {"upper-case name, another size", "B.PNG", 240, 360, true},
        {"an SVG", "c.svg", 400, 300, true},
        {"a name of neither kind", "d.bmp", 400, 300, false},
        {"too small", "e.png", 8, 300, false},
        {"too large", "f.png", 400, kLargestImageSide + 1, false},
        {"a folder that is not there", "no/such/g.png", 400, 300, false},
    };
    QtImageWriter writer;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = folder + c.file;
        const std::string failure = writer.WriteImage(file, WholeWindowImage(c.width, c.height, background), picture);
        EXPECT_EQ(failure.empty(), c.written) << failure;
        ASSERT_EQ(QFile::exists(QString::fromStdString(file)), c.written);
        if (!c.written) continue;
        if (*ImageFormatOf(file) == ImageFormat::Svg) {
            EXPECT_TRUE(SvgStrokes(QString::fromStdString(file), "#0000ff"));
            continue;
        }
        const QImage image(QString::fromStdString(file));
        ASSERT_EQ(image.size(), QSize(c.width, c.height));
        EXPECT_TRUE(Near(image.pixel(c.width / 4, c.height / 4), red));
        EXPECT_TRUE(Near(image.pixel(c.width * 3 / 4, c.height / 4), background));
        EXPECT_TRUE(Near(image.pixel(c.width / 2 + 1, c.height / 2 + 1), background));  // the quarter's edge
        EXPECT_TRUE(NearAround(image, c.width / 2, c.height * 6000 / 9000, 2, Rgb{0, 0, 255}));
    }
}

// stelvane-cli --image draws the plot as the window does: the start-up band
// (0 dB at 1 kHz) on a linear axis of 500 Hz to 2 kHz and a scale of +10 to
// -20 dB puts the gain curve's peak at layout (5000, 3000); the frame is white
// inside, the window's background outside. The SVG holds the curve as a path.
TEST(ImageWriter, CommandLineDrawsThePlotIntoTheImage)
{
    QTemporaryDir dir;
    const std::string png = dir.path().toStdString() + "/plot.png", svg = dir.path().toStdString() + "/plot.svg";
    const std::string band = " --start 500 --stop 2000 --sweep lin >/dev/null 2>&1";
    ASSERT_EQ(std::system(("'" STELVANE_CLI "' --image '" + png + "' --image-size 600x450" + band).c_str()), 0);
    const QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(600, 450));
    const double x = 600.0 / 12000, y = 450.0 / 9000;  // pixels per layout unit
    EXPECT_TRUE(NearAround(image, int(5000 * x), int(3000 * y), 2, Rgb{0, 0, 255}));
    EXPECT_TRUE(Near(image.pixel(int(200 * x), int(200 * y)), Rgb{238, 255, 255}));
    EXPECT_TRUE(Near(image.pixel(int(2060 * x), int(4500 * y)), Rgb{255, 255, 255}));
    ASSERT_EQ(std::system(("'" STELVANE_CLI "' --image '" + svg + "'" + band).c_str()), 0);
    EXPECT_TRUE(SvgStrokes(QString::fromStdString(svg), "#0000ff"));
}

}  // namespace
}  // namespace stelvane
