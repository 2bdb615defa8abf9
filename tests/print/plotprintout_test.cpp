#include <gtest/gtest.h>

#include "engine/designtext.h"
#include "print/plotprintout.h"
#include "render/plotdrawing.h"
#include "tests/windows/windowtestsupport.h"
#include "windows/frmplot.h"

namespace stelvane::testing {

// Print on the plot window puts one page to the printer: the gain curve of
// the design (the start-up band at 1 kHz, 200 Hz wide), the delay curve when
// the plot shows it, and the design summary below the plot. A cancelled
// print dialog prints nothing and says so; the plot window stays either way.
TEST(PlotPrintout, PrintButtonPrintsThePlotAndTheDesignSummary)
{
    // What is done on the design window, then on the plot window, and whether it is printed.
    struct Case {
        const char* name;
        std::vector<std::string> onDesign, onPlot;
        bool printed;
    };
    const std::vector<Case> cases = {
        {"start-up design with the delay", {}, {"cmdDelay"}, true},
        {"manual entry", {"optManual"}, {}, true},
        {"cancelled", {}, {}, false},
    };
    SetPlotPrinter(PrintPlot);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p;
        p.Start(c.onDesign);
        p.Do(Design, "cmdPlot");
        for (const std::string& action : c.onPlot) p.Do(Plot, action);
        if (!c.printed) p.platform.CancelPrintDialog();
        p.Do(Plot, "cmdPrint");
        ASSERT_TRUE(p.Find(Plot) && p.platform.printJobs.size() == (c.printed ? 1u : 0u));
        if (!c.printed) {
            EXPECT_EQ(p.platform.messages.back().caption + ": " + p.LastMessage(),
                kPrintProblemCaption + std::string(": ") + kPrintCancelledText);
            continue;
        }
        const RecordingCanvas& page = *p.platform.printJobs[0].page;
        EXPECT_TRUE(p.platform.printJobs[0].ended && page.FindText("Gain, dB:") && CurveIn(page, kGainCurveColour));
        if (c.onDesign.empty()) ExpectBand(CurveIn(page, kGainCurveColour), 1000);
        EXPECT_EQ(CurveIn(page, kPrintDelayCurveColour) != nullptr, !c.onPlot.empty());
        const CanvasPrimitive* title = page.FindText(kSummaryTitle);
        EXPECT_TRUE(title && title->points[0].y > 7000);  // below the plot's frame
        for (const std::string& line : DesignSummaryLines(p.record)) EXPECT_TRUE(page.FindText(line)) << line;
    }
    SetPlotPrinter({});
}

}  // namespace stelvane::testing
