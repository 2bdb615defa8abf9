#include <gtest/gtest.h>

#include <algorithm>

#include "render/polesdrawing.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// Show poles draws the present design's prototype poles (their places are
// the drawing's own tests), Grid adds the rectangular grid and takes it away
// again, and Return goes back to the plot.
TEST(PolesWindow, ShowsThePrototypePolesOfTheFamily)
{
    Program p;
    p.Start({"optChebyshev", "txtApass=0.5", "UpDown1/up", "cmdPlot"});
    const RecordingCanvas& drawing = p.Drawing(Poles);
    auto gridLines = [&] {
        return std::count_if(drawing.primitives.begin(), drawing.primitives.end(),
            [](auto& line) { return line.colour == kRectangularGridColour; });
    };
    Walk(p,
        {
            {"Chebyshev, three stages", Plot, "cmdPoles", nullptr,
                [&] {
                    EXPECT_EQ(drawing.Texts(), PolesListTexts(p.record));
                    EXPECT_TRUE(drawing.OfKind(CanvasPrimitive::Kind::Dot).size() == 3 && !gridLines());
                }},
            {"Grid", Poles, "cmdGrid", nullptr, [&] { EXPECT_GT(gridLines(), 10); }},
            {"Grid again", Poles, "cmdGrid", nullptr, [&] { EXPECT_EQ(gridLines(), 0); }},
            {"Return", Poles, "cmdExit", nullptr, [&] { EXPECT_FALSE(p.Find(Poles)); }},
        });
}

}  // namespace stelvane::testing
