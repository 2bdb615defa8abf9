#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "engine/designtext.h"
#include "files/partslist.h"
#include "print/plotprintout.h"
#include "print/reportprintout.h"
#include "render/plotdrawing.h"
#include "render/screenstyle.h"
#include "tests/windows/windowtestsupport.h"

namespace stelvane::testing {

namespace {

bool HasText(const RecordingCanvas& page, const std::string& part)
{
    const std::vector<std::string> texts = page.Texts();
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != t.npos; });
}

}  // namespace

// "Print all" prints what the plot shows: page 1 every curve on screen (the
// gain band of the start-up design where the screen has it, the phase and
// delay when shown) on white paper without the pointer's readout, a legend
// naming each curve with its unit in the curve's colour, and the summary
// with units; the pages after it the schematic (one "Stage freq" per stage)
// and every designator of the parts list. A cancelled dialog prints nothing.
TEST(ReportPrintout, PrintsEveryCurveShownWithUnitsThenTheCircuitAndItsParts)
{
    struct Case {
        const char* name;
        std::vector<const char*> design;  // actions on the design window
        std::vector<const char*> plot;    // then on the plot window
        bool phase, delay;
    };
    const std::vector<Case> cases{
        {"gain only", {}, {}, false, false},
        {"phase and delay", {}, {"cmdPhase", "cmdDelay"}, true, true},
        {"seven stages, delay", {"UpDown1/up", "UpDown1/up", "UpDown1/up", "UpDown1/up", "UpDown1/up"}, {"cmdDelay"},
            false, true},
    };
    const std::regex unit(".*(Hz|dB|degrees|seconds).*");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p;
        p.Start(std::vector<std::string>(c.design.begin(), c.design.end()));
        p.Do(Design, "cmdPlot");
        for (const char* action : c.plot) p.Do(Plot, action);
        QTest::mouseMove(p.Find(Plot), QPoint(p.Find(Plot)->width() / 2, p.Find(Plot)->height() / 3));
        p.Do(Plot, "cmdPrintAll");
        ASSERT_EQ(p.platform.printJobs.size(), 1u);
        const auto& job = p.platform.printJobs[0];
        EXPECT_TRUE(job.ended && job.request.documentName == kReportDocumentName);
        const RecordingCanvas& page = *job.page;
        if (c.design.empty()) ExpectBand(CurveIn(page, kGainCurveColour), 1000);
        EXPECT_EQ(HasText(page, "Phase:") || CurveIn(page, kPhaseCurveColour), c.phase);
        EXPECT_EQ(CurveIn(page, kDelayCurveColour) != nullptr, c.delay);
        EXPECT_FALSE(HasText(page, "Mouseover") || HasText(page, "Frequency:"));
        EXPECT_TRUE(page.OfKind(CanvasPrimitive::Kind::FillBox, kWindowBackground).empty());
        ReportContents shown;
        shown.shown.phase = c.phase, shown.shown.delay = c.delay;
        const std::vector<LegendLine> legend = ReportLegend(p.record, shown);
        EXPECT_EQ(legend.size(), 3u + c.phase + c.delay);
        for (const LegendLine& line : legend) {
            const CanvasPrimitive* at = page.FindText(line.text);
            ASSERT_TRUE(at) << line.text;
            EXPECT_TRUE(at->colour == line.colour && std::regex_match(line.text, unit)) << line.text;
        }
        EXPECT_TRUE(HasText(page, "Center frequency: 1kHz") || !c.design.empty());
        EXPECT_TRUE(HasText(page, "Number of stages: " + std::to_string(p.record.Order)));

        ASSERT_FALSE(job.morePages.empty());
        std::vector<std::string> later;
        for (const auto& more : job.morePages)
            for (const std::string& t : more->Texts()) later.push_back(t);
        auto count = [&](const std::string& prefix) {
            return std::count_if(
                later.begin(), later.end(), [&](const std::string& t) { return t.starts_with(prefix); });
        };
        EXPECT_EQ(count("Stage freq:"), p.record.Order);
        for (const ListedPart& part : MakePartsTable(p.record, PartsType::Ideal, std::nullopt).parts)
            EXPECT_GE(count(part.reference), 1) << part.reference;
        // a subtotal row per stage and one for all: three resistors, two capacitors, an opamp each
        const int n = p.record.Order;
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
