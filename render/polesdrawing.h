#pragma once

#include <string>
#include <vector>

#include "engine/designstate.h"
#include "platform/canvas.h"

namespace stelvane {

// The s-plane on the poles window, in layout units: the origin, and the
// vertical distance from the origin to the outer ring.
constexpr double kPolesOriginX = 6000;
constexpr double kPolesOriginY = 4500;
constexpr double kPolesRingSpan = 3500;
// Horizontal distances are drawn at this fraction of the vertical scale,
// so the half-plane fits beside the list of pole values.
constexpr Single kPolesHorizontalFactor = 0.75f;

constexpr Rgb kPolarGridColour{17, 17, 119};
constexpr Rgb kRectangularGridColour{255, 153, 153};
constexpr Rgb kPoleMarkColour{255, 0, 0};
constexpr double kPoleMarkWidth = 6;

// The largest plot radius: S + 1 must still fit an Integer.
constexpr Integer kLargestPlotRadius = 32766;
// Beyond this many rings (or grid lines per unit of 0.1) they would lie
// closer than a pixel on any screen; only every n-th is drawn then.
constexpr int kMostRings = 400;

// The plot radius S in prototype units: the largest imaginary part rounded
// (halves to even) plus one, at least 1; 1 for Butterworth, whose poles lie
// on the unit circle.
Integer PolesPlotRadius(const DesignState& s);

// Where a pole of the prototype is drawn for plot radius S.
CanvasPoint PolePosition(Single re, Single im, Integer radius);

// "Family:  Butterworth" and its kin; a single blank for an unknown family.
std::string PolesFamilyText(FilterFamily family);
// The list lines in drawing order: X and Y of every pole, then family,
// order and ripple.
std::vector<std::string> PolesListTexts(const DesignState& s);

// The whole picture for plot radius S: the rectangular grid when asked,
// the polar grid, the pole marks and the list texts.
void DrawPolesPicture(Canvas& canvas, const DesignState& s, Integer radius, bool withGrid, const CanvasFont& font);

}  // namespace stelvane
