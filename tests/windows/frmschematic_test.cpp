#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/numbertext.h"
#include "engine/standardvalues.h"
#include "engine/synthesis.h"
#include "windows/frmschematic.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;
using Kind = CanvasPrimitive::Kind;

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBandEdge{17, 170, 170};

// Where stage i starts when nothing is scrolled: the source's left end at
// 1000, the source 240 wide, then one stage after the other.
double StageStart(int stage, double origin = 1000) { return origin + 240 + (stage - 1) * 3760.0; }

// The start-up design (1 kHz, 200 Hz, two Butterworth stages, 10 nF) with
// the given order, designed for an ideal and for the start-up opamp.
void StartUpDesign(DesignState& s, Integer order = 2)
{
    InitEngine(s);
    InstallStartDefaults(s);
    InstallOpampDefaults(s);
    s.Order = order;
    for (int i = 1; i <= order && i <= kMaxStages; ++i)
        s.C[i][1] = s.C[i][2] = 1e-8f;
    RunDesignChain(s);
}

// One schematic window on the scripted platform over a prepared record.
struct SchematicWindow {
    explicit SchematicWindow(const std::function<void(DesignState&)>& prepare)
    {
        // Every window of the program, the views included.
        RegisterProgramWindows(program->navigator);
        RecordDrawings(program->navigator, program->platform);
        prepare(program->record);
        window = program->Open<frmSchematic>(WindowKind::Schematic);
    }
    DesignState& record() { return program->record; }
    RecordingCanvas& drawing() { return program->platform.Drawing("frmSchematic"); }
    // What was drawn since the last call, without the background fill of the load.
    std::vector<CanvasPrimitive> TakeDrawing()
    {
        std::vector<CanvasPrimitive> drawn;
        for (const CanvasPrimitive& p : drawing().primitives)
            if (p.kind != Kind::Clear)
                drawn.push_back(p);
        drawing().Forget();
        return drawn;
    }

    std::unique_ptr<Program> program = std::make_unique<Program>();
    frmSchematic* window = nullptr;
};

std::vector<const CanvasPrimitive*> TextsAt(const std::vector<CanvasPrimitive>& drawn, CanvasPoint at)
{
    std::vector<const CanvasPrimitive*> found;
    for (const CanvasPrimitive& p : drawn)
        if (p.kind == Kind::Text && std::abs(p.points[0].x - at.x) < 1e-6 && std::abs(p.points[0].y - at.y) < 1e-6)
            found.push_back(&p);
    return found;
}

std::optional<CanvasPrimitive> TextStartingWith(const std::vector<CanvasPrimitive>& drawn, const std::string& head,
                                                int nth = 0)
{
    for (const CanvasPrimitive& p : drawn)
        if (p.kind == Kind::Text && p.text.rfind(head, 0) == 0 && nth-- == 0)
            return p;
    return std::nullopt;
}

class SchematicTest : public ::testing::Test {
protected:
    TemporaryWorkingDirectory dir;
};

TEST_F(SchematicTest, EveryStageAdvancesByOneStageWidth)
{
    const Integer orders[] = {1, 2, 3, 7, 21};
    for (Integer order : orders) {
        SCOPED_TRACE("order " + std::to_string(order));
        SchematicWindow w([order](DesignState& s) { StartUpDesign(s, order); });
        ASSERT_NE(w.window, nullptr);
        const auto drawn = w.TakeDrawing();

        // The band the circuit sits on, edge to edge.
        ASSERT_GE(drawn.size(), 3u);
        EXPECT_EQ(drawn[0].kind, Kind::FillBox);
        EXPECT_EQ(drawn[0].points, (std::vector<CanvasPoint>{{1, 800}, {12400, 5700}}));
        EXPECT_EQ(drawn[0].colour, kWhite);
        for (int k : {1, 2}) {
            EXPECT_EQ(drawn[k].kind, Kind::Line);
            EXPECT_EQ(drawn[k].colour, kBandEdge);
        }

        for (int i = 1; i <= order; ++i) {
            SCOPED_TRACE("stage " + std::to_string(i));
            // The opamp at 1960 into the stage carries the stage number 800 further on.
            const auto number = TextsAt(drawn, {StageStart(i) + 1960 + 800, 2500 + 150});
            ASSERT_EQ(number.size(), 1u);
            EXPECT_EQ(number[0]->text, std::to_string(i));
            EXPECT_NEAR(number[0]->font.points, 9000 * 0.0012, 1e-9);
            // The readout block under the stage, each stage its own.
            const auto freq = TextStartingWith(drawn, "Stage freq:  ", i - 1);
            ASSERT_TRUE(freq);
            EXPECT_EQ(freq->points[0], (CanvasPoint{StageStart(i) + 1660, 4500}));
        }
        EXPECT_FALSE(TextStartingWith(drawn, "Stage freq:  ", order));
        const auto output = TextStartingWith(drawn, "Output");
        ASSERT_TRUE(output);
        EXPECT_EQ(output->points[0], (CanvasPoint{StageStart(order + 1) + 300 + 60, 2400}));
    }
}

