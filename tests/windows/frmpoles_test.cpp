#include <gtest/gtest.h>

#include <algorithm>

#include "windowtestsupport.h"

namespace stelvane::testing {

// Expects the lowpass prototype's poles in the list beside the s-plane, in
// any order, and one mark for each.
static void ExpectPoles(const RecordingCanvas& drawing, std::vector<std::pair<double, double>> expected)
{
    std::vector<std::pair<double, double>> poles;
    const auto texts = drawing.Texts();
    for (std::size_t i = 0; i + 1 < texts.size(); ++i)
        if (texts[i].rfind("X(", 0) == 0)
            poles.emplace_back(std::round(Figure(texts[i]) * 1e4) / 1e4, std::round(Figure(texts[i + 1]) * 1e4) / 1e4);
    std::sort(poles.begin(), poles.end());
    EXPECT_EQ(poles, expected);
    EXPECT_EQ(drawing.OfKind(CanvasPrimitive::Kind::Dot).size(), expected.size());
}

// Show poles lists and marks the textbook prototype poles of the family,
// Grid adds the rectangular grid and takes it away again, and Return goes
// back to the plot.
TEST(PolesWindow, ShowsThePrototypePolesOfTheFamily)
{
    Program p;
    p.Start({"cmdPlot"});
    const RecordingCanvas& drawing = p.Drawing(Poles);
    auto gridLines = [&] {
        return std::count_if(drawing.primitives.begin(), drawing.primitives.end(),
                             [](auto& line) { return line.colour == Rgb{255, 153, 153}; });
    };
    Walk(p, {
        {"Butterworth, two stages", Plot, "cmdPoles", nullptr, [&] {
             ExpectPoles(drawing, {{-0.7071, -0.7071}, {-0.7071, 0.7071}});
             EXPECT_TRUE(drawing.FindText("Family:  Butterworth") && drawing.FindText("Order: 2") && !gridLines());
         }},
        {"Grid", Poles, "cmdGrid", nullptr, [&] { EXPECT_GT(gridLines(), 10); }},
        {"Grid again", Poles, "cmdGrid", nullptr, [&] { EXPECT_EQ(gridLines(), 0); }},
        {"Return", Poles, "cmdExit", nullptr, [&] { EXPECT_FALSE(p.Find(Poles)); }},
        {"to the design window", Plot, "cmdDesign"},
        {"Chebyshev", Design, "optChebyshev"},
        {"half a decibel of ripple", Design, "txtApass=0.5"},
        {"three stages", Design, "UpDown1/up"},
        {"to the plot", Design, "cmdPlot"},
        {"Chebyshev 0.5 dB, three stages", Plot, "cmdPoles", nullptr,
         [&] { ExpectPoles(drawing, {{-0.6265, 0}, {-0.3132, -1.0219}, {-0.3132, 1.0219}}); }},
    });
}

} // namespace stelvane::testing
