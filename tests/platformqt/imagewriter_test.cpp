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

// Whether the SVG is sound XML with a path or polyline under a pen of the colour.
bool SvgStrokes(const std::string& file, const char* stroke)
{
    QFile in(QString::fromStdString(file));
    if (!in.open(QIODevice::ReadOnly)) return false;
    QXmlStreamReader xml(&in);
    std::vector<QString> pens{"none"};
    bool found = false;
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (xml.isEndElement()) pens.pop_back();
        if (!xml.isStartElement()) continue;
        const QString own = xml.attributes().value("stroke").toString();
        pens.push_back(own.isEmpty() ? pens.back() : own);
        found |=
            (xml.name() == QLatin1String("path") || xml.name() == QLatin1String("polyline")) && pens.back() == stroke;
    }
    return !xml.hasError() && found;
}

// A pixel within r of (x, y) of about the colour: exactly it (to 12 in all) at one point, or
// within 60 of a smoothed curve's colour in a square.
bool NearAround(const QImage& image, int x, int y, int r, Rgb c)
{
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx) {
            const QRgb p = image.valid(x + dx, y + dy) ? image.pixel(x + dx, y + dy) : 0;
            if (std::abs(qRed(p) - c.r) + std::abs(qGreen(p) - c.g) + std::abs(qBlue(p) - c.b) <= (r ? 60 : 12))
                return true;
        }
    return false;
}

// Known colours read back where they were drawn; refused files are not written.
TEST(ImageWriter, WritesTheColoursWhereTheyWereDrawnOrSaysWhyNot)
{
    QTemporaryDir dir;
    const Rgb red{255, 0, 0}, blue{0, 0, 255}, bg{238, 255, 255};
    auto picture = [&](Canvas& c) {
        c.FillBox({0, 0}, {6000, 4500}, red);  // the top-left quarter
        c.Line({0, 6000}, {12000, 6000}, blue, 3);
    };
    struct Case {
        std::string file;
        int width, height;
        bool written;
    };
    for (const Case& c : std::vector<Case>{{"a.png", 400, 300, true}, {"B.PNG", 240, 360, true},
             {"c.svg", 400, 300, true}, {"d.bmp", 400, 300, false}, {"e.png", 8, 300, false},
             {"f.png", 400, kLargestImageSide + 1, false}, {"no/such/g.png", 400, 300, false}}) {
        SCOPED_TRACE(c.file);
        const std::string file = dir.path().toStdString() + "/" + c.file;
        const std::string failure = QtImageWriter().WriteImage(file, WholeWindowImage(c.width, c.height, bg), picture);
        EXPECT_EQ(failure.empty(), c.written) << failure;
        ASSERT_EQ(QFile::exists(QString::fromStdString(file)), c.written);
        if (!c.written || *ImageFormatOf(file) == ImageFormat::Svg) {
            EXPECT_EQ(c.written, SvgStrokes(file, "#0000ff"));
            continue;
        }
        const QImage image(QString::fromStdString(file));
        ASSERT_EQ(image.size(), QSize(c.width, c.height));
        EXPECT_TRUE(NearAround(image, c.width / 4, c.height / 4, 0, red));
        EXPECT_TRUE(NearAround(image, c.width * 3 / 4, c.height / 4, 0, bg));
        EXPECT_TRUE(NearAround(image, c.width / 2 + 1, c.height / 2 + 1, 0, bg));  // just past the quarter
        EXPECT_TRUE(NearAround(image, c.width / 2, c.height * 2 / 3, 2, blue));
    }
}

// stelvane-cli --image: the start-up band's peak (0 dB at 1 kHz on a linear
// 500 Hz to 2 kHz axis, +10 to -20 dB) lies at layout (5000, 3000); white
// inside the frame, the window's background outside; the SVG has the curve.
TEST(ImageWriter, CommandLineDrawsThePlotIntoTheImage)
{
    QTemporaryDir dir;
    const std::string png = dir.path().toStdString() + "/p.png", svg = dir.path().toStdString() + "/p.svg";
    const std::string band = " --start 500 --stop 2000 --sweep lin >/dev/null 2>&1";
    ASSERT_EQ(std::system(("'" STELVANE_CLI "' --image '" + png + "' --image-size 600x450" + band).c_str()), 0);
    const QImage image(QString::fromStdString(png));
    ASSERT_EQ(image.size(), QSize(600, 450));
    EXPECT_TRUE(NearAround(image, 5000 / 20, 3000 / 20, 2, Rgb{0, 0, 255}));  // 20 layout units a pixel
    EXPECT_TRUE(NearAround(image, 200 / 20, 200 / 20, 0, Rgb{238, 255, 255}));
    EXPECT_TRUE(NearAround(image, 2060 / 20, 4500 / 20, 0, kWhite));
    ASSERT_EQ(std::system(("'" STELVANE_CLI "' --image '" + svg + "'" + band).c_str()), 0);
    EXPECT_TRUE(SvgStrokes(svg, "#0000ff"));
}

}  // namespace
}  // namespace stelvane
