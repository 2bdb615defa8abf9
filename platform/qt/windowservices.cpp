#include "platform/qt/windowservices.h"

#include <cmath>

#include <QScreen>
#include <QWidget>

namespace stelvane {

QSize ClientSizeFromTwips(const ScreenMetrics& screen, double widthTwips, double heightTwips)
{
    const double w = widthTwips / screen.twipsPerPixelX;
    const double h = heightTwips / screen.twipsPerPixelY;
    // A broken screen measure must still give a window that can be seen.
    const int width = std::isfinite(w) && w >= 1 ? static_cast<int>(std::lround(w)) : 1;
    const int height = std::isfinite(h) && h >= 1 ? static_cast<int>(std::lround(h)) : 1;
    return {width, height};
}

void ShowMaximized(QWidget& window)
{
    // Without a window manager a maximize request is never carried out; the
    // window then still covers the screen, as it would maximized.
    if (const QScreen* screen = window.screen()) {
        window.setGeometry(screen->availableGeometry());
    }
    window.showMaximized();
}

void ShowFixedSize(QWidget& window)
{
    window.setFixedSize(window.size());
    window.show();
}

void ShowModal(QWidget& window)
{
    window.setWindowModality(Qt::ApplicationModal);
    window.show();
}

void BringToFront(QWidget& window)
{
    if (window.isMinimized()) {
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    }
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace stelvane
