#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/designstate.h"
#include "engine/mask.h"
#include "engine/tolerance.h"
#include "platform/canvas.h"

namespace stelvane {

// The response plot drawn on any canvas: the plot window's screen and the
// printed page share these pieces, and differ only in the style they pass
// (widths, colours, label positions and which log-axis labels they leave out).
// Everything here is guarded so that no division by zero and no NaN or
// infinite coordinate ever reaches the canvas, whatever the record holds.

// The plot frame in layout units.
struct PlotFrame {
    double left = 2000;
    double top = 1000;
    double right = 11000;
    double bottom = 7000;

    double Width() const { return right - left; }
    double Height() const { return bottom - top; }
    double MiddleY() const { return (top + bottom) / 2; }
};

// Screen colours of the plot.
inline constexpr Rgb kPlotFrameFill{255, 255, 255};
inline constexpr Rgb kPlotFrameOutline{17, 17, 17};
inline constexpr Rgb kPlotGridColour{102, 102, 102};
inline constexpr Rgb kGainTextColour{17, 17, 255};
inline constexpr Rgb kGainCurveColour{0, 0, 255};
inline constexpr Rgb kHintTextColour{0, 0, 255};
inline constexpr Rgb kPhaseTextColour{17, 102, 17};
inline constexpr Rgb kPhaseCurveColour{17, 136, 17};
inline constexpr Rgb kPhaseFirstPointColour{17, 204, 17};
inline constexpr Rgb kDelayTextColour{102, 17, 17};
inline constexpr Rgb kDelayCurveColour{204, 17, 17};
inline constexpr Rgb kMarkerLineColour{255, 136, 136};
inline constexpr Rgb kMarkerTickColour{255, 0, 0};
inline constexpr Rgb kReadoutTextColour{1, 0, 0};
inline constexpr Rgb kOverlayGainColour{170, 170, 255};
inline constexpr Rgb kOverlayPhaseColour{0, 255, 0};
inline constexpr Rgb kOverlayDelayColour{204, 102, 102};
inline constexpr Rgb kSimulatedCurveColour{255, 128, 0};
inline constexpr Rgb kToleranceBandColour{205, 220, 255};  // 5 to 95% of a tolerance run's copies
inline constexpr Rgb kToleranceEdgeColour{120, 150, 255};  // their least and most
inline constexpr Rgb kMaskRegionColour{255, 222, 222};  // where the mask forbids the gain: light enough to read through
inline constexpr Rgb kMaskMeetsColour{17, 119, 17};
inline constexpr Rgb kMaskFailsColour{204, 0, 0};

// A delay scale is never shorter than this: a top of 0 would leave the delay
// axis without height.
inline constexpr Single kLowestDelayTop = 1e-9f;

// --- Scales ---

// The frequency axis of the present sweep settings. A logarithmic axis
// starting or ending at 0 Hz or below begins at the bottom of the lowest grid
// decade, as the sweep itself does. An axis whose two ends coincide has no
// extent and places nothing.
class FrequencyAxis {
public:
    explicit FrequencyAxis(const DesignState& s, PlotFrame frame = {});

