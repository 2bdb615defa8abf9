#pragma once

#include <optional>
#include <vector>

#include "engine/designstate.h"
#include "engine/noise.h"
#include "platform/canvas.h"
#include "render/plotdrawing.h"

namespace stelvane {

// The noise curve's colours: its own, apart from every other curve's.
inline constexpr Rgb kNoiseCurveColour{170, 0, 170};
inline constexpr Rgb kNoiseTextColour{119, 0, 119};

// The noise axis: the density in dBV/rtHz, a row of the value grid for
// every 10 dB, its top the first multiple of 10 dB at or above the peak.
inline constexpr double kNoiseRowDb = 10;
// The top of the noise axis in dBV/rtHz for these densities; nothing when
// none is above 0.
std::optional<double> NoiseAxisTop(const std::vector<double>& density);
// The y of a density (V/rtHz) on that axis, clamped to the frame; nothing
// for a density of 0 or one that is no number.
std::optional<double> NoiseY(const DesignState& s, double topDb, double density, const PlotFrame& frame = {});

// The noise curve over the sweep with its axis: the labels inside the frame
// along its right edge (the right-hand margin belongs to phase and delay) and
// the title under the top one, all in the noise colours.
void DrawNoisePlot(
    Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx, const std::vector<double>& density);

// The noise window's table: the rms at the output over the band, referred to
// the input, the signal-to-noise ratio, then one row per stage with its
// share and each of its sources' (uV rms), for the resistors of the parts type.
void DrawNoiseTable(
    Canvas& canvas, const DesignState& s, PartsType parts, const NoiseFigures& n, const CanvasFont& font);

}  // namespace stelvane
