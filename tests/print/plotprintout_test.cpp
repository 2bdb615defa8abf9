#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/numbertext.h"
#include "engine/response.h"
#include "engine/synthesis.h"
#include "tests/support/scriptedplatform.h"
#include "print/plotprintout.h"

namespace stelvane {
namespace {

using Kind = CanvasPrimitive::Kind;

constexpr Rgb kGainBlue{17, 17, 255};
constexpr Rgb kDelayBrown{102, 17, 17};
constexpr Rgb kCurveBlue{0, 0, 255};
constexpr Rgb kFrameInk{17, 17, 17};
constexpr Rgb kPageFrameFill{240, 255, 255};

// The start-up design (two-stage Butterworth, 1 kHz, 200 Hz wide, 500 Hz to
// 2 kHz in 1000 steps), designed and swept, then changed by the case.
DesignState DesignedRecord(const std::function<void(DesignState&)>& prepare = {})
{
    DesignState s;
    InstallDefaults(s);
    InstallCapacitorDefaults(s);
    InstallOpampDefaults(s);
    if (prepare)
        prepare(s);
    RunDesignChain(s);
    ComputeFrequencyGrid(s);
    return s;
}

// Prints the record on the scripted platform and hands back its one page.
const RecordingCanvas& PrintOnce(DesignState& s, ScriptedPlatform& platform)
{
    PrintPlot(s, platform);
    EXPECT_EQ(platform.printJobs.size(), 1u);
    return *platform.printJobs.back().page;
}

std::vector<CanvasPrimitive> TextsWhere(const RecordingCanvas& page, const std::function<bool(const CanvasPrimitive&)>& keep)
{
    std::vector<CanvasPrimitive> out;
    for (const CanvasPrimitive& p : page.OfKind(Kind::Text))
        if (keep(p))
            out.push_back(p);
    return out;
}

// The labels of the gain axis stand left of the frame, above the frequency labels.
std::vector<CanvasPrimitive> GainLabels(const RecordingCanvas& page)
{
    return TextsWhere(page, [](const CanvasPrimitive& p) {
        const CanvasPoint at = p.points.front();
        return at.x < 2000 && at.y >= 800 && at.y < 7000 && p.text != "Gain, dB:";
    });
}

// The labels of the delay axis stand right of the frame.
std::vector<CanvasPrimitive> DelayLabels(const RecordingCanvas& page)
{
    return TextsWhere(page, [](const CanvasPrimitive& p) {
        const CanvasPoint at = p.points.front();
        return at.x > 10000 && at.y >= 800 && at.y < 7000;
    });
}

std::vector<CanvasPrimitive> FrequencyLabels(const RecordingCanvas& page)
{
    return TextsWhere(page, [](const CanvasPrimitive& p) { return p.points.front().y == 7100; });
}

std::vector<CanvasPrimitive> SummaryTexts(const RecordingCanvas& page)
{
    return TextsWhere(page, [](const CanvasPrimitive& p) { return p.points.front().y >= 9000; });
}

double Parsed(const std::string& text)
{
    Single v = 0;
    ParseNumberText(text, v);
    return v;
}

std::size_t IndexOf(const RecordingCanvas& page, const std::function<bool(const CanvasPrimitive&)>& match)
{
    for (std::size_t i = 0; i < page.primitives.size(); ++i)
        if (match(page.primitives[i]))
            return i;
    return page.primitives.size();
}

// --- The summary ---

TEST(PlotPrintout, SummaryLinesSayWhatWasDesigned)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> set;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"Butterworth",
         [](DesignState& s) {
             s.Family = 1;
             s.Center = 1000;
             s.Width = 200;
             s.Order = 2;
         },
         {"Family: Butterworth", "Center frequency: 1000", "3 dB bandwidth: 200", "Number of stages: 2"}},
        {"Chebyshev: ripple bandwidth and passband ripple",
         [](DesignState& s) {
             s.Family = 2;
             s.Center = 2500;
             s.Width = 350.5f;
             s.Apass = 0.5f;
             s.Order = 5;
         },
         {"Family: Chebyshev", "Center frequency: 2500", "Ripple bandidth: 350.5", "Passband ripple: 0.5",
          "Number of stages: 5"}},
        {"Bessel",
         [](DesignState& s) {
             s.Family = 3;
             s.Center = 45000;
             s.Width = 1234.25f;
             s.Order = 10;
         },
         {"Family: Bessel", "Center frequency: 45000", "One radian/sec bandwidth: 1234.25", "Number of stages: 10"}},
        {"manually entered parts",
         [](DesignState& s) {
             s.ManualEntry = 1;
             s.Family = 2;
             s.Order = 3;
         },
         {"Manually entered values", "Number of stages: 3"}},
        {"a family kept from a file (poles as they are)",
         [](DesignState& s) {
             s.Family = 4;
             s.Order = 4;
         },
         {"Number of stages: 4"}},
        {"no family at all, 21 stages",
         [](DesignState& s) {
             s.Family = 0;
             s.Order = 21;
         },
         {"Number of stages: 21"}},
        {"a manual-entry flag that is neither 0 nor 1",
         [](DesignState& s) {
             s.ManualEntry = 2;
             s.Family = 1;
             s.Order = 1;
         },
         {"Number of stages: 1"}},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        DesignState s;
        tc.set(s);
        EXPECT_EQ(DesignSummaryLines(s), tc.expected);
    }
}

