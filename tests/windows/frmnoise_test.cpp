#include <gtest/gtest.h>

#include "engine/noise.h"
#include "render/noisedrawing.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// "Noise" on the plot draws the noise curve and takes it away again; the
// noise table shows the record's figures and follows every change of the design.
TEST(NoiseWindow, TheCurveComesWithItsBoxAndTheTableFollowsTheDesign)
{
    Program p;
    p.Start({"cmdPlot"});
    const RecordingCanvas& plot = p.Drawing(Plot);
    EXPECT_FALSE(CurveIn(plot, kNoiseCurveColour));
    p.Act(Plot, "chkNoise");
    EXPECT_TRUE(CurveIn(plot, kNoiseCurveColour) && plot.FindText("Noise, dBV/rtHz"));
    p.Do(Plot, "cmdNoiseTable");
    // the rms the table heads with, in uV
    auto shown = [&] {
        for (const std::string& text : p.Drawing(WindowKind::Noise).Texts())
            if (text.rfind("Noise at the output", 0) == 0) return std::stod(text.substr(text.find("Hz: ") + 4));
        return 0.0;
    };
    auto expected = [&] { return ComputeNoise(p.record, PartsType::Ideal).outputRms * 1e6; };
    const double before = shown();
    EXPECT_NEAR(before, expected(), 0.005 * before);
    p.Do(Plot, "cmdTunePart");
    for (int step = 0; step < 10; ++step) p.Act(Plot, "cmdR3up");
    EXPECT_NE(shown(), before);
    EXPECT_NEAR(shown(), expected(), 0.005 * before);
    p.Do(Plot, "cmdReset");
    p.Act(Plot, "chkNoise");
    EXPECT_FALSE(CurveIn(plot, kNoiseCurveColour));
}

}  // namespace stelvane::testing
