#include <gtest/gtest.h>

#include "windows/frmopamptest.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// Examine compares, stage by stage, what the opamp gives at the stage
// frequency with what the stage asks of it (40 dB for both start-up stages),
// flags a shortfall in red, and draws the opamp's gain curve with a mark per
// stage; a stage that cannot be built is marked so.
TEST(OpampTestWindow, ComparesOpampAndStageGains)
{
    Program p;
    p.Start();
    const RecordingCanvas& drawing = p.Drawing(OpampTest);
    auto expectRows = [&](double gbw, Rgb margin) {
        std::vector<CanvasPrimitive> row;  // per stage: the opamp's gain, the stage's, the margin
        for (const CanvasPrimitive& text : drawing.OfKind(CanvasPrimitive::Kind::Text))
            if (text.text.size() > 2 && text.text.ends_with("dB"))
                row.push_back(text);
        ASSERT_EQ(row.size(), 6u);
        const double stages[] = {931.62, 1073.4};
        for (int k = 0; k < 2; ++k) {
            const double opamp = 20 * std::log10(1e5 / std::hypot(1, stages[k] * 1e5 / gbw));  // a single pole
            EXPECT_NEAR(Figure(row[3 * k].text), opamp, 0.01) << "stage " << k + 1;
            EXPECT_NEAR(Figure(row[3 * k + 1].text), 40, 0.05);
            EXPECT_NEAR(Figure(row[3 * k + 2].text), opamp - Figure(row[3 * k + 1].text), 0.01);
        }
        EXPECT_EQ(row[2].colour, margin);
        EXPECT_TRUE(CurveIn(drawing, kOpampCurveColour) && drawing.OfKind(CanvasPrimitive::Kind::Dot).size() == 2);
    };
    Walk(p, {
        {"the start-up opamp has margin to spare", Design, "cmdTest", nullptr, [&] { expectRows(1e7, kBlack); }},
        {"Return", OpampTest, "cmdReturn"},
        {"a slow opamp", Design, "txtGBW=50k"},
        {"falls short in red", Design, "cmdTest", nullptr, [&] { expectRows(5e4, kOpampAlarmColour); }},
        {"Return again", OpampTest, "cmdReturn"},
        {"more gain than the stages' Q allows", Design, "txtGain=40"},
        {"over a wide band", Design, "txtWidth=800"},
        {"no stage can be built, and none is given a required gain or margin", Design, "cmdTest", nullptr, [&] {
             const std::vector<std::string> texts = drawing.Texts();
             EXPECT_EQ(std::count(texts.begin(), texts.end(), "cannot be built"), 2);
             EXPECT_EQ(std::count_if(texts.begin(), texts.end(), [](auto& t) { return t.ends_with("dB"); }), 2 + 1);
             EXPECT_TRUE(drawing.OfKind(CanvasPrimitive::Kind::Dot).empty()); // and no mark on the plot
         }},
    });
}

} // namespace stelvane::testing
