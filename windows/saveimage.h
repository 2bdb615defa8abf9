#pragma once

#include <string>

#include "platform/platform.h"
#include "platform/qt/canvaswidget.h"

namespace stelvane {

inline constexpr const char* kSaveImageCaption = "Save image";
inline constexpr const char* kSaveImageFilter = "PNG images (*.png)|*.png|SVG drawings (*.svg)|*.svg";

// The file an image goes to: the chosen name, with ".png" added when it ends
// in neither ".png" nor ".svg".
std::string ImageFileName(const std::string& chosen);

// "Save image": asks for a file through the platform's save dialog and
// writes the window's drawing into it as the screen shows it, at the
// window's size (PNG) or as lines and text (SVG). A failure is said in a
// message box; the design is not touched. Returns whether a file was written.
bool SaveWindowImage(const CanvasWidget& window, Platform& platform, const std::string& proposedName);

}  // namespace stelvane
