#include <gtest/gtest.h>

#include <algorithm>

#include "render/headroomdrawing.h"
#include "windows/simulationtask.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// Equal gains cannot build a Butterworth 2 at 800 Hz wide and 40 dB: the plot
// says so, and ngspice would get negative parts, until buildable gains. The
// headroom window follows every change of the design.
TEST(HeadroomWindow, WordsAboveThePlotAndATableThatFollowsTheDesign)
{
    Program p;
    p.Start({"txtWidth=800", "txtGain=40", "cmdPlot"});
    ASSERT_TRUE(p.Shown(Plot, "lblUnbuildable"));
    const std::string words = p.Text(Plot, "lblUnbuildable");
    EXPECT_TRUE(words.starts_with("Stage 1 cannot be built: its gain ")) << words;
    EXPECT_TRUE(words.ends_with("Buildable stage gains build every stage.")) << words;
    EXPECT_TRUE(HasNegativePart(CircuitOf(p.record, PartsType::Ideal)));

    p.Act(Plot, "cmdHeadroom");
    const RecordingCanvas& drawing = p.Drawing(Headroom);
    auto red = [&] { return drawing.OfKind(CanvasPrimitive::Kind::Text, kHeadroomAlarmColour).size(); };
    auto has = [&](const std::string& text) {
        const auto all = drawing.Texts();
        return std::find(all.begin(), all.end(), text) != all.end();
    };
    // The output peaks at the set gain: 100 V from 1 V in, over the 10 V swing.
    EXPECT_TRUE(has("40 dB") && has("-20 dB") && has("Largest input that clips nowhere: 0.1 V peak"));
    EXPECT_GE(red(), 2u);

    BenchSettings bench = p.record.Bench;
    bench.Gains = StageGains::Buildable;
    bench.InputLevel = 0.05;
    p.Drawing(Headroom).Forget();
    p.navigator.Session().SetBench(bench);
    EXPECT_FALSE(p.Shown(Plot, "lblUnbuildable"));
    EXPECT_TRUE(has("Headroom at 0.05 V peak in, 10 V peak swing, 10 V/us slew") && has("6.0206 dB"));
    EXPECT_TRUE(has("C1 raised to 0.047uF (E12) in stages 1, 2"));
    EXPECT_EQ(red(), 0u);
}

}  // namespace stelvane::testing