    // Whether frequencies can be placed at all.
    bool Valid() const { return valid_; }
    // The position of f as a fraction of the frame width (0 at the start
    // frequency, 1 at the stop frequency), or nothing when f cannot be placed.
    std::optional<double> Position(double f) const;
    // The x of f in layout units, or nothing; not clamped to the frame.
    std::optional<double> X(double f) const;
    // Fstop / Fstart as the axis sees them (log-axis label thinning).
    double SpanRatio() const { return ratio_; }

private:
    PlotFrame frame_;
    bool logarithmic_ = false;
    bool valid_ = false;
    double start_ = 0;
    double span_ = 1;
    double ratio_ = 1;
};

// The number of value intervals: NrY, held within 1..kMaxValueIntervals. With
// NrY below 1 only the top and bottom rows are drawn and labelled; a count
// from a file far beyond what the design window offers would only fill the
// frame with lines.
inline constexpr int kMaxValueIntervals = 100;
int ValueIntervals(const DesignState& s);
// The y of the grid line of value row i (0 at the top).
double ValueRowY(const PlotFrame& frame, int i, int intervals);
// The y of the top of the label of value row i: 100 units above its grid line.
double ValueLabelY(const PlotFrame& frame, int i, int intervals);

// The values the rows of the three axes show.
double GainRowValue(const DesignState& s, int i);
double PhaseRowValue(const DesignState& s, int i);
double DelayRowValue(const DesignState& s, int i);

// The number of stages the phase axis is scaled for (Order, at least one).
int PhaseScaleStages(const DesignState& s);
// DelayTop as the delay axis uses it: never below kLowestDelayTop.
Single EffectiveDelayTop(const DesignState& s);

// The y of a gain, phase or delay value in layout units, clamped to the
// frame, or nothing for a value that is not a number. A gain scale of no
// height puts a gain above its level on the top edge, one below on the
// bottom edge and one at the level in the middle.
std::optional<double> GainY(const DesignState& s, double dB, const PlotFrame& frame = {});
std::optional<double> PhaseY(const DesignState& s, double degrees, const PlotFrame& frame = {});
std::optional<double> DelayY(const DesignState& s, double seconds, const PlotFrame& frame = {});

// --- Pieces shared by the screen and the printout ---

// How a text is placed against an x position.
enum class TextAnchor { LeftEdge, RightEdge };

// A column of labels for the value rows: row i's text is placed at the row's
// label y, with its left edge or its estimated right end at x.
struct RowLabelStyle {
    double x = 0;
    TextAnchor anchor = TextAnchor::LeftEdge;
    double charWidth = 60;  // estimated width of one character, layout units
    Rgb colour;
    CanvasFont font;
};

// The estimated width of a text: its characters times the width of one.
double EstimatedTextWidth(std::string_view text, double charWidth);
// The screen's estimate of one character's width: 60 x 12000 / Sw.
double ScreenCharWidth(double screenWidthTwips);

// The horizontal grid: one line per value row, top to bottom.
void DrawValueGrid(Canvas& canvas, const DesignState& s, const PlotFrame& frame = {});
// The labels of the value rows; text(i) gives row i's text.
template <typename RowText>
void DrawRowLabels(
    Canvas& canvas, const DesignState& s, const RowLabelStyle& style, RowText text, const PlotFrame& frame = {});

// The two sets of log-axis labels that are left out on a wide span.
enum class LogLabelSet { Screen, Printout };

// Where frequency labels go and which are left out.
struct FrequencyLabelStyle {
    double offsetX = -100;  // label x = grid line x + offsetX
    double offsetY = 100;   // label top = frame bottom + offsetY
    LogLabelSet logSet = LogLabelSet::Screen;
    Rgb colour;
    CanvasFont font;
};

// The number a frequency label begins with, read up to its unit suffix
// ("1.5k " gives 1.5); 0 when it begins with no number.
double LeadingNumber(std::string_view label);
// Whether a log-axis label beginning with v is left out at this span ratio.
bool LogLabelLeftOut(LogLabelSet set, double v, double spanRatio);
// The grid indices that get a label, in order: spacing, the band left of the
// right edge, the log thinning and the limit of 13 labels.
std::vector<int> LabelledGridLines(const DesignState& s, LogLabelSet set);

// Vertical grid lines and frequency labels.
void DrawFrequencyGrid(
    Canvas& canvas, const DesignState& s, const FrequencyLabelStyle& style, const PlotFrame& frame = {});

// How a response curve is drawn: point 0 as a dot in its own colour, every
// later point as a line from the one before.
struct CurveStyle {
    Rgb firstPoint;
    Rgb colour;
    double width = 2;
};
// Which sweep array a curve shows.
enum class Curve { Gain, Phase, Delay };

// The points of a curve in layout units: x by the frequency axis (not
// clamped), y clamped to the frame. A point that cannot be placed is left out
// and breaks the curve there; nothing at all when the axis has no extent.
std::vector<std::optional<CanvasPoint>> CurvePoints(const DesignState& s, Curve curve, const PlotFrame& frame = {});
// Draws placed points as a dot followed by lines; a break starts afresh.
void DrawPointRun(Canvas& canvas, const std::vector<std::optional<CanvasPoint>>& points, const CurveStyle& style);
// One response curve over points 0..NrInts.
void DrawCurve(Canvas& canvas, const DesignState& s, Curve curve, const CurveStyle& style, const PlotFrame& frame = {});

// --- The screen plot ---

// What the plot window adds to the record for its drawing.
// Which curves besides the gain the plot shows: the plot window's choice.
struct PlotCurvesShown {
    bool phase = false;
    bool delay = false;
    bool noise = false;  // the output noise density on an axis of its own (the screen only)
};

struct ScreenPlotContext {
    PlotCurvesShown shown;                       // the phase and delay curves
    double screenWidthTwips = 12000;             // Sw, for the label width estimate
    CanvasFont font;                             // the window's font
    Rgb background{238, 255, 255};               // erasing paints this
    bool readoutOff = false;                     // a tuning panel is open
    const ToleranceResult* tolerance = nullptr;  // a tolerance run of the design shown, or none
    const std::vector<double>* noise = nullptr;  // the output noise density at the sweep's points, when shown
};

// The readout strip under the frame, erased at every pointer move.
inline constexpr double kReadoutStripTop = 7300;
inline constexpr double kReadoutStripBottom = 7900;

// Frame, horizontal grid, gain axis, frequency grid and the gain curve (with
// a tolerance run's band behind it); it erases the right-hand axes, which the
// phase and delay plots draw again.
void DrawGainPlot(Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx);
// Phase axis and curve when the phase is shown.
void DrawPhasePlot(Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx);
// Delay axis and curve when the delay is shown, scaled by a DelayTop of at least 1e-9.
void DrawDelayPlot(Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx);
// A marker at the centre frequency of every stage that has one.
void DrawStageMarkers(Canvas& canvas, const DesignState& s);
// The whole plot: gain, delay, phase, the noise when shown, and stage markers, in that order.
void RedrawPlot(Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx);

// Empties the readout strip, which also holds the "Mouseover" hint.
void EraseReadoutStrip(Canvas& canvas, const ScreenPlotContext& ctx);
// The sweep point under a pointer at x, or nothing outside the frame's
// width; never beyond NrInts.
std::optional<int> ReadoutPoint(const DesignState& s, double x);
// The mouse-over readout for a pointer at (x, y) in layout units: the values
// of the point under it inside the frame, an empty strip outside.
void ShowReadout(Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx, double x, double y);

// Whether some resistor of stages 1..Order, for the ideal or the specified
// opamp, is zero or negative.
bool HasNegativeParts(const DesignState& s);

// A tolerance run's gain: the band from 5 to 95% of the copies shaded (under
// the grid), or the least and most of them as outlines.
enum class TolerancePart { Band, Edges };
void DrawToleranceBand(
    Canvas& canvas, const DesignState& s, const ToleranceResult& run, TolerancePart part, const PlotFrame& frame = {});

// The record's mask, when it is active, against its present parts: the
// regions where the gain may not go shaded (under the grid and the curves),
// below the passband reference less Ap between Fp1 and Fp2, above the
// reference less As below Fs1 and above Fs2.
void DrawMaskRegions(Canvas& canvas, const DesignState& s, const MaskCheck& check, const PlotFrame& frame = {});
// Pass or fail and the margins in words: "Mask: meets, margins fp1 0.4 dB,
// fp2 0.4 dB, fs1 3.1 dB, fs2 5.2 dB" or "Mask: fails at fs2 by 1.2 dB".
std::string MaskWords(const MaskCheck& check, const FilterMask& mask);

// The overlay curve just read, drawn over the plot (x and y clamped to the
// frame); the phase and delay curves only while they are shown.
void DrawOverlayCurve(
    Canvas& canvas, const DesignState& s, const OverlayCurve& overlay, Curve curve, const PlotCurvesShown& shown);
// Any curve given point by point (a simulation's) drawn over the plot in the
// same way.
void DrawCurveOver(Canvas& canvas, const DesignState& s, const PlotCurvesShown& shown, Curve curve,
    const std::vector<double>& freq, const std::vector<double>& values, const CurveStyle& style);

// --- template definition ---

template <typename RowText>
void DrawRowLabels(
    Canvas& canvas, const DesignState& s, const RowLabelStyle& style, RowText text, const PlotFrame& frame)
{
    const int intervals = ValueIntervals(s);
    for (int i = 0; i <= intervals; ++i) {
        const std::string label = text(i);
        double x = style.x;
        if (style.anchor == TextAnchor::RightEdge) x -= EstimatedTextWidth(label, style.charWidth);
        canvas.Text({x, ValueLabelY(frame, i, intervals)}, label, style.colour, style.font);
    }
}

}  // namespace stelvane