TEST(PlotPrintout, SummaryStandsBelowThePlotOneLineUnderAnother)
{
    struct Case {
        const char* name;
        Integer family;
        Integer manual;
        Integer showDelay;
        std::vector<std::string> expected;
        Rgb colour;  // left by the plot: the delay's when the delay was printed
    };
    const std::vector<Case> cases = {
        {"Butterworth, gain only", 1, 0, 0,
         {"Filter design:", "Family: Butterworth", "Center frequency: 1000", "3 dB bandwidth: 200",
          "Number of stages: 2"},
         kGainBlue},
        {"Chebyshev with the delay: five lines after the title", 2, 0, 1,
         {"Filter design:", "Family: Chebyshev", "Center frequency: 1000", "Ripple bandidth: 200",
          "Passband ripple: 0.2", "Number of stages: 2"},
         kDelayBrown},
        {"Bessel", 3, 0, 0,
         {"Filter design:", "Family: Bessel", "Center frequency: 1000", "One radian/sec bandwidth: 200",
          "Number of stages: 2"},
         kGainBlue},
        {"manual entry", 1, 1, 1, {"Filter design:", "Manually entered values", "Number of stages: 2"}, kDelayBrown},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord([&](DesignState& r) { r.Family = tc.family; });
        s.ManualEntry = tc.manual;
        s.ShowDelay = tc.showDelay;
        ScriptedPlatform platform;
        const RecordingCanvas& page = PrintOnce(s, platform);
        const auto summary = SummaryTexts(page);
        ASSERT_EQ(summary.size(), tc.expected.size());
        // The recording page measures a line as 1.2 times the font size at 20
        // units a point: 240 units under the 10-point title, 192 under the rest.
        double y = 9000;
        for (std::size_t i = 0; i < summary.size(); ++i) {
            SCOPED_TRACE(tc.expected[i]);
            EXPECT_EQ(summary[i].text, tc.expected[i]);
            EXPECT_EQ(summary[i].points.front().x, 2000);
            EXPECT_DOUBLE_EQ(summary[i].points.front().y, y);
            EXPECT_EQ(summary[i].font.points, i == 0 ? 10 : 8);
            EXPECT_EQ(summary[i].colour, tc.colour);
            y += i == 0 ? 240 : 192;
        }
    }
}

// --- The plot on the page ---

