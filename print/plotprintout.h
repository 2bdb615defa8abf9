#pragma once

#include "engine/designstate.h"
#include "platform/platform.h"
#include "render/plotdrawing.h"
#include "render/printoutpage.h"

namespace stelvane {

// The caption of the message box that reports a printout that failed or was cancelled.
inline constexpr const char* kPrintProblemCaption = "We had a plot-printing problem";

// The printed page is addressed in these units, origin at the top left; the
// plot keeps the screen's frame and fills the upper part of the sheet.
inline constexpr double kPrintPageWidth = 12000;
inline constexpr double kPrintPageHeight = 18000;

// Shows the print dialog and prints one page: the gain plot, the delay plot
// when the delay is shown, and the design summary. A cancelled dialog or any
// failure prints nothing and says so in a message box.
void PrintPlot(const DesignState& s, const PlotCurvesShown& shown, Platform& platform);

}  // namespace stelvane
