#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/designstate.h"
#include "tests/support/recordingcanvas.h"
#include "windows/symbols.h"

namespace stelvane {
namespace {

using Kind = CanvasPrimitive::Kind;

TEST(SymbolsTest, ResistorValuesAreLabelledAndNegativeVerticalOnesInRed)
{
    struct Case {
        const char* name;
        bool vertical;
        Single ohms;
        const char* text;
        CanvasPoint at;
        Rgb colour;
    };
    const Case cases[] = {
        {"horizontal", false, 85418, "85.418k", {1150, 1600}, kBlack},
        {"horizontal, negative", false, -1222, "-1.222k", {1150, 1600}, kBlack},
        {"vertical", true, 1222, "1.222k", {1150, 2400}, kBlack},
        {"vertical, negative", true, -1222, "-1.222k", {1150, 2400}, Rgb{255, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingCanvas canvas;
        const SymbolStyle style = SchematicStyle(9000);
        const double advance = c.vertical ? DrawVerticalResistor(canvas, 1000, 2000, c.ohms, style)
                                          : DrawHorizontalResistor(canvas, 1000, 2000, c.ohms, style);
        EXPECT_EQ(advance, c.vertical ? 200 : 1000);
        const auto texts = canvas.OfKind(Kind::Text);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, c.text);
        EXPECT_EQ(texts[0].points[0], c.at);
        EXPECT_EQ(texts[0].colour, c.colour);
        EXPECT_NEAR(texts[0].font.points, 7.2, 1e-9);
        // In black the whole symbol is one path from its start to 1000 or
        // 1040 units on.
        const auto paths = canvas.OfKind(Kind::Polyline);
        ASSERT_EQ(paths.size(), 1u);
        EXPECT_EQ(paths[0].points.front(), (CanvasPoint{1000, 2000}));
        const CanvasPoint end = c.vertical ? CanvasPoint{1000, 3040} : CanvasPoint{2000, 2000};
        EXPECT_EQ(paths[0].points.back(), end);
    }
}

TEST(SymbolsTest, StageUsesTheChosenResistorSetAndAdvancesOneStage)
{
    DesignState s;
    s.Order = 1;
    s.R[1] = {0, 85420, 1222, 242200};
    s.Rs[1] = {0, 85310, 1221, 242100};
    s.C[1][1] = 1e-8f;
    s.C[1][2] = 4.7e-9f;
    struct Case {
        const char* name;
        bool specified;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"ideal opamp", false, {"85.42k", "1.222k", "0.01uF", "4700pF", "242.2k", "1"}},
        {"specified opamp", true, {"85.31k", "1.221k", "0.01uF", "4700pF", "242.1k", "1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingCanvas canvas;
        EXPECT_EQ(DrawStage(canvas, 1240, 2500, s, 1, c.specified, SchematicStyle(9000)), 3760);
        EXPECT_EQ(canvas.Texts(), c.texts);
        for (const CanvasPrimitive& p : canvas.primitives)
            for (const CanvasPoint& q : p.points) {
                EXPECT_GE(q.x, 1240 - 100);  // R2's ground reaches 100 left of node A at most
                EXPECT_LE(q.x, 1240 + 3760);
            }
    }
}

TEST(SymbolsTest, StageGainReadout)
{
    struct Case {
        Single gain;
        const char* text;
    };
    const Case cases[] = {
        {1, "0dB"}, {10, "20dB"}, {0.1f, "-20dB"}, {0, "invalid"}, {-2, "invalid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gain);
        EXPECT_EQ(StageGainText(c.gain), c.text);
    }
}

} // namespace
} // namespace stelvane
