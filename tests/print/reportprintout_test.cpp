#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "files/partslist.h"
#include "print/plotprintout.h"
#include "print/reportprintout.h"
#include "render/screenstyle.h"
#include "tests/windows/windowtestsupport.h"

namespace stelvane::testing {

// "Print all": page 1 the curves on screen on white paper without the
// pointer's readout, a legend with each curve's unit in its colour; then one
// schematic stage each, every designator and the subtotals. A cancel prints nothing.
TEST(ReportPrintout, PrintsEveryCurveShownWithUnitsThenTheCircuitAndItsParts)
{
    struct Case {
        std::vector<std::string> design;  // actions on the design window
        std::vector<const char*> plot;    // then on the plot window
        bool phase, delay;
    };
    const std::vector<Case> cases{{{}, {}, false, false}, {{}, {"cmdPhase", "cmdDelay"}, true, true},
        {{"UpDown1/up", "UpDown1/up", "UpDown1/up", "UpDown1/up", "UpDown1/up"}, {"cmdDelay"}, false, true}};
    const std::regex unit(".*(Hz|dB|degrees|seconds).*");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plot.size() + c.design.size());
        Program p;
        p.Start(c.design);
        p.Do(Design, "cmdPlot");
        for (const char* action : c.plot) p.Do(Plot, action);
        QTest::mouseMove(p.Find(Plot), QPoint(p.Find(Plot)->width() / 2, p.Find(Plot)->height() / 3));
        p.Do(Plot, "cmdPrintAll");
        ASSERT_EQ(p.platform.printJobs.size(), 1u);
        const auto& job = p.platform.printJobs[0];
        EXPECT_TRUE(job.ended && job.request.documentName == kReportDocumentName);
        const RecordingCanvas& page = *job.page;
        if (c.design.empty()) ExpectBand(CurveIn(page, kGainCurveColour), 1000);
        EXPECT_EQ(page.FindText("Phase:") || CurveIn(page, kPhaseCurveColour), c.phase);
        EXPECT_EQ(CurveIn(page, kDelayCurveColour) != nullptr, c.delay);
        EXPECT_FALSE(page.FindText("Mouseover plot for data") || page.FindText("Frequency:"));
        EXPECT_TRUE(page.OfKind(CanvasPrimitive::Kind::FillBox, kWindowBackground).empty());
        ReportContents shown;
        shown.shown.phase = c.phase, shown.shown.delay = c.delay;
        const std::vector<LegendLine> legend = ReportLegend(p.record, shown);
        EXPECT_EQ(legend.size(), 3u + c.phase + c.delay);
        for (const LegendLine& line : legend) {
            const CanvasPrimitive* at = page.FindText(line.text);
            EXPECT_TRUE(at && at->colour == line.colour && std::regex_match(line.text, unit)) << line.text;
        }
        ASSERT_FALSE(job.morePages.empty());
        std::vector<std::string> later;
        for (const auto& more : job.morePages)
            for (const std::string& t : more->Texts()) later.push_back(t);
        auto count = [&](const std::string& prefix) {
            return std::count_if(
                later.begin(), later.end(), [&](const std::string& t) { return t.starts_with(prefix); });
        };
        const int n = p.record.Order;
        EXPECT_EQ(count("Stage freq:"), n);
        for (const ListedPart& part : MakePartsTable(p.record, PartsType::Ideal, std::nullopt).parts)
            EXPECT_GE(count(part.reference), 1) << part.reference;
        // a subtotal row per stage and one for all: three resistors, two capacitors, an opamp each
        EXPECT_EQ(std::count(later.begin(), later.end(), std::string("parts: 6")), n);
        EXPECT_EQ(std::count(later.begin(), later.end(), "parts: " + std::to_string(6 * n)), 1);
    }
    Program p;
    p.Start({"cmdPlot"});
    p.platform.CancelPrintDialog();
    p.Do(Plot, "cmdPrintAll");
    EXPECT_TRUE(p.platform.printJobs.empty() && p.LastMessage() == kPrintCancelledText);
}

}  // namespace stelvane::testing
