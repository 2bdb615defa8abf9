#pragma once

#include <string>

#include "engine/designstate.h"
#include "render/plotdrawing.h"

namespace stelvane {

// What the windows show the design with, kept for the run by the navigator
// and never part of the design: no undo step, no file, no revision.
struct ViewState {
    PlotCurvesShown shown;                 // the plot's phase and delay curves
    OverlayCurve overlay;                  // the plot's last overlay read
    PartsType parts = PartsType::Ideal;    // the schematic's parts type, which the exports build with
    // The remembered export names of the file-writing window.
    std::string EasyFileName;
    std::string ScientificFileName;
    std::string SpiceFileName;
    std::string NetlistFileName;
    std::string PartsListFileName;
};

} // namespace stelvane