TEST(PlotPrintout, PageIsAddressedAs12000By18000AndFramedLast)
{
    struct Case {
        const char* name;
        Integer showDelay;
    };
    for (const Case& tc : {Case{"gain only", 0}, Case{"gain and delay", 1}}) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord();
        s.ShowDelay = tc.showDelay;
        ScriptedPlatform platform;
        const RecordingCanvas& page = PrintOnce(s, platform);
        const auto& job = platform.printJobs.front();
        EXPECT_EQ(job.request.pageWidth, 12000);
        EXPECT_EQ(job.request.pageHeight, 18000);
        EXPECT_TRUE(job.ended);
        EXPECT_TRUE(platform.messages.empty());

        ASSERT_FALSE(page.primitives.empty());
        const CanvasPrimitive& first = page.primitives.front();
        EXPECT_EQ(first.kind, Kind::FillBox);
        EXPECT_EQ(first.colour, kPageFrameFill);
        EXPECT_EQ(first.points, (std::vector<CanvasPoint>{{2000, 1000}, {11000, 7000}}));

        const auto outlines = page.OfKind(Kind::OutlineBox);
        ASSERT_EQ(outlines.size(), 2u);
        EXPECT_EQ(outlines[0].width, 3);
        EXPECT_EQ(outlines[1].width, 15);
        for (const auto& o : outlines) {
            EXPECT_EQ(o.colour, kFrameInk);
            EXPECT_EQ(o.points, (std::vector<CanvasPoint>{{2000, 1000}, {11000, 7000}}));
        }
        // The heavy frame goes over the curves and before the summary.
        const std::size_t heavyFrame =
            IndexOf(page, [](const CanvasPrimitive& p) { return p.kind == Kind::OutlineBox && p.width == 15; });
        const std::size_t lastCurve = [&] {
            std::size_t last = 0;
            for (std::size_t i = 0; i < page.primitives.size(); ++i)
                if (page.primitives[i].kind == Kind::Polyline)
                    last = i;
            return last;
        }();
        const std::size_t title =
            IndexOf(page, [](const CanvasPrimitive& p) { return p.kind == Kind::Text && p.text == "Filter design:"; });
        EXPECT_LT(lastCurve, heavyFrame);
        EXPECT_LT(heavyFrame, title);

        // Neither the phase, the stage markers nor the mouse-over hint are printed.
        for (const CanvasPrimitive& p : page.primitives) {
            EXPECT_FALSE(p.colour == (Rgb{17, 136, 17}) || p.colour == (Rgb{17, 204, 17}) ||
                         p.colour == (Rgb{255, 136, 136}) || p.colour == (Rgb{255, 0, 0}));
            EXPECT_NE(p.text, "Mouseover plot for data");
            EXPECT_NE(p.text, "Phase:");
        }
    }
}

TEST(PlotPrintout, GainAxisRowsAndGridLines)
{
    struct Case {
        const char* name;
        Integer nrY;
        Single top;
        Single bottom;
    };
    for (const Case& tc : {Case{"6 rows from 10 to -20 dB", 6, 10, -20}, Case{"4 rows from 0 to -80 dB", 4, 0, -80},
                           Case{"7 rows, 3 to -4 dB", 7, 3, -4}}) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord([&](DesignState& r) {
            r.NrY = tc.nrY;
            r.dBTop = tc.top;
            r.dBBottom = tc.bottom;
        });
        ScriptedPlatform platform;
        const RecordingCanvas& page = PrintOnce(s, platform);

        const auto labels = GainLabels(page);
        ASSERT_EQ(labels.size(), static_cast<std::size_t>(tc.nrY + 1));
        for (int i = 0; i <= tc.nrY; ++i) {
            SCOPED_TRACE(i);
            const CanvasPrimitive& l = labels[static_cast<std::size_t>(i)];
            const double value = tc.top + (tc.bottom - tc.top) * double(i) / tc.nrY;
            EXPECT_NEAR(Parsed(l.text), value, 0.01);
            EXPECT_EQ(l.text.front() != ' ' && l.text.back() != ' ', true) << '"' << l.text << '"';
            EXPECT_DOUBLE_EQ(l.points.front().x, 1740.0 - 60.0 * static_cast<double>(l.text.size()));
            EXPECT_DOUBLE_EQ(l.points.front().y, std::floor(6000.0 * i / tc.nrY) + 900);
            EXPECT_EQ(l.font.points, 8);
        }
        const CanvasPrimitive* title = page.FindText("Gain, dB:");
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->points.front(), (CanvasPoint{1300, 500}));
        EXPECT_EQ(title->colour, kGainBlue);

        std::vector<double> rows;
        for (const CanvasPrimitive& line : page.OfKind(Kind::Line))
            if (line.points[0].y == line.points[1].y)
                rows.push_back(line.points[0].y);
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(tc.nrY + 1));
        for (int i = 0; i <= tc.nrY; ++i)
            EXPECT_NEAR(rows[static_cast<std::size_t>(i)], 1000 + 6000.0 * i / tc.nrY, 1e-9);
    }
}

