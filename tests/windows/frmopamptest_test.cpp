#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/standardvalues.h"
#include "engine/synthesis.h"
#include "windows/frmdesign.h"
#include "windows/frmopamptest.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;
using Kind = CanvasPrimitive::Kind;

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGrey{102, 102, 102};
constexpr Rgb kTableEdge{17, 170, 170};

// The open-loop gain of a single-pole opamp, worked out from its magnitude.
double SinglePoleGainDB(double dcGain, double gbw, double f)
{
    const double corner = gbw / dcGain;
    return 20 * std::log10(dcGain / std::sqrt(1 + (f / corner) * (f / corner)));
}

// The log frequency axis: 500 units per decade from 0.1 Hz at x = 6000.
double XOf(double f) { return 6000 + 500 * std::log10(f / 0.1); }
// 140 dB at the frame's top (1000), 0 dB at its bottom (5000).
double YOf(double gainDB) { return 5000 - 4000 * gainDB / 140; }

// The test program leaves the result windows out; this one is put back.
void RegisterOpampTest(Navigator& navigator)
{
    navigator.SetFactory(WindowKind::OpampTest, [](Navigator& n) { return new frmOpampTest(n); });
}

// The opamp test opened on the start-up design (two-stage Butterworth at
// 1 kHz, 200 Hz wide, opamp 10 MHz / 100k) after the case changed the record.
struct OpampWindow {
    explicit OpampWindow(const std::function<void(DesignState&)>& prepare = {},
                         ScreenMetrics screen = ScreenMetrics{})
    {
        program->platform.screen = screen;
        InstallStartDefaults(record());
        InstallOpampDefaults(record());
        InitEngine(record());
        RunDesignChain(record());
        if (prepare)
            prepare(record());
        RegisterOpampTest(program->navigator);
        RecordDrawings(program->navigator, program->platform);
        window = program->Open<frmOpampTest>(WindowKind::OpampTest);
    }
    DesignState& record() { return program->record; }
    RecordingCanvas& drawing() { return program->platform.Drawing("frmOpampTest"); }
    // The text drawn at the point, or null.
    const CanvasPrimitive* textAt(double x, double y)
    {
        for (const auto& p : drawing().primitives)
            if (p.kind == Kind::Text && std::abs(p.points[0].x - x) < 1e-9 && std::abs(p.points[0].y - y) < 1e-9)
                return &p;
        return nullptr;
    }
    std::vector<CanvasPrimitive> ofColour(Kind kind, Rgb colour)
    {
        std::vector<CanvasPrimitive> out;
        for (const auto& p : drawing().primitives)
            if (p.kind == kind && p.colour == colour)
                out.push_back(p);
        return out;
    }

    std::unique_ptr<Program> program = std::make_unique<Program>();
    frmOpampTest* window = nullptr;
};

class OpampTestWindowTest : public ::testing::Test {
protected:
    TemporaryWorkingDirectory dir;
};

// The number a gain text starts with; the text must end in "dB".
double GainIn(const std::string& text)
{
    EXPECT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "dB") << text;
    return std::stod(text);
}

double RowY(int k) { return 1400 + 240 * k; }

TEST_F(OpampTestWindowTest, StartUpDesignComparesOpampAndStageGains)
{
    struct Case {
        int stage;
        const char* frequencyStart;  // FormatEng of the stage frequency
        double opampGain;
        double requiredGain;
    };
    // Stage 1 asks 20 log10((242.2k / (85.42k || 1.222k)) / 2); both stages
    // have the same parts ratio, so the same required gain.
    const double required = 20 * std::log10((242.2e3 / (85.42e3 * 1.222e3 / (85.42e3 + 1.222e3))) / 2);
    const Case cases[] = {
        {1, "931.6", SinglePoleGainDB(1e5, 1e7, 931.62), required},
        {2, "1.0734k", SinglePoleGainDB(1e5, 1e7, 1073.40), required},
    };
    OpampWindow w;
    EXPECT_NEAR(cases[0].opampGain, 80.6, 0.05);
    EXPECT_NEAR(cases[1].opampGain, 79.4, 0.1);
    EXPECT_NEAR(required, 40.0, 0.05);
    for (const auto& c : cases) {
        SCOPED_TRACE("stage " + std::to_string(c.stage));
        const double y = RowY(c.stage);
        const CanvasPrimitive* number = w.textAt(800, y);
        const CanvasPrimitive* frequency = w.textAt(1300, y);
        const CanvasPrimitive* opamp = w.textAt(2200, y);
        const CanvasPrimitive* asked = w.textAt(3300, y);
        const CanvasPrimitive* margin = w.textAt(4500, y);
        ASSERT_TRUE(number && frequency && opamp && asked && margin);
        EXPECT_EQ(number->text, " " + std::to_string(c.stage));
        EXPECT_EQ(frequency->text.rfind(c.frequencyStart, 0), 0u) << frequency->text;
        EXPECT_NEAR(GainIn(opamp->text), c.opampGain, 0.002);
        EXPECT_NEAR(GainIn(asked->text), c.requiredGain, 0.01);
        EXPECT_NEAR(GainIn(margin->text), c.opampGain - c.requiredGain, 0.01);
        for (const CanvasPrimitive* t : {number, frequency, opamp, asked, margin})
            EXPECT_EQ(t->colour, kBlack) << t->text;
    }
    EXPECT_NEAR(GainIn(w.textAt(4500, RowY(1))->text), 40.5, 0.05);
}

