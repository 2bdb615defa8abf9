#pragma once

#include "engine/designstate.h"
#include "platform/canvas.h"

namespace stelvane {

// Where the schematic is drawn, in layout units.
constexpr double kSchematicOriginX = 1000;    // the source's left end when nothing is scrolled
constexpr double kSchematicBaselineY = 2500;  // the signal line

// The colour practical-range outlines are drawn in.
constexpr Rgb kOutOfRangeColour{255, 128, 0};

// The whole schematic picture on a canvas: the white band with its two
// border lines, the source, every stage with its parts and readouts, the
// output lead and its "Output" text, and the stages that cannot be built in
// words below. The resistors drawn are Rs for the specified opamp, else R; each
// outside the practical range is outlined. With designators, each part's
// (R101 ... C102, U1) is written beside it in kDesignatorColour.
void DrawSchematic(Canvas& canvas, const DesignState& s, PartsType parts, double originX, double screenHeightTwips,
    bool designators = false);

constexpr Rgb kDesignatorColour{0, 0, 160};

}  // namespace stelvane
