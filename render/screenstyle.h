#pragma once

#include "platform/canvas.h"

namespace stelvane {

// Every window lays itself out in layout units: a grid of 12000 x 9000 units
// on an 800 x 600 screen, scaled so that a maximized window shows about that
// many units on any screen.
constexpr double kDesignScreenWidthTwips = 12000;  // the screen the coordinates were chosen on
constexpr double kDesignScreenHeightTwips = 9000;

// Font sizes are the screen height in twips times a factor, in points.
constexpr double kFontOrdinary = 0.0008;  // 7.2 points on an 800 x 600 screen
constexpr double kFontHeading = 0.0012;   // design-window panel headings
constexpr const char* kControlFace = "Arial";

// The background of every window but the poles and About windows.
constexpr Rgb kWindowBackground{238, 255, 255};

}  // namespace stelvane
