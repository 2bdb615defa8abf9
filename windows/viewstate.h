#pragma once

#include <string>

#include "engine/designstate.h"
#include "engine/standardseries.h"
#include "render/plotdrawing.h"

namespace stelvane {

// What the windows choose that outlives any one of them, kept for the run by
// the navigator: no part of the design, so no undo step, no file, no revision.
struct ViewState {
    StandardSeries roundingSeries = StandardSeries::E24;  // the series "Nearest 5%" rounds to
    PlotCurvesShown shown;                                // the plot's phase and delay curves
    OverlayCurve overlay;                                 // the plot's last overlay read
    PartsType parts = PartsType::Ideal;                   // the schematic's parts type, which the exports build with
    // The remembered export names of the file-writing window.
    std::string EasyFileName;
    std::string ScientificFileName;
    std::string SpiceFileName;
    std::string NetlistFileName;
    std::string PartsListFileName;
    std::string KicadFileName;
};

}  // namespace stelvane
