// The noise curve on its own axis: 10 dB a row, its top the first multiple
// of 10 dB at or above the peak, and nothing drawn unless it is shown.

#include <gtest/gtest.h>

#include <memory>

#include "render/noisedrawing.h"
#include "tests/engine/engine_test_support.h"
#include "tests/support/recordingcanvas.h"

namespace stelvane::testing {
namespace {

TEST(NoiseDrawing, DensitiesLandWhereTheAxisPutsThem)
{
    auto s = StartUpDesign();  // NrY 6: the axis spans 60 dB
    DesignSession(*s).PreparePlot();
    const struct {
        const char* name;
        double density;
        std::optional<double> y;
    } cases[] = {
        {"peak, -123 dB: under the top at -120", 1e-6 / std::pow(10, 3.0 / 20), 1000 + 6000 * 3 / 60.0},
        {"-140 dB", 1e-7, 1000 + 6000 * 20 / 60.0},
        {"-180 dB, the bottom", 1e-9, 7000},
        {"below the axis", 1e-12, 7000},
        {"none", 0, std::nullopt},
    };
    std::vector<double> density;
    for (const auto& c : cases) density.push_back(c.density);
    const std::optional<double> top = NoiseAxisTop(density);
    ASSERT_TRUE(top);
    EXPECT_DOUBLE_EQ(*top, -120);
    EXPECT_FALSE(NoiseAxisTop({0, 0}));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<double> y = NoiseY(*s, *top, c.density);
        ASSERT_EQ(y.has_value(), c.y.has_value());
        EXPECT_NEAR(y.value_or(0), c.y.value_or(0), 1e-6);
    }
    // the plot draws the curve and its axis only when given the density
    RecordingCanvas canvas;
    ScreenPlotContext ctx;
    RedrawPlot(canvas, *s, ctx);
    EXPECT_TRUE(canvas.OfKind(CanvasPrimitive::Kind::Polyline, kNoiseCurveColour).empty());
    const std::vector<double> noise = ComputeNoise(*s, PartsType::Ideal).density;
    ctx.noise = &noise;
    RedrawPlot(canvas, *s, ctx);
    const auto curve = canvas.OfKind(CanvasPrimitive::Kind::Polyline, kNoiseCurveColour);
    ASSERT_EQ(curve.size(), 1u);
    EXPECT_EQ(curve[0].points.size(), std::size_t(s->NrInts) + 1);
    EXPECT_TRUE(canvas.FindText("Noise, dBV/rtHz"));
}

}  // namespace
}  // namespace stelvane::testing