TEST_F(SchematicTest, OneOrTwoStagesFitWithoutAScrollBar)
{
    struct Case {
        Integer order;
        bool scrollBar;
        double outputEnd;  // 1000 + 240 + Order x 3760 + 300
    };
    const Case cases[] = {{1, false, 5300}, {2, false, 9060}, {3, true, 12820}, {21, true, 80500}};
    for (const Case& c : cases) {
        SCOPED_TRACE("order " + std::to_string(c.order));
        SchematicWindow w([&c](DesignState& s) { StartUpDesign(s, c.order); });
        EXPECT_EQ(!w.window->HScroll1->isHidden(), c.scrollBar);
        EXPECT_EQ(w.window->ScrollSpan, c.scrollBar ? c.order * 3500.0 : 0.0);

        const auto drawn = w.TakeDrawing();
        double right = -1e9;
        // The circuit's lines; the readout boxes under the stages reach further.
        for (std::size_t k = 3; k < drawn.size(); ++k)
            if (drawn[k].kind != Kind::Text && drawn[k].kind != Kind::FillBox)
                for (const CanvasPoint& p : drawn[k].points)
                    right = std::max(right, p.x);
        EXPECT_DOUBLE_EQ(right, c.outputEnd);
        if (!c.scrollBar) {
            EXPECT_LE(right, 9060);
        }
    }
}

