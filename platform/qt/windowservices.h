#pragma once

#include <QSize>

#include "platform/platform.h"

class QWidget;

namespace stelvane {

// Window services that need no dialog answers: a test sees their effect on
// the widget itself (windowState, isModal, isVisible).

// The client size in pixels of a window created at a size given in twips.
QSize ClientSizeFromTwips(const ScreenMetrics& screen, double widthTwips, double heightTwips);
// Shows a main window maximized.
void ShowMaximized(QWidget& window);
// Shows a window at its present (creation) client size, not resizable.
void ShowFixedSize(QWidget& window);
// Shows a window modal over all others; returns at once, the window stays
// modal until it closes.
void ShowModal(QWidget& window);
// Raises a window that is already open and gives it the focus.
void BringToFront(QWidget& window);

}  // namespace stelvane