TEST_F(OpampTestWindowTest, ShortfallsAndExcessiveDemandsAreRed)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        Rgb required;
        Rgb margin;
        bool marginNegative;
    };
    const std::vector<Case> cases = {
        {"start-up opamp: plenty of gain", nullptr, kBlack, kBlack, false},
        {"DC gain 50 (34 dB) below the 40 dB asked", [](DesignState& s) { s.DCGain = 50; }, kBlack, kRed, true},
        {"GBW 10 kHz: about 20 dB left at 930 Hz", [](DesignState& s) { s.GBW = 1e4; }, kBlack, kRed, true},
        {"R3 up 100 dB: asks 140 dB", [](DesignState& s) { s.R[1][3] *= 1e5f; }, kRed, kRed, true},
        {"R3 up 79 dB: asks 119 dB, not yet red", [](DesignState& s) { s.R[1][3] *= std::pow(10.0f, 79.0f / 20); },
         kBlack, kRed, true},
        {"R3 up 80 dB: asks 120 dB, red", [](DesignState& s) { s.R[1][3] *= 1e4f; }, kRed, kRed, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpampWindow w(c.prepare);
        const CanvasPrimitive* asked = w.textAt(3300, RowY(1));
        const CanvasPrimitive* margin = w.textAt(4500, RowY(1));
        ASSERT_TRUE(asked && margin);
        EXPECT_EQ(asked->colour, c.required) << asked->text;
        EXPECT_EQ(margin->colour, c.margin) << margin->text;
        EXPECT_EQ(GainIn(margin->text) < 0, c.marginNegative) << margin->text;
        // Everything after the row is black again.
        EXPECT_EQ(w.textAt(800, RowY(2))->colour, kBlack);
    }
}

