#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/designstate.h"
#include "engine/standardseries.h"
#include "engine/tolerance.h"
#include "files/settingsfile.h"
#include "platform/imagewriter.h"
#include "platform/platform.h"
#include "render/plotdrawing.h"

namespace stelvane {

// The name the full printout's job carries (a PDF's title).
inline constexpr const char* kReportDocumentName = "Stelvane report";

// What the plot window shows besides the record, for the full printout.
struct ReportContents {
    PlotCurvesShown shown;                       // phase, delay and noise as on screen
    bool overlay = false;                        // the curves of the overlay files are on the plot
    bool simulation = false;                     // the ngspice curve is on the plot
    const ToleranceResult* tolerance = nullptr;  // the tolerance run whose band is on the plot, or none
    PartsType parts = PartsType::Ideal;          // the resistors the circuit is built with
    std::optional<StandardSeries> roundedTo;     // the series the resistors were rounded to
    std::vector<OpampEntry> opamps = GenericOpamps();
};

// One line of the legend under the printed plot: a figure on the plot with
// its unit, in the figure's colour.
struct LegendLine {
    std::string text;
    Rgb colour;
};
// Every curve and overlay shown, what it is and its unit; the frequency axis first.
std::vector<LegendLine> ReportLegend(const DesignState& s, const ReportContents& c);
// The design summary with a unit on every figure.
std::vector<std::string> ReportSummaryLines(const DesignState& s, const ReportContents& c);

// Draws the full printout on a job: page 1 the plot as the screen shows it
// (drawn by `plot` in layout units, the screen's background turned white,
// the readout strip left out), its legend and the summary; then the
// schematic three stages a row and the complete parts list, on as many
// pages as they take. Empty on success, else what went wrong.
std::string DrawReport(PrintJob& job, const DesignState& s, const ReportContents& c, const Picture& plot);

// Shows the print dialog and prints the full printout. A cancelled dialog or
// any failure prints nothing and says so as the plot's printout does.
void PrintReport(const DesignState& s, const ReportContents& c, const Picture& plot, Platform& platform);

}  // namespace stelvane