TEST(PlotPrintout, EveryPrintoutStartsWithBlackGainLabels)
{
    // The text colour of one printout must not leak into the next: the
    // second page's gain labels would otherwise take the delay's colour.
    struct Case {
        const char* name;
        Integer showDelay;
    };
    for (const Case& tc : {Case{"after a page with the delay", 1}, Case{"after a gain-only page", 0}}) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord();
        s.ShowDelay = tc.showDelay;
        ScriptedPlatform platform;
        PrintPlot(s, platform);
        PrintPlot(s, platform);
        ASSERT_EQ(platform.printJobs.size(), 2u);
        for (const auto& job : platform.printJobs)
            for (const CanvasPrimitive& l : GainLabels(*job.page))
                EXPECT_EQ(l.colour, kBlack) << l.text;
    }
}

TEST(PlotPrintout, FrequencyLabelsFollowThePrintoutsOwnRules)
{
    struct Case {
        const char* name;
        Integer sweep;
        Single fstart, fstop;
        Integer nrX;
        std::vector<double> labelled;  // the frequencies that carry a label
    };
    const std::vector<Case> cases = {
        {"linear, 10 intervals: all 11 lines", 1, 500, 2000, 10,
         {500, 650, 800, 950, 1100, 1250, 1400, 1550, 1700, 1850, 2000}},
        {"linear, 15 intervals: the first 13 only", 1, 500, 2000, 15,
         {500, 600, 700, 800, 900, 1000, 1100, 1200, 1300, 1400, 1500, 1600, 1700}},
        {"log, one decade: 7 is kept on paper, 900 falls in the band before the edge", 2, 100, 1000, 10,
         {100, 150, 200, 300, 400, 500, 600, 700, 800, 1000}},
        {"log, three decades: 1, 1.5, 2 and 5 of each, 13 at most", 2, 10, 10000, 10,
         {10, 15, 20, 50, 100, 150, 200, 500, 1000, 1500, 2000, 5000, 10000}},
        {"log, five decades: 1.5 stands too close to 1, so only the decades", 2, 1, 100000, 10,
         {1, 10, 100, 1000, 10000, 100000}},
        {"log, just over three decades: the paper keeps 1.5 where there is room", 2, 9.9f, 10000, 10,
         {10, 15, 100, 150, 1000, 1500, 10000}},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord([&](DesignState& r) {
            r.Sweep = tc.sweep;
            r.Fstart = tc.fstart;
            r.Fstop = tc.fstop;
            r.NrX = tc.nrX;
        });
        ScriptedPlatform platform;
        const RecordingCanvas& page = PrintOnce(s, platform);
        const auto labels = FrequencyLabels(page);
        ASSERT_EQ(labels.size(), tc.labelled.size());
        for (std::size_t k = 0; k < labels.size(); ++k) {
            const double f = tc.labelled[k];
            SCOPED_TRACE(f);
            const double position = tc.sweep == 1 ? (f - tc.fstart) / (tc.fstop - tc.fstart)
                                                  : std::log(f / tc.fstart) / std::log(tc.fstop / tc.fstart);
            EXPECT_NEAR(labels[k].points.front().x, 1800 + 9000 * position, 0.01);
            EXPECT_NEAR(Parsed(labels[k].text), f, 1e-3 * f);
            EXPECT_EQ(labels[k].colour, kGainBlue);
        }
    }
}

TEST(PlotPrintout, GainCurveIsHeavyAndClampedToTheFrame)
{
    struct Case {
        const char* name;
        Single top, bottom;
    };
    for (const Case& tc : {Case{"whole curve inside", 10, -60}, Case{"peak above the top", -3, -20},
                           Case{"all below the bottom", 60, 40}}) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord([&](DesignState& r) {
            r.dBTop = tc.top;
            r.dBBottom = tc.bottom;
        });
        ScriptedPlatform platform;
        const RecordingCanvas& page = PrintOnce(s, platform);

        std::vector<CanvasPrimitive> dots, lines;
        for (const CanvasPrimitive& p : page.primitives) {
            if (p.colour != kCurveBlue)
                continue;
            (p.kind == Kind::Dot ? dots : lines).push_back(p);
        }
        ASSERT_EQ(dots.size(), 1u);
        EXPECT_EQ(dots[0].width, 10);
        std::vector<CanvasPoint> points;
        for (const CanvasPrimitive& p : lines) {
            EXPECT_EQ(p.width, 10);
            points.insert(points.end(), p.points.begin(), p.points.end());
        }
        ASSERT_EQ(points.size(), static_cast<std::size_t>(s.NrInts) + 1);
        EXPECT_EQ(points.front(), dots[0].points.front());
        for (int i = 0; i <= s.NrInts; i += 50) {
            SCOPED_TRACE(i);
            const double x = 2000 + 9000.0 * (s.Freq[i] - s.Fstart) / (s.Fstop - s.Fstart);
            const double y = std::clamp(1000 - 6000.0 * (s.GainDB[i] - tc.top) / (tc.top - tc.bottom), 1000.0, 7000.0);
            EXPECT_NEAR(points[static_cast<std::size_t>(i)].x, x, 0.01);
            EXPECT_NEAR(points[static_cast<std::size_t>(i)].y, y, 0.01);
        }
        for (const CanvasPoint& p : points) {
            EXPECT_GE(p.y, 1000);
            EXPECT_LE(p.y, 7000);
        }
    }
}

