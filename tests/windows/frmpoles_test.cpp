#include <gtest/gtest.h>

#include <algorithm>

#include "render/polesdrawing.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// Show poles draws the present design's prototype poles (their places are
// the drawing's own tests), Grid adds the rectangular grid and takes it away
// again.
TEST(PolesWindow, ShowsThePrototypePolesOfTheFamily)
{
    Program p;
    p.Start({"optChebyshev", "txtApass=0.5", "UpDown1/up", "cmdPlot"});
    const RecordingCanvas& drawing = p.Drawing(Poles);
    auto gridLines = [&] {
        return std::count_if(drawing.primitives.begin(), drawing.primitives.end(),
            [](auto& line) { return line.colour == kRectangularGridColour; });
    };
    // a Chebyshev of three stages
    p.Act(Plot, "cmdPoles");
    EXPECT_EQ(drawing.Texts(), PolesListTexts(p.record));
    EXPECT_TRUE(drawing.OfKind(CanvasPrimitive::Kind::Dot).size() == 3 && !gridLines());
    p.Act(Poles, "cmdGrid");
    EXPECT_GT(gridLines(), 10);
    p.Act(Poles, "cmdGrid");
    EXPECT_EQ(gridLines(), 0);
}

}  // namespace stelvane::testing
