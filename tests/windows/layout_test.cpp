#include <QGroupBox>
#include <QLabel>
#include <QToolButton>

#include <gtest/gtest.h>

#include "windows/updown.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// What a control covers on the screen: a label that lets the drawing show
// through covers only its text.
static QRect Covered(QWidget* control)
{
    auto* label = qobject_cast<QLabel*>(control);
    if (!label || label->autoFillBackground() || label->frameShape() != QFrame::NoFrame) return control->geometry();
    const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
    return label->fontMetrics().boundingRect(label->contentsRect(), flags, label->text()).translated(label->pos());
}

// Every control shown lies inside its parent (the window, or the frame it
// sits in), overlaps none of the others shown, and is found by its name.
static void ExpectTidy(QWidget* parent, QSize size)
{
    std::vector<QWidget*> shown;
    for (QWidget* control : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (control->isVisibleTo(parent)) shown.push_back(control);
    for (QWidget* control : shown) {
        SCOPED_TRACE(control->objectName().toStdString());
        EXPECT_EQ(parent->window()->findChild<QWidget*>(control->objectName()), control);
        EXPECT_TRUE(QRect(QPoint(), size).contains(control->geometry()));
        for (QWidget* other : shown)
            EXPECT_TRUE(other == control || !Covered(control).intersects(Covered(other)))
                << other->objectName().toStdString();
        if (qobject_cast<QGroupBox*>(control)) ExpectTidy(control, control->size());
        // an up/down control's two arrows share its whole height without overlapping
        if (auto* arrows = qobject_cast<UpDown*>(control)) {
            const QRect up = arrows->upButton()->geometry(), down = arrows->downButton()->geometry();
            EXPECT_TRUE((up | down) == arrows->rect() && !up.intersects(down));
        }
    }
}

TEST(Layout, EveryControlIsInsideItsWindowClearOfTheOthersAndNamed)
{
    // 800 x 600 at 96 dots per inch, 1280 x 800 at 120, and 1920 x 1080 at 96
    // (where the About window's unit is kept small enough for its fixed size).
    for (const ScreenMetrics& screen :
        {ScreenMetrics{12000, 9000, 15, 15}, ScreenMetrics{15360, 9600, 12, 12}, ScreenMetrics{28800, 16200, 15, 15}}) {
        SCOPED_TRACE(screen.widthTwips / screen.twipsPerPixelX);
        Program p(screen);
        p.Start({"cmdPlot"});
        const QSize full(
            int(screen.widthTwips / screen.twipsPerPixelX), int(screen.heightTwips / screen.twipsPerPixelY));
        for (int k = 0; k < kWindowKinds; ++k) {
            FormWindow* window = p.navigator.Open(WindowKind(k));
            SCOPED_TRACE(WindowName(WindowKind(k)));
            ASSERT_TRUE(window);
            ExpectTidy(window, k == int(About) ? window->size() : full);
        }
        // The plot's three panel groups share one place and are checked one at a time.
        for (const char* panel : {"cmdTunePart", "cmdEditPart", "cmdTuneCenterWidth"}) {
            SCOPED_TRACE(panel);
            for (const char* action : {"cmdReset", panel}) p.Do(Plot, action);
            ExpectTidy(p.Find(Plot), full);
        }
    }
}

}  // namespace stelvane::testing