TEST(PlotPrintout, DelayIsPrintedOnlyWhenShownAndRaisesOnlyThen)
{
    struct Case {
        const char* name;
        Integer showDelay;
        Single delayTop;
        bool printed;
        Single delayTopAfter;
    };
    const std::vector<Case> cases = {
        {"not shown, top of 0 stays 0", 0, 0, false, 0},
        {"not shown, a top of 0.5 ms stays", 0, 5e-4f, false, 5e-4f},
        {"not shown, a top of 1e-12 stays", 0, 1e-12f, false, 1e-12f},
        {"shown, a top of 0 becomes 1 ns", 1, 0, true, 1e-9f},
        {"shown, a negative top becomes 1 ns", 1, -3e-3f, true, 1e-9f},
        {"shown, a top of 2 ms stays", 1, 2e-3f, true, 2e-3f},
        {"any flag but 0 prints the delay", 2, 2e-3f, true, 2e-3f},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord();
        s.ShowDelay = tc.showDelay;
        s.DelayTop = tc.delayTop;
        ScriptedPlatform platform;
        const RecordingCanvas& page = PrintOnce(s, platform);
        EXPECT_EQ(s.DelayTop, tc.delayTopAfter);

        const CanvasPrimitive* title = page.FindText("Delay, s:");
        const auto labels = DelayLabels(page);
        std::size_t curvePrimitives = 0;
        for (const CanvasPrimitive& p : page.primitives)
            if ((p.kind == Kind::Dot || p.kind == Kind::Polyline) && p.colour == kDelayBrown) {
                ++curvePrimitives;
                EXPECT_EQ(p.width, 5);
            }
        if (!tc.printed) {
            EXPECT_EQ(title, nullptr);
            EXPECT_TRUE(labels.empty());
            EXPECT_EQ(curvePrimitives, 0u);
            continue;
        }
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->points.front(), (CanvasPoint{11000, 500}));
        EXPECT_EQ(title->colour, kDelayBrown);
        EXPECT_GE(curvePrimitives, 2u);  // the first point's dot and the lines
        // Labels from the top of the scale down to 0, right-aligned at 11270
        // by the screen's estimate of 60 x 12000 / Sw per character.
        ASSERT_EQ(labels.size(), static_cast<std::size_t>(s.NrY + 1));
        for (int i = 0; i <= s.NrY; ++i) {
            SCOPED_TRACE(i);
            const CanvasPrimitive& l = labels[static_cast<std::size_t>(i)];
            const double value = tc.delayTopAfter * (1 - double(i) / s.NrY);
            EXPECT_NEAR(Parsed(l.text), value, 1e-3 * tc.delayTopAfter);
            EXPECT_DOUBLE_EQ(l.points.front().x, 11270 - 60.0 * static_cast<double>(l.text.size()));
            EXPECT_DOUBLE_EQ(l.points.front().y, std::floor(6000.0 * i / s.NrY) + 900);
            EXPECT_EQ(l.colour, kDelayBrown);
        }
    }
}

