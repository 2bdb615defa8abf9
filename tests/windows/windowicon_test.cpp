#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/programicon.h"
#include "windows/frmdesign.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;

// Pixmaps keep their colours premultiplied by alpha, so both sides of a
// comparison are taken in that form.
QImage Pixels(const QIcon& icon, int size)
{
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage InstalledPicture(const char* file)
{
    const QString path = QStringLiteral(STELVANE_SOURCE_DIR "/desktop/icons/") + QString::fromLatin1(file);
    return QImage(path).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The windows' icon is the one the desktop shows for the installed launcher:
// the pictures compiled into the program are the files installed in the
// icon theme, pixel for pixel.
TEST(ProgramIconTest, CarriesTheInstalledPictures)
{
    Application();
    struct Case {
        const char* name;
        int size;
        const char* file;
    };
    const std::vector<Case> cases = {
        {"48 pixels", 48, "stelvane-48.png"},
        {"256 pixels", 256, "stelvane-256.png"},
    };
    const QIcon icon = ProgramIcon();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(c.size, c.size)));
        const QImage installed = InstalledPicture(c.file);
        ASSERT_FALSE(installed.isNull());
        ASSERT_EQ(installed.size(), QSize(c.size, c.size));
        EXPECT_EQ(Pixels(icon, c.size), installed);
    }
}

// Title bars, task bars and menus ask for many sizes; each gets a picture of
// that size whose middle (the plot panel) is opaque, and whose corners (cut
// off by the rounded panel) are clear.
TEST(ProgramIconTest, GivesAPictureAtEverySizeADesktopAsksFor)
{
    Application();
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(std::to_string(size) + " pixels");
        const QImage image = Pixels(icon, size);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(image.pixel(size - 1, size - 1)), 0);
    }
}

// The program sets its icon once, on the application; every window, the
// small and modal ones included, shows it and none replaces it.
TEST(WindowIconTest, EveryWindowCarriesTheProgramIcon)
{
    Application();
    TemporaryWorkingDirectory dir;
    WriteDesignText("QUIBEX.LAST", FileDesign{});
    const QIcon before = QApplication::windowIcon();
    QApplication::setWindowIcon(ProgramIcon());
    const QImage expected = Pixels(ProgramIcon(), 48);

    struct Case {
        const char* name;
        WindowKind kind;
    };
    const std::vector<Case> cases = {
        {"opening", WindowKind::Opening},     {"design", WindowKind::Design},
        {"plot", WindowKind::Plot},           {"schematic", WindowKind::Schematic},
        {"tabulated", WindowKind::Tabulated}, {"opamp test", WindowKind::OpampTest},
        {"poles", WindowKind::Poles},         {"file writing", WindowKind::WriteFiles},
        {"about", WindowKind::About},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program program;
        InstallStartDefaults(program.record);
        // The views draw the design the Enter step leaves in the record.
        auto* design = program.Open<frmDesign>(WindowKind::Design);
        ASSERT_NE(design, nullptr);
        Click(design->cmdPlot);
        FlushDeletes();

        FormWindow* window = program.navigator.Open(c.kind);
        ASSERT_NE(window, nullptr) << "no window of this kind";
        EXPECT_FALSE(window->windowIcon().isNull());
        EXPECT_EQ(Pixels(window->windowIcon(), 48), expected);
    }
    QApplication::setWindowIcon(before);
}

} // namespace
} // namespace stelvane
