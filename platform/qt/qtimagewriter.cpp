#include "platform/qt/qtimagewriter.h"

#include <memory>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "platform/qt/paintercanvas.h"

namespace stelvane {

namespace {

// Fonts need a Qt application; the command line has none of its own, and
// it may run where there is no screen.
void EnsureApplication()
{
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 3;
    static char name[] = "stelvane-cli", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

PainterMapping MappingOf(const ImageRequest& r)
{
    PainterMapping m;
    m.pixelsPerUnitX = r.pixelsPerUnitX;
    m.pixelsPerUnitY = r.pixelsPerUnitY;
    m.pixelsPerPoint = r.pixelsPerPoint;
    m.surface = QRectF(0, 0, r.widthPixels, r.heightPixels);
    return m;
}

void Paint(QPaintDevice& device, const ImageRequest& r, const Picture& picture)
{
    QPainter painter(&device);
    PainterCanvas canvas(painter, MappingOf(r));
    canvas.Clear(r.background);
    picture(canvas);
}

}  // namespace

std::string QtImageWriter::WriteImage(const std::string& fileName, const ImageRequest& r, const Picture& picture)
{
    const std::optional<ImageFormat> format = ImageFormatOf(fileName);
    if (!format) return "An image file's name ends in .png or .svg";
    if (r.widthPixels < kSmallestImageSide || r.heightPixels < kSmallestImageSide ||
        r.widthPixels > kLargestImageSide || r.heightPixels > kLargestImageSide)
        return "An image is " + std::to_string(kSmallestImageSide) + " to " + std::to_string(kLargestImageSide) +
            " pixels wide and high";
    EnsureApplication();
    // Written beside the file and renamed over it: a failure leaves what was there.
    QSaveFile file(QString::fromStdString(fileName));
    if (!file.open(QIODevice::WriteOnly)) return "The image could not be written: " + file.errorString().toStdString();
    if (*format == ImageFormat::Png) {
        QImage image(r.widthPixels, r.heightPixels, QImage::Format_RGB32);
        Paint(image, r, picture);
        if (!image.save(&file, "PNG")) {
            file.cancelWriting();
            return "The image could not be written: " + file.errorString().toStdString();
        }
    } else {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(QSize(r.widthPixels, r.heightPixels));
        svg.setViewBox(QRect(0, 0, r.widthPixels, r.heightPixels));
        svg.setResolution(96);
        svg.setTitle("Stelvane");
        Paint(svg, r, picture);
    }
    if (!file.commit()) return "The image could not be written: " + file.errorString().toStdString();
    return {};
}

}  // namespace stelvane