TEST_F(OpampTestWindowTest, DCGainAboveTenMillionIsLoweredInTheRecord)
{
    struct Case {
        const char* name;
        Single given;
        Single kept;
        const char* footer;
    };
    const Case cases[] = {
        {"1e8", 1e8f, 1e7f, "and a gain at DC of 10M v/v"},
        {"2e7", 2e7f, 1e7f, "and a gain at DC of 10M v/v"},
        {"infinite", std::numeric_limits<Single>::infinity(), 1e7f, "and a gain at DC of 10M v/v"},
        {"exactly 1e7", 1e7f, 1e7f, "and a gain at DC of 10M v/v"},
        {"5e6 stays", 5e6f, 5e6f, "and a gain at DC of 5M v/v"},
        {"the default 1e5", 1e5f, 1e5f, "and a gain at DC of 100k v/v"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpampWindow w([&](DesignState& s) { s.DCGain = c.given; });
        EXPECT_EQ(w.record().DCGain, c.kept);
        ASSERT_NE(w.textAt(800, 240 * 2 + 2040), nullptr);
        EXPECT_EQ(w.textAt(800, 240 * 2 + 2040)->text, c.footer);
        // The curve starts at the height of the DC gain kept.
        const auto curve = w.ofColour(Kind::Polyline, kBlue);
        ASSERT_EQ(curve.size(), 1u);
        EXPECT_NEAR(curve[0].points.front().y, YOf(20 * std::log10(double(c.kept))), 1.5);
    }
}

TEST_F(OpampTestWindowTest, FooterNamesTheOpampAndItsCorner)
{
    struct Case {
        const char* name;
        Single gbw, dcGain;
        Integer order;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"start-up opamp",
         1e7f,
         1e5f,
         2,
         {"Based on an opamp with a GBW of 10MHz", "and a gain at DC of 100k v/v", "Fcorner: 100 Hz"}},
        {"3.3 MHz, 200k, four stages",
         3.3e6f,
         2e5f,
         4,
         {"Based on an opamp with a GBW of 3.3MHz", "and a gain at DC of 200k v/v", "Fcorner: 16.5 Hz"}},
        {"1 GHz, 10, one stage",
         1e9f,
         10,
         1,
         {"Based on an opamp with a GBW of 1GHz", "and a gain at DC of 10  v/v", "Fcorner: 1E+08 Hz"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpampWindow w([&](DesignState& s) {
            s.Order = c.order;
            RunDesignChain(s);
            s.GBW = c.gbw;
            s.DCGain = c.dcGain;
        });
        for (std::size_t line = 0; line < c.lines.size(); ++line) {
            const CanvasPrimitive* t = w.textAt(800, 240.0 * c.order + 1800 + 240.0 * double(line));
            ASSERT_NE(t, nullptr) << "line " << line;
            EXPECT_EQ(t->text, c.lines[line]);
            EXPECT_EQ(t->colour, kBlack);
        }
    }
}

TEST_F(OpampTestWindowTest, NoDCGainLeavesTheOpampColumnsOut)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"DC gain 0", [](DesignState& s) { s.DCGain = 0; }, "No opamp gain shown: the gain at DC must be above 0"},
        {"DC gain -5", [](DesignState& s) { s.DCGain = -5; }, "No opamp gain shown: the gain at DC must be above 0"},
        {"DC gain NaN", [](DesignState& s) { s.DCGain = std::numeric_limits<Single>::quiet_NaN(); },
         "No opamp gain shown: the gain at DC must be above 0"},
        {"GBW 0", [](DesignState& s) { s.GBW = 0; }, "No opamp gain shown: the GBW must be above 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpampWindow w(c.prepare);
        // Headings: stage, frequency and required gain only.
        EXPECT_NE(w.textAt(700, 1200), nullptr);
        EXPECT_NE(w.textAt(1200, 1200), nullptr);
        ASSERT_NE(w.textAt(3200, 1200), nullptr);
        EXPECT_EQ(w.textAt(3200, 1200)->text, "Required gain:");
        EXPECT_EQ(w.textAt(2100, 1200), nullptr);
        EXPECT_EQ(w.textAt(4400, 1200), nullptr);
        for (int k = 1; k <= 2; ++k) {
            SCOPED_TRACE("stage " + std::to_string(k));
            EXPECT_NE(w.textAt(800, RowY(k)), nullptr);
            EXPECT_NE(w.textAt(1300, RowY(k)), nullptr);
            ASSERT_NE(w.textAt(3300, RowY(k)), nullptr);
            EXPECT_NEAR(GainIn(w.textAt(3300, RowY(k))->text), 40.0, 0.05);
            EXPECT_EQ(w.textAt(2200, RowY(k)), nullptr);
            EXPECT_EQ(w.textAt(4500, RowY(k)), nullptr);
        }
        ASSERT_NE(w.textAt(800, 240 * 2 + 2280), nullptr);
        EXPECT_EQ(w.textAt(800, 240 * 2 + 2280)->text, c.reason);
        // No curve without an opamp model; the stages still show what they ask.
        EXPECT_TRUE(w.ofColour(Kind::Polyline, kBlue).empty());
        EXPECT_TRUE(w.ofColour(Kind::Line, kBlue).empty());
        EXPECT_EQ(w.ofColour(Kind::Dot, kRed).size(), 2u);
        for (const auto& p : w.drawing().primitives) {
            for (const auto& pt : p.points)
                ASSERT_TRUE(std::isfinite(pt.x) && std::isfinite(pt.y));
            EXPECT_EQ(p.text.find("nan"), std::string::npos) << p.text;
            EXPECT_EQ(p.text.find("inf"), std::string::npos) << p.text;
        }
    }
}

