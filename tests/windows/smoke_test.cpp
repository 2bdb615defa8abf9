#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include "desktop/programicon.h"
#include "platform/qt/qtplatform.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// The windows on the real Qt platform, as the screen shows them: each one
// opened by its button is visible, carries the program's icon and shows its
// drawing where no control covers it.
TEST(WindowsSmokeTest, WindowsOpenAndPaintOnTheRealPlatform)
{
    WorkingDirectory dir;
    ASSERT_EQ(RunCli("--save QUIBEX.LAST"), 0);  // a last session: no message box waits for a click
    QApplication::setWindowIcon(ProgramIcon());  // as the program's main does
    QtPlatform platform;
    DesignState record;
    Navigator navigator(record, platform, [] {});
    RegisterProgramWindows(navigator);
    navigator.Open(Opening);
    const std::vector<std::tuple<WindowKind, const char*, WindowKind, CanvasPoint, QColor>> cases = {
        {Opening, "cmdStart", Design, {1800, 7900}, Qt::white},  // a panel
        {Design, "cmdAbout", About, {100, 100}, QColor(240, 255, 255)},
        {Design, "cmdPlot", Plot, {2050, 1050}, Qt::white},          // the frame
        {Plot, "cmdSchematic", Schematic, {1000, 1000}, Qt::white},  // the band
    };
    for (const auto& [from, button, kind, at, colour] : cases) {
        SCOPED_TRACE(WindowName(kind));
        QTest::mouseClick(Control(navigator.Find(from), button), Qt::LeftButton);
        FlushDeletes();
        FormWindow* window = navigator.Find(kind);
        ASSERT_TRUE(window && window->isVisible());
        EXPECT_EQ(window->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        const QImage image = window->grab().toImage();
        const QPointF pixel(at.x * window->PixelsPerUnitX(), at.y * window->PixelsPerUnitY());
        EXPECT_EQ(image.pixelColor((pixel * image.devicePixelRatio()).toPoint()), colour);
    }
}

}  // namespace stelvane::testing