TEST_F(SchematicTest, ScrollBarShiftsTheWholeCircuitLeft)
{
    struct Case {
        const char* name;
        Integer order;
        std::optional<int> value;  // none: the End key, the bar's maximum
        double shift;
    };
    const Case cases[] = {
        {"three stages, at the maximum", 3, std::nullopt, 10500},
        {"three stages, halfway", 3, 16384, 16384 * 10500.0 / 32767},
        {"three stages, one step", 3, 1, 10500.0 / 32767},
        {"five stages, at the maximum", 5, std::nullopt, 17500},
        {"21 stages, at the maximum", 21, std::nullopt, 73500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchematicWindow w([&c](DesignState& s) { StartUpDesign(s, c.order); });
        const auto before = w.TakeDrawing();
        if (c.value)
            w.window->HScroll1->setValue(*c.value);
        else
            QTest::keyClick(w.window->HScroll1, Qt::Key_End);
        EXPECT_EQ(w.window->HScroll1->value(), c.value.value_or(32767));
        const auto after = w.TakeDrawing();

        ASSERT_EQ(after.size(), before.size());
        for (std::size_t k = 0; k < after.size(); ++k) {
            SCOPED_TRACE("primitive " + std::to_string(k));
            ASSERT_EQ(after[k].kind, before[k].kind);
            ASSERT_EQ(after[k].points.size(), before[k].points.size());
            EXPECT_EQ(after[k].text, before[k].text);
            EXPECT_EQ(after[k].colour, before[k].colour);
            const double shift = k < 3 ? 0 : c.shift;  // the band stays where it is
            for (std::size_t p = 0; p < after[k].points.size(); ++p) {
                EXPECT_NEAR(after[k].points[p].x, before[k].points[p].x - shift, 1e-6);
                EXPECT_EQ(after[k].points[p].y, before[k].points[p].y);
            }
        }
    }
}

// Where the three resistor labels of a stage starting at x0 sit: R1 above
// its zigzag, R2 beside the leg to ground, R3 beside the feedback leg.
std::vector<CanvasPoint> ResistorLabelPlaces(double x0)
{
    return {{x0 + 150, 2100}, {x0 + 1000 + 150, 2900}, {x0 + 2160 + 150, 1460 + 400}};
}

TEST_F(SchematicTest, PartsTypeChangesOnlyTheResistorLabelsAndTheOpampLine)
{
    struct Case {
        const char* name;
        Integer order;
        Single gbw;
    };
    const Case cases[] = {
        {"two stages, start-up opamp", 2, 1e7f},
        {"four stages, slow opamp", 4, 1e6f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchematicWindow w([&c](DesignState& s) {
            InitEngine(s);
            InstallStartDefaults(s);
            s.GBW = c.gbw;
            InstallOpampDefaults(s);
            s.Order = c.order;
            for (int i = 1; i <= c.order; ++i)
                s.C[i][1] = s.C[i][2] = 1e-8f;
            RunDesignChain(s);
        });
        const DesignState& s = w.record();
        EXPECT_TRUE(w.window->optIdeal->isChecked());
        EXPECT_TRUE(w.window->lblOpampInfo->isHidden());
        const auto ideal = w.TakeDrawing();

        Click(w.window->optSpecd);
        EXPECT_EQ(s.PartsType, 1);
        EXPECT_FALSE(w.window->lblOpampInfo->isHidden());
        const auto specified = w.TakeDrawing();

        // Every primitive but the resistor labels is drawn as before.
        ASSERT_EQ(specified.size(), ideal.size());
        std::vector<CanvasPoint> labelPlaces;
        for (int i = 1; i <= c.order; ++i)
            for (const CanvasPoint& at : ResistorLabelPlaces(StageStart(i)))
                labelPlaces.push_back(at);
        int changed = 0;
        for (std::size_t k = 0; k < ideal.size(); ++k) {
            SCOPED_TRACE("primitive " + std::to_string(k));
            EXPECT_EQ(specified[k].points, ideal[k].points);
            EXPECT_EQ(specified[k].colour, ideal[k].colour);
            if (specified[k].text == ideal[k].text)
                continue;
            ++changed;
            bool isLabel = false;
            for (const CanvasPoint& at : labelPlaces)
                isLabel = isLabel || specified[k].points[0] == at;
            EXPECT_TRUE(isLabel) << ideal[k].text << " became " << specified[k].text;
        }
        EXPECT_GT(changed, 0);
        // The labels now show the corrected set; read back, they are its values.
        for (int i = 1; i <= c.order; ++i) {
            const auto places = ResistorLabelPlaces(StageStart(i));
            for (int j = 1; j <= 3; ++j) {
                SCOPED_TRACE("stage " + std::to_string(i) + " R" + std::to_string(j));
                const auto label = TextsAt(specified, places[j - 1]);
                ASSERT_EQ(label.size(), 1u);
                Single shown = 0;
                ParseNumberText(label[0]->text, shown);
                EXPECT_NEAR(shown / s.Rs[i][j], 1.0, 5e-4);
            }
        }

        Click(w.window->optIdeal);
        EXPECT_EQ(s.PartsType, 0);
        EXPECT_TRUE(w.window->lblOpampInfo->isHidden());
        const auto back = w.TakeDrawing();
        ASSERT_EQ(back.size(), ideal.size());
        for (std::size_t k = 0; k < ideal.size(); ++k)
            EXPECT_EQ(back[k].text, ideal[k].text);
    }
}

TEST_F(SchematicTest, ChoosingAPartsTypeScrollsBackToTheStart)
{
    struct Case {
        const char* name;
        bool toSpecified;
    };
    const Case cases[] = {{"to the specified opamp", true}, {"back to the ideal opamp", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchematicWindow w([&c](DesignState& s) {
            StartUpDesign(s, 3);
            s.PartsType = c.toSpecified ? 0 : 1;
        });
        QTest::keyClick(w.window->HScroll1, Qt::Key_End);
        EXPECT_DOUBLE_EQ(w.window->OriginX, 1000 - 10500);
        w.TakeDrawing();
        Click(c.toSpecified ? w.window->optSpecd : w.window->optIdeal);
        const auto drawn = w.TakeDrawing();
        EXPECT_DOUBLE_EQ(w.window->OriginX, 1000);
        EXPECT_EQ(TextsAt(drawn, {StageStart(1) + 2760, 2650}).size(), 1u);
        // The thumb stays where the user left it.
        EXPECT_EQ(w.window->HScroll1->value(), 32767);
    }
}

TEST_F(SchematicTest, OptionsAgreeWithThePartsTypeWhenTheWindowOpens)
{
    struct Case {
        const char* name;
        Integer partsType;
        Integer expected;
        bool specified;
    };
    const Case cases[] = {
        {"ideal opamp", 0, 0, false},
        {"specified opamp chosen on an earlier visit", 1, 1, true},
        {"a value that names no parts type", 7, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchematicWindow w([&c](DesignState& s) {
            StartUpDesign(s);
            s.PartsType = c.partsType;
        });
        const DesignState& s = w.record();
        EXPECT_EQ(s.PartsType, c.expected);
        EXPECT_EQ(w.window->optSpecd->isChecked(), c.specified);
        EXPECT_EQ(w.window->optIdeal->isChecked(), !c.specified);
        EXPECT_EQ(w.window->lblOpampInfo->isHidden(), !c.specified);
        EXPECT_EQ(Text(w.window->lblOpampInfo), "Opamp GBW: 10MHz   DCgain: 100kv/v");
        // The drawn R1 of stage 1 is from the set the option names.
        const auto drawn = w.TakeDrawing();
        const auto r1 = TextsAt(drawn, {StageStart(1) + 150, 2100});
        ASSERT_EQ(r1.size(), 1u);
        Single shown = 0;
        ParseNumberText(r1[0]->text, shown);
        EXPECT_NEAR(shown / (c.specified ? s.Rs[1][1] : s.R[1][1]), 1.0, 5e-5);
    }
}

TEST_F(SchematicTest, NegativeLegResistorsAreRedAndTheInputResistorStaysBlack)
{
    struct Case {
        const char* name;
        int part;
        Single ohms;
        const char* text;
        Rgb colour;
    };
    const Case cases[] = {
        {"negative R2", 2, -1222, "-1.222k", kRed},
        {"negative R1", 1, -5000, "-5k", kBlack},
        {"negative R3", 3, -47000, "-47k", kRed},
        {"positive R2", 2, 1222, "1.222k", kBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchematicWindow w([&c](DesignState& s) {
            StartUpDesign(s);
            s.R[2][c.part] = c.ohms;
        });
        const auto drawn = w.TakeDrawing();
        const auto label = TextsAt(drawn, ResistorLabelPlaces(StageStart(2))[c.part - 1]);
        ASSERT_EQ(label.size(), 1u);
        EXPECT_EQ(label[0]->text, c.text);
        EXPECT_EQ(label[0]->colour, c.colour);
        // Nothing else turns red.
        int red = 0;
        for (const CanvasPrimitive& p : drawn)
            red += p.colour == kRed ? 1 : 0;
        EXPECT_EQ(red, c.colour == kRed ? 1 : 0);
    }
}

TEST_F(SchematicTest, StageGainLineInDecibelsOrAPlaceholder)
{
    struct Case {
        const char* name;
        Single gain;  // v/v of stage 1
        const char* line;
    };
    const Case cases[] = {
        {"unity gain", 1, "Stage gain:  0dB"},
        {"gain 10", 10, "Stage gain:  20dB"},
        {"gain 100", 100, "Stage gain:  40dB"},
        {"gain 0.01", 0.01f, "Stage gain:  -40dB"},
        {"gain 0", 0, "Stage gain:  invalid"},
        {"negative gain", -3, "Stage gain:  invalid"},
        {"gain not a number", std::numeric_limits<Single>::quiet_NaN(), "Stage gain:  invalid"},
        {"infinite gain", std::numeric_limits<Single>::infinity(), "Stage gain:  invalid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchematicWindow w([&c](DesignState& s) {
            StartUpDesign(s);
            s.StageGainActual[1] = c.gain;
        });
        const auto drawn = w.TakeDrawing();
        const auto line = TextsAt(drawn, {StageStart(1) + 1660, 5100});
        ASSERT_EQ(line.size(), 1u);
        EXPECT_EQ(line[0]->text, c.line);
        // The drawing goes on: stage 2 and the output are there.
        EXPECT_EQ(TextsAt(drawn, {StageStart(2) + 2760, 2650}).size(), 1u);
        EXPECT_TRUE(TextStartingWith(drawn, "Output"));
        for (const CanvasPrimitive& p : drawn)
            for (const CanvasPoint& q : p.points)
                ASSERT_TRUE(std::isfinite(q.x) && std::isfinite(q.y));
    }
}

TEST_F(SchematicTest, OrdersOutsideTheArraysDrawOnlyWhatTheArraysHold)
{
    struct Case {
        const char* name;
        Integer order;
        int stagesDrawn;
        bool scrollBar;
    };
    const Case cases[] = {
        {"no stages", 0, 0, false},
        {"a negative order", -4, 0, false},
        {"more stages than the arrays hold", 40, 21, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SchematicWindow w([&c](DesignState& s) {
            StartUpDesign(s, 21);
            s.Order = c.order;
        });
        EXPECT_EQ(!w.window->HScroll1->isHidden(), c.scrollBar);
        w.TakeDrawing();
        QTest::keyClick(w.window->HScroll1, Qt::Key_End);
        const auto drawn = w.TakeDrawing();
        int stages = 0;
        for (const CanvasPrimitive& p : drawn) {
            stages += p.kind == Kind::Text && p.text.rfind("Stage freq:", 0) == 0 ? 1 : 0;
            for (const CanvasPoint& q : p.points)
                ASSERT_TRUE(std::isfinite(q.x) && std::isfinite(q.y));
        }
        EXPECT_EQ(stages, c.stagesDrawn);
        EXPECT_TRUE(TextStartingWith(drawn, "Output"));
    }
}

TEST_F(SchematicTest, ControlsSitWhereTheLayoutPutsThem)
{
    SchematicWindow w([](DesignState& s) { StartUpDesign(s, 3); });
    const Layout layout(w.program->platform.Screen(), WindowKind::Schematic);
    struct Case {
        const char* name;
        PixelRect rect;
    };
    const Case cases[] = {
        {"fraPartsType", layout.Rect(2000, 6000, 2000, 1100)},
        {"lblOpampInfo", layout.Rect(2000, 7200, 4000, 300)},
        {"HScroll1", layout.Rect(4000, 3900, 3000, 200)},
        {"optIdeal", layout.FrameOptionRect(0.025, 0.14)},
        {"optSpecd", layout.FrameOptionRect(0.06, 0.14)},
        {"cmdSchematic", layout.Rect(2300, 0, 1100, 300)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* control = w.window->findChild<QWidget*>(c.name);
        ASSERT_NE(control, nullptr);
        const QRect g = control->geometry();
        EXPECT_EQ((PixelRect{g.x(), g.y(), g.width(), g.height()}), c.rect);
    }
    EXPECT_EQ(w.window->windowTitle().toStdString(), "      Stelvane - Schematic");
    EXPECT_EQ(w.window->fraPartsType->title().toStdString(), "Parts type");
    EXPECT_EQ(w.window->optIdeal->text().toStdString(), "Ideal opamp");
    EXPECT_EQ(w.window->optSpecd->text().toStdString(), "Specified opamp");
    EXPECT_EQ(w.window->HScroll1->minimum(), 0);
    EXPECT_EQ(w.window->HScroll1->maximum(), 32767);
    EXPECT_EQ(w.window->HScroll1->value(), 0);
}

TEST_F(SchematicTest, BarButtonsLeadToTheOtherWindows)
{
    struct Case {
        const char* button;
        std::optional<WindowKind> opens;
        bool schematicStays;
    };
    const Case cases[] = {
        {"cmdWrite", WindowKind::WriteFiles, true},
        {"cmdDesign", WindowKind::Design, false},
        {"cmdSchematic", std::nullopt, true},  // its own button
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        SchematicWindow w([](DesignState& s) { StartUpDesign(s); });
        const DesignState before = w.record();
        Click(w.window->findChild<QPushButton*>(c.button));
        FlushDeletes();
        Navigator& nav = w.program->navigator;
        if (c.opens) {
            FormWindow* opened = nav.Find(*c.opens);
            ASSERT_NE(opened, nullptr);
            EXPECT_EQ(opened->isModal(), *c.opens == WindowKind::WriteFiles);
        }
        EXPECT_EQ(nav.Find(WindowKind::Schematic) != nullptr, c.schematicStays);
        EXPECT_EQ(nav.OpenCount(), c.opens ? (c.schematicStays ? 2 : 1) : 1);
        // The view computes nothing.
        EXPECT_EQ(w.record().R, before.R);
        EXPECT_EQ(w.record().StageFoActual, before.StageFoActual);
    }
}

} // namespace
} // namespace stelvane
