#include <gtest/gtest.h>

#include "windows/frmopamptest.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// Examine shows the opamp test of the design as it stands (the drawing's own
// tests check its figures, marks and curve); Return goes back, and the next
// Examine shows the opamp typed meanwhile.
TEST(OpampTestWindow, ComparesOpampAndStageGains)
{
    Program p;
    p.Start();
    const RecordingCanvas& drawing = p.Drawing(OpampTest);
    auto drawsTheRecord = [&] {
        RecordingCanvas own;
        DrawOpampTest(own, p.record, p.platform.Screen());
        EXPECT_EQ(drawing.Texts(), own.Texts());
        EXPECT_EQ(drawing.OfKind(CanvasPrimitive::Kind::Dot).size(), 2u);
    };
    Walk(p,
        {
            {"Examine", Design, "cmdTest", nullptr, drawsTheRecord},
            {"Return", OpampTest, "cmdReturn"},
            {"a slow opamp", Design, "txtGBW=50k"},
            {"Examine again", Design, "cmdTest", nullptr,
                [&] {
                    drawsTheRecord();
                    EXPECT_TRUE(drawing.FindText("Based on an opamp with a GBW of 50kHz"));
                }},
        });
}

}  // namespace stelvane::testing
