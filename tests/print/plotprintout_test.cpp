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
    SetPlotPrinter(PrintPlot);
    Program p;
    p.Start({"cmdPlot"});
    p.Do(Plot, "cmdPrint");
    ASSERT_EQ(p.platform.printJobs.size(), 1u);
    const RecordingCanvas& page = *p.platform.printJobs[0].page;
    EXPECT_TRUE(p.platform.printJobs[0].ended && !CurveIn(page, kPrintDelayCurveColour));
    ExpectBand(CurveIn(page, kGainCurveColour), 1000);
    const CanvasPrimitive* title = page.FindText(kSummaryTitle);
    EXPECT_TRUE(title && title->points[0].y > 7000);  // below the plot's frame
    for (const std::string& line : DesignSummaryLines(p.record)) EXPECT_TRUE(page.FindText(line)) << line;
    p.Do(Plot, "cmdDelay");
    p.Do(Plot, "cmdPrint");
    ASSERT_EQ(p.platform.printJobs.size(), 2u);
    EXPECT_TRUE(p.platform.printJobs[1].ended && CurveIn(*p.platform.printJobs[1].page, kPrintDelayCurveColour));
    p.platform.CancelPrintDialog();
    p.Do(Plot, "cmdPrint");
    ASSERT_TRUE(p.Find(Plot) && p.platform.printJobs.size() == 2u && !p.platform.messages.empty());
    EXPECT_EQ(p.platform.messages.back().caption + ": " + p.LastMessage(),
        kPrintProblemCaption + std::string(": ") + kPrintCancelledText);
    SetPlotPrinter({});
}

}  // namespace stelvane::testing