TEST_F(OpampTestWindowTest, StagesWithoutAUsableNetworkSayInvalid)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
    };
    const std::vector<Case> cases = {
        {"R1 and R2 cancel", [](DesignState& s) { s.R[1][2] = -s.R[1][1]; }},
        {"C1 of 0", [](DesignState& s) { s.C[1][1] = 0; }},
        {"R2 negative makes the parallel value negative", [](DesignState& s) { s.R[1][2] = -500; }},
        {"R3 of 0", [](DesignState& s) { s.R[1][3] = 0; }},
        {"C2 the negative of C1", [](DesignState& s) { s.C[1][2] = -s.C[1][1]; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpampWindow w(c.prepare);
        const CanvasPrimitive* asked = w.textAt(3300, RowY(1));
        const CanvasPrimitive* margin = w.textAt(4500, RowY(1));
        ASSERT_TRUE(asked && margin);
        EXPECT_EQ(asked->text, "invalid");
        EXPECT_EQ(margin->text, "invalid");
        EXPECT_EQ(asked->colour, kRed);
        // The opamp gain still stands, and stage 2 is untouched.
        EXPECT_NEAR(GainIn(w.textAt(2200, RowY(1))->text), 80.57, 0.01);
        EXPECT_NEAR(GainIn(w.textAt(4500, RowY(2))->text), 39.30, 0.02);
        // Only stage 2 gets a mark.
        EXPECT_EQ(w.ofColour(Kind::Dot, kRed).size(), 1u);
        for (const auto& p : w.drawing().primitives)
            for (const auto& pt : p.points)
                ASSERT_TRUE(std::isfinite(pt.x) && std::isfinite(pt.y));
    }
}

TEST_F(OpampTestWindowTest, DecadeGridIsWrittenIntoTheRecordAndDrawn)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
    };
    const std::vector<Case> cases = {
        {"over the plot window's linear grid", nullptr},
        {"over a longer log grid", [](DesignState& s) {
             s.NrGridX = 40;
             for (int i = 0; i <= 40; ++i)
                 s.GridF[i] = 123;
         }},
    };
    const char* labels[] = {".1", "1", "10", "100", "1k", "10k", "100k", "1M", "10M", "100M", "1G"};
    const double labelX[] = {6000, 6500, 6950, 7400, 7950, 8400, 8900, 9450, 9900, 10400, 10900};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpampWindow w(c.prepare);
        ASSERT_EQ(w.record().NrGridX, 10);
        const auto lines = w.ofColour(Kind::Line, kGrey);
        std::vector<CanvasPrimitive> verticals;
        for (const auto& l : lines)
            if (l.points[0].x == l.points[1].x)
                verticals.push_back(l);
        ASSERT_EQ(verticals.size(), 11u);
        for (int n = 0; n <= 10; ++n) {
            SCOPED_TRACE("decade " + std::to_string(n));
            EXPECT_NEAR(w.record().GridF[n], std::pow(10.0, n - 1), std::pow(10.0, n - 1) * 1e-6);
            EXPECT_NEAR(verticals[std::size_t(n)].points[0].x, 6000 + 500 * n, 0.01);
            EXPECT_EQ(verticals[std::size_t(n)].points[0].y, 1000);
            EXPECT_EQ(verticals[std::size_t(n)].points[1].y, 5000);
            const CanvasPrimitive* label = w.textAt(labelX[n], 5100);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text, labels[n]);
        }
        ASSERT_NE(w.textAt(8000, 5400), nullptr);
        EXPECT_EQ(w.textAt(8000, 5400)->text, "Hz");
    }
}

TEST_F(OpampTestWindowTest, GainAxisLabelsEndNearTheFrameOnAnyScreen)
{
    struct Case {
        const char* name;
        ScreenMetrics screen;
    };
    const Case cases[] = {
        {"800 x 600", ScreenMetrics{12000, 9000, 15, 15}},
        {"1024 x 768", ScreenMetrics{15360, 11520, 15, 15}},
        {"1920 x 1080", ScreenMetrics{28800, 16200, 15, 15}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpampWindow w({}, c.screen);
        for (int j = 0; j <= 14; ++j) {
            const std::string text = std::to_string(140 - 10 * j);
            SCOPED_TRACE(text);
            const double top = 900 + std::floor(4000.0 * j / 14);
            const double left = 5800 - 120.0 * double(text.size()) * 12000 / c.screen.widthTwips;
            const CanvasPrimitive* label = w.textAt(left, top);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text, text);
            EXPECT_NEAR(label->font.points, c.screen.heightTwips * 0.0008, 1e-9);
        }
        ASSERT_NE(w.textAt(5400, 3000), nullptr);
        EXPECT_EQ(w.textAt(5400, 3000)->text, "dB");
        // Fifteen lines, a unit short of a fourteenth apart.
        std::vector<double> ys;
        for (const auto& l : w.ofColour(Kind::Line, kGrey))
            if (l.points[0].y == l.points[1].y)
                ys.push_back(l.points[0].y);
        ASSERT_EQ(ys.size(), 15u);
        EXPECT_EQ(ys.front(), 1000);
        EXPECT_NEAR(ys.back(), 1000 + 14 * (4000.0 / 14 - 1), 1e-6);
        const CanvasPrimitive* title = w.textAt(7700, 500);
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->text, "Opamp gain");
        EXPECT_NEAR(title->font.points, c.screen.heightTwips * 0.0011, 1e-9);
    }
}

