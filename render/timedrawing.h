#pragma once

#include "engine/timeresponse.h"
#include "platform/canvas.h"
#include "render/screenstyle.h"

namespace stelvane {

// Where the time window draws: the response's frame, and its figures' lines under it.
struct TimeFrame {
    double left = 2000, top = 1000, right = 11000, bottom = 6600;
    double textTop = 7150, lineStep = 280;
};

inline constexpr Rgb kTimeCurveColour{0, 0, 255};
inline constexpr Rgb kTimeZeroColour{136, 136, 136};
inline constexpr Rgb kTimeTextColour{17, 17, 255};

// A step of 1, 2 or 5 times a power of ten that cuts the span into about
// `divisions` parts (1 for a span of 0 or no number).
double NiceStep(double span, int divisions);

// The response in its frame: the value axis (rows at a nice step, 0 among
// them) and the time axis in seconds, a line at 0, the samples joined (more
// samples than the frame is wide are drawn as each column's least and
// largest), and the figures' lines under the frame.
void DrawTimeResponse(Canvas& canvas, const TimeResponse& r, const CanvasFont& font, const TimeFrame& frame = {});

}  // namespace stelvane
