#pragma once

#include <string>
#include <vector>

#include "engine/designstate.h"
#include "platform/canvas.h"

namespace stelvane {

constexpr Rgb kHeadroomAlarmColour{255, 0, 0};
constexpr Rgb kHeadroomEdgeColour{17, 170, 170};

// One text of the headroom window, where it goes and its colour.
struct HeadroomText {
    CanvasPoint at;
    std::string text;
    Rgb colour = kBlack;
};
// Everything the headroom window writes, top to bottom: the signal it is
// worked out for, the headings, a row per cascade stage (its place in the
// family's order, the peak gain from the input and where it is, the
// headroom, the slew its output needs; red where the swing or the slew is
// exceeded), then the largest input, the stages over, and the capacitors
// that buildable gains raised.
std::vector<HeadroomText> HeadroomTexts(const DesignState& s);
// The table on a white ground between two lines, then its texts.
void DrawHeadroomTable(Canvas& canvas, const DesignState& s, const CanvasFont& font);

}  // namespace stelvane
