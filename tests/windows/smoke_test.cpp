#include <QImage>
#include <QPixmap>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/qt/qtplatform.h"
#include "windows/frmabout.h"
#include "windows/frmdesign.h"
#include "windows/frmopening.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;

// The window as the screen would show it.
QImage Grab(FormWindow& window)
{
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The colour at a point given in layout units.
Rgb At(const QImage& image, const FormWindow& window, CanvasPoint unit)
{
    const double ratio = image.devicePixelRatio();
    const int x = int(std::lround(unit.x * window.PixelsPerUnitX() * ratio));
    const int y = int(std::lround(unit.y * window.PixelsPerUnitY() * ratio));
    const QColor c = image.pixelColor(x, y);
    return Rgb{std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())};
}

// Keeps the image where a person can look at it: the test's folder, and the
// folder named by STELVANE_SCREENSHOT_DIR when that is set.
void Keep(const QImage& image, const std::string& name)
{
    image.save(QString::fromStdString(name + ".png"));
    if (const char* folder = std::getenv("STELVANE_SCREENSHOT_DIR"))
        image.save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
}

TEST(WindowsSmokeTest, EveryWindowOpensOnTheRealPlatform)
{
    Application();
    TemporaryWorkingDirectory dir;
    WriteDesignText("QUIBEX.LAST", FileDesign{});  // no message box to block the test

    QtPlatform platform;
    DesignState record;
    int endings = 0;
    {
        Navigator navigator(record, platform, [&] { ++endings; });
        RegisterProgramWindows(navigator);

        struct Check {
            const char* name;
            CanvasPoint at;
            Rgb colour;
        };
        struct Case {
            const char* name;
            WindowKind kind;
            bool maximized;
            std::vector<Check> checks;
        };
        const std::vector<Case> cases = {
            {"opening",
             WindowKind::Opening,
             true,
             {{"picture band", {1000, 3000}, kWhite}, {"background", {1000, 8000}, {238, 255, 255}}}},
            {"design",
             WindowKind::Design,
             true,
             {{"design panel", {1800, 7900}, kWhite},
              {"graph panel", {11400, 6600}, kWhite},
              {"background", {600, 8500}, {238, 255, 255}},
              {"between panels", {5050, 4000}, {238, 255, 255}}}},
            {"about", WindowKind::About, false, {{"background", {100, 100}, {240, 255, 255}}}},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            if (c.kind == WindowKind::Design)
                Click(navigator.Find(WindowKind::Opening)->findChild<QPushButton*>("cmdStart"));
            else if (c.kind == WindowKind::About)
                Click(navigator.Find(WindowKind::Design)->findChild<QPushButton*>("cmdAbout"));
            else
                navigator.Open(c.kind);
            FlushDeletes();
            FormWindow* window = navigator.Find(c.kind);
            ASSERT_NE(window, nullptr);
            EXPECT_TRUE(window->isVisible());
            EXPECT_EQ(bool(window->windowState() & Qt::WindowMaximized), c.maximized);
            const QImage image = Grab(*window);
            ASSERT_FALSE(image.isNull());
            Keep(image, std::string("stelvane-") + c.name);
            for (const Check& check : c.checks) {
                SCOPED_TRACE(check.name);
                EXPECT_EQ(At(image, *window, check.at), check.colour);
            }
        }
        EXPECT_EQ(navigator.Find(WindowKind::Opening), nullptr);  // closed by Start
    }
    FlushDeletes();
    EXPECT_EQ(endings, 0);
}

} // namespace
} // namespace stelvane