TEST(PlotPrintout, DelayLabelsUseTheScreensWidthEstimate)
{
    struct Case {
        const char* name;
        double screenWidth;
        double charWidth;
    };
    for (const Case& tc : {Case{"800 pixels", 12000, 60}, Case{"1024 pixels", 15360, 46.875},
                           Case{"1920 pixels", 28800, 25}}) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord();
        s.ShowDelay = 1;
        ScriptedPlatform platform(ScreenMetrics{tc.screenWidth, tc.screenWidth * 0.75, 15, 15});
        const RecordingCanvas& page = PrintOnce(s, platform);
        const auto labels = DelayLabels(page);
        ASSERT_FALSE(labels.empty());
        for (const CanvasPrimitive& l : labels)
            EXPECT_DOUBLE_EQ(l.points.front().x, 11270 - tc.charWidth * static_cast<double>(l.text.size()));
        // The gain labels keep the page's own 60 units a character.
        for (const CanvasPrimitive& l : GainLabels(page))
            EXPECT_DOUBLE_EQ(l.points.front().x, 1740 - 60.0 * static_cast<double>(l.text.size()));
    }
}

TEST(PlotPrintout, OddRecordsNeverSendNanOrInfinityToThePage)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> spoil;
    };
    const std::vector<Case> cases = {
        {"no value intervals", [](DesignState& s) { s.NrY = 0; }},
        {"negative value intervals", [](DesignState& s) { s.NrY = -4; }},
        {"stop equal to start", [](DesignState& s) { s.Fstop = s.Fstart; }},
        {"stop below start", [](DesignState& s) { s.Fstop = s.Fstart / 2; }},
        {"log sweep from 0 Hz", [](DesignState& s) { s.Sweep = 2; s.Fstart = 0; }},
        {"log sweep from below 0 Hz", [](DesignState& s) { s.Sweep = 2; s.Fstart = -100; }},
        {"gain scale of no height", [](DesignState& s) { s.dBBottom = s.dBTop; }},
        {"no stages", [](DesignState& s) { s.Order = 0; }},
        {"sweep count beyond the arrays", [](DesignState& s) { s.NrInts = 30000; }},
        {"negative sweep count", [](DesignState& s) { s.NrInts = -5; }},
        {"not-a-number gains", [](DesignState& s) { s.GainDB.fill(std::nanf("")); }},
        {"not-a-number delay top", [](DesignState& s) { s.DelayTop = std::nanf(""); }},
        {"infinite frequencies", [](DesignState& s) { s.Freq.fill(INFINITY); }},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord();
        s.ShowDelay = 1;
        tc.spoil(s);
        ScriptedPlatform platform;
        const RecordingCanvas& page = PrintOnce(s, platform);
        EXPECT_TRUE(platform.printJobs.front().ended);
        for (const CanvasPrimitive& p : page.primitives)
            for (const CanvasPoint& at : p.points)
                EXPECT_TRUE(std::isfinite(at.x) && std::isfinite(at.y)) << int(p.kind) << " " << p.text;
        EXPECT_NE(page.FindText("Filter design:"), nullptr);
        EXPECT_TRUE(std::isfinite(s.DelayTop) && s.DelayTop >= 1e-9f);
    }
}

// --- Failures ---

TEST(PlotPrintout, FailuresPrintNothingAndSaySoUnderTheirOwnCaption)
{
    struct Case {
        const char* name;
        ScriptedPlatform::PrintAnswer answer;
        std::string message;
        bool jobBegun;
    };
    const std::vector<Case> cases = {
        {"dialog cancelled", {false, kPrintCancelledText, {}}, kPrintCancelledText, false},
        {"printer would not start", {false, "The printer could not be started.", {}},
         "The printer could not be started.", false},
        {"a failure without a text of its own", {false, "", {}}, "The page could not be printed.", false},
        {"page not accepted at the end", {true, {}, "The page could not be sent to the printer."},
         "The page could not be sent to the printer.", true},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord();
        s.ShowDelay = 1;
        s.DelayTop = 0;
        ScriptedPlatform platform;
        platform.printAnswers.push_back(tc.answer);
        PrintPlot(s, platform);
        EXPECT_EQ(platform.printDialogs, 1);
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, tc.message);
        EXPECT_EQ(platform.messages[0].caption, "We had a plot-printing problem");
        EXPECT_EQ(platform.messages[0].icon, MessageIcon::None);
        EXPECT_EQ(platform.printJobs.size(), tc.jobBegun ? 1u : 0u);
        for (const auto& job : platform.printJobs)
            EXPECT_FALSE(job.ended);
        EXPECT_EQ(s.DelayTop, 0) << "nothing of the design changes";
    }
}

} // namespace
} // namespace stelvane