TEST_F(OpampTestWindowTest, CurveFallsTwentyDecibelsPerDecadeToZero)
{
    struct Case {
        const char* name;
        Single dcGain, gbw;
    };
    const Case cases[] = {
        {"start-up opamp, corner at 100 Hz", 1e5f, 1e7f},
        {"corner at 1 kHz", 1e3f, 1e6f},
        {"the largest DC gain, corner at 1 Hz", 1e7f, 1e7f},
        {"fast opamp, 100 MHz", 1e5f, 1e8f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpampWindow w([&](DesignState& s) {
            s.DCGain = c.dcGain;
            s.GBW = c.gbw;
        });
        const auto curves = w.ofColour(Kind::Polyline, kBlue);
        ASSERT_EQ(curves.size(), 1u);
        const auto& points = curves[0].points;
        // Starts one step in from the left edge, at the DC gain's height.
        EXPECT_NEAR(points.front().x, 6005, 1e-6);
        EXPECT_NEAR(points.front().y, YOf(SinglePoleGainDB(c.dcGain, c.gbw, 0.1 * std::pow(10.0, 0.01))), 0.01);
        // Within 0.05 dB of the DC gain: even the 1 Hz corner lies a decade above.
        EXPECT_NEAR(points.front().y, YOf(20 * std::log10(double(c.dcGain))), 1.5);
        // Stops where the gain reaches 0 dB, at about the GBW.
        EXPECT_NEAR(points.back().x, XOf(c.gbw), 5.5);
        for (const auto& p : points)
            EXPECT_TRUE(p.y > 999 && p.y < 5000);
        // A decade above the corner the curve falls 20 dB per decade.
        const double from = XOf(10 * c.gbw / c.dcGain);
        int checked = 0;
        for (std::size_t i = 1; i < points.size(); ++i) {
            if (points[i - 1].x < from)
                continue;
            const double slope = (points[i].y - points[i - 1].y) / (points[i].x - points[i - 1].x);
            EXPECT_NEAR(slope, (20 * 4000.0 / 140) / 500, 0.02);
            ++checked;
        }
        EXPECT_GT(checked, 50);
    }
}

TEST_F(OpampTestWindowTest, StageMarksShowWhatEachStageAsks)
{
    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        std::vector<std::pair<double, double>> marks;  // frequency, required gain
    };
    const double required = 20 * std::log10((242.2e3 / (85.42e3 * 1.222e3 / (85.42e3 + 1.222e3))) / 2);
    const std::vector<Case> cases = {
        {"start-up design", nullptr, {{931.62, required}, {1073.40, required}}},
        {"a stage asking 160 dB is drawn above the frame",
         [](DesignState& s) { s.R[2][3] *= 1e6f; },
         {{931.62, required}, {1073.40, required + 120}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpampWindow w(c.prepare);
        const auto dots = w.ofColour(Kind::Dot, kRed);
        ASSERT_EQ(dots.size(), c.marks.size());
        for (std::size_t k = 0; k < dots.size(); ++k) {
            SCOPED_TRACE("stage " + std::to_string(k + 1));
            EXPECT_EQ(dots[k].width, 8);
            EXPECT_NEAR(dots[k].points[0].x, XOf(c.marks[k].first), 0.1);
            EXPECT_NEAR(dots[k].points[0].y, YOf(c.marks[k].second), 0.5);
        }
    }
}

TEST_F(OpampTestWindowTest, TableAndFrameBackgrounds)
{
    struct Case {
        const char* name;
        Integer order;
    };
    const Case cases[] = {{"one stage", 1}, {"two stages", 2}, {"seven stages", 7}, {"21 stages", 21}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpampWindow w([&](DesignState& s) {
            s.Order = c.order;
            for (int k = 1; k <= c.order; ++k)
                s.C[k][1] = s.C[k][2] = 1e-8f;
            RunDesignChain(s);
        });
        const double bottom = 2800 + 240.0 * c.order;
        const auto boxes = w.drawing().OfKind(Kind::FillBox);
        ASSERT_GE(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].points[0], (CanvasPoint{500, 800}));
        EXPECT_EQ(boxes[0].points[1], (CanvasPoint{5400, bottom}));
        EXPECT_EQ(boxes[0].colour, kWhite);
        EXPECT_EQ(boxes[1].points[0], (CanvasPoint{6000, 1000}));
        EXPECT_EQ(boxes[1].points[1], (CanvasPoint{11000, 5000}));
        const auto edges = w.ofColour(Kind::Line, kTableEdge);
        ASSERT_EQ(edges.size(), 2u);
        EXPECT_EQ(edges[0].points[0], (CanvasPoint{500, 800}));
        EXPECT_EQ(edges[1].points[1], (CanvasPoint{5400, bottom}));
        const auto outline = w.drawing().OfKind(Kind::OutlineBox);
        ASSERT_EQ(outline.size(), 1u);
        EXPECT_EQ(outline[0].colour, (Rgb{17, 17, 17}));
        EXPECT_EQ(outline[0].width, 3);
        // One row per stage, the last one above the footer.
        ASSERT_NE(w.textAt(800, RowY(c.order)), nullptr);
        EXPECT_EQ(w.textAt(800, RowY(c.order))->text, " " + std::to_string(c.order));
        EXPECT_EQ(w.ofColour(Kind::Dot, kRed).size(), std::size_t(c.order));
    }
}

TEST_F(OpampTestWindowTest, OpensBesideTheDesignWindowAndReturnsToIt)
{
    struct Case {
        const char* name;
        bool designStillOpen;
    };
    const Case cases[] = {{"design window still open", true}, {"design window left for the plot", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto program = std::make_unique<Program>();
        InstallStartDefaults(program->record);
        InstallOpampDefaults(program->record);
        InitEngine(program->record);
        {
            Navigator full(program->record, program->platform, [] {});
            RegisterProgramWindows(full);
            EXPECT_TRUE(full.CanOpen(WindowKind::OpampTest));
        }
        RegisterOpampTest(program->navigator);
        RecordDrawings(program->navigator, program->platform);
        auto* design = program->Open<frmDesign>(WindowKind::Design);
        ASSERT_NE(design, nullptr);
        Click(design->cmdTest);
        auto* test = dynamic_cast<frmOpampTest*>(program->navigator.Find(WindowKind::OpampTest));
        ASSERT_NE(test, nullptr);
        EXPECT_EQ(program->navigator.Find(WindowKind::Design), design);
        EXPECT_FALSE(test->isModal());
        EXPECT_EQ(test->windowTitle().toStdString(), "      Stelvane - Opamp test");
        EXPECT_EQ(test->cmdReturn->text().toStdString(), "Return");
        const Layout layout(program->platform.Screen(), WindowKind::OpampTest);
        const PixelRect r = layout.Rect(6000, 7300, 1000, 300);
        EXPECT_EQ(test->cmdReturn->geometry(), QRect(r.left, r.top, r.width, r.height));
        // The Enter step ran first: the table shows the design just entered.
        EXPECT_NE(program->platform.Drawing("frmOpampTest").FindText(" 2"), nullptr);

        if (!c.designStillOpen) {
            program->navigator.Close(WindowKind::Design);
            FlushDeletes();
            ASSERT_EQ(program->navigator.Find(WindowKind::Design), nullptr);
        }
        Click(test->cmdReturn);
        FlushDeletes();
        EXPECT_EQ(program->navigator.Find(WindowKind::OpampTest), nullptr);
        EXPECT_NE(program->navigator.Find(WindowKind::Design), nullptr);
        if (c.designStillOpen) {
            EXPECT_EQ(program->navigator.Find(WindowKind::Design), design);
        }
        EXPECT_EQ(program->endings, 0);
    }
}

} // namespace
} // namespace stelvane
