#include "render/plotdrawing.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <cmath>

#include "engine/numbertext.h"
#include "render/noisedrawing.h"

namespace stelvane {

namespace {

// A logarithmic axis cannot start at 0 Hz or below; like the sweep, it then
// starts at the bottom of the lowest grid decade.
constexpr Single kLowestLogFrequency = 0.001f;

// Grid positions are Single fractions of the width; a line meant to sit
// exactly on a spacing or band limit may come out a few millionths off.
constexpr double kPositionTolerance = 1e-6;

// The frequency labels: the least distance between two labels as a fraction
// of the width, the band left of the right edge that stays unlabelled, and
// how many labels there are at most.
constexpr double kLinearLabelSpacing = 0.05;
constexpr double kLogLabelSpacing = 0.04;
constexpr double kRightBandStart = 0.95;
constexpr double kRightEdge = 0.999;
constexpr int kMostLabels = 13;

// The stage marker: a thin line from the top of the frame down to a short
// thick tick that stands on the bottom edge.
constexpr double kMarkerTickLength = 200;
constexpr double kMarkerTickWidth = 4;

// Labels of the value rows sit this far above their grid lines.
constexpr double kRowLabelRaise = 100;

// The screen plot's text positions, in layout units.
constexpr CanvasPoint kGainTitleAt{1300, 500};
constexpr CanvasPoint kPhaseTitleAt{11450, 500};
constexpr CanvasPoint kDelayTitleAt{10700, 500};
constexpr double kGainLabelsEnd = 1740;
constexpr double kPhaseLabelsLeft = 11500;
constexpr double kDelayLabelsEnd = 11270;
constexpr CanvasPoint kHintAt{4000, 7500};
constexpr double kReadoutTitleY = 7500;
constexpr double kReadoutValueY = 7700;
// The mask's words: inside the frame's top-left corner, where a bandpass
// curve is low.
constexpr CanvasPoint kMaskWordsAt{2100, 1060};

bool Finite(double v) { return std::isfinite(v); }

// The last sweep point to draw, or -1 for none.
int LastPoint(Integer last) { return std::clamp<int>(last, -1, kMaxPoints); }

double ClampY(double y, const PlotFrame& frame) { return std::clamp(y, frame.top, frame.bottom); }

std::optional<double> ClampedY(double y, const PlotFrame& frame)
{
    if (std::isnan(y)) return std::nullopt;
    return ClampY(y, frame);
}

std::optional<double> CurveY(const DesignState& s, Curve curve, double value, const PlotFrame& frame)
{
    switch (curve) {
    case Curve::Gain: return GainY(s, value, frame);
    case Curve::Phase: return PhaseY(s, value, frame);
    case Curve::Delay: return DelayY(s, value, frame);
    }
    return std::nullopt;
}

const SweepArray& SweepValues(const DesignState& s, Curve curve)
{
    switch (curve) {
    case Curve::Gain: return s.GainDB;
    case Curve::Phase: return s.Phase;
    case Curve::Delay: return s.Delay;
    }
    return s.GainDB;
}

void Erase(Canvas& canvas, const ScreenPlotContext& ctx, CanvasPoint a, CanvasPoint b)
{
    canvas.FillBox(a, b, ctx.background);
}

// The x of every sweep point, or nothing where it cannot be placed. It is the
// same for the gain, phase and delay curves and does not move when a part is
// tuned, so it is worked out again only when the sweep or the frame changes.
const std::vector<std::optional<double>>& SweepXs(
    const DesignState& s, const FrequencyAxis& axis, const PlotFrame& frame)
{
    struct Cache {
        PlotFrame frame;
        SweepSpacing sweep = SweepSpacing::None;
        Single fstart = 0, fstop = 0;
        SweepArray freq{};
        std::vector<std::optional<double>> xs;
    };
    thread_local Cache cache;
    const int last = LastPoint(s.NrInts);
    const auto count = static_cast<std::size_t>(last + 1);
    const bool same = cache.xs.size() == count && cache.sweep == s.Sweep && cache.fstart == s.Fstart &&
        cache.fstop == s.Fstop && cache.frame.left == frame.left && cache.frame.right == frame.right &&
        std::memcmp(cache.freq.data(), s.Freq.data(), count * sizeof(Single)) == 0;
    if (!same) {
        cache.frame = frame;
        cache.sweep = s.Sweep;
        cache.fstart = s.Fstart;
        cache.fstop = s.Fstop;
        std::copy(s.Freq.begin(), s.Freq.begin() + last + 1, cache.freq.begin());
        cache.xs.assign(count, std::nullopt);
        for (std::size_t i = 0; i < count; ++i) {
            const auto x = axis.X(s.Freq[i]);
            if (x && Finite(*x)) cache.xs[i] = *x;
        }
    }
    return cache.xs;
}

}  // namespace

// --- Scales ---

FrequencyAxis::FrequencyAxis(const DesignState& s, PlotFrame frame) : frame_(frame)
{
    // The sweep spaces its points logarithmically for any kind but linear.
    logarithmic_ = s.Sweep != SweepSpacing::Linear;
    double start = s.Fstart;
    double stop = s.Fstop;
    if (logarithmic_) {
        const double low = kLowestLogFrequency;
        start = start > 0 ? start : low;
        stop = stop > 0 ? stop : low;
        ratio_ = stop / start;
        start = std::log(start);
        stop = std::log(stop);
    } else {
        ratio_ = start != 0 ? stop / start : 0;
    }
    start_ = start;
    span_ = stop - start;
    // Equal ends give no width to spread the frequencies over. A stop below
    // the start is drawn as it was swept, from left to right.
    valid_ = Finite(start_) && Finite(span_) && span_ != 0;
}

std::optional<double> FrequencyAxis::Position(double f) const
{
    if (!valid_ || std::isnan(f)) return std::nullopt;
    double v = f;
    if (logarithmic_) {
        if (f <= 0) return -std::numeric_limits<double>::infinity() * (span_ > 0 ? 1 : -1);
        v = std::log(f);
    }
    const double p = (v - start_) / span_;
    if (std::isnan(p)) return std::nullopt;
    return p;
}

std::optional<double> FrequencyAxis::X(double f) const
{
    const auto p = Position(f);
    if (!p) return std::nullopt;
    return frame_.left + frame_.Width() * *p;
}

int ValueIntervals(const DesignState& s) { return std::clamp<int>(s.NrY, 1, kMaxValueIntervals); }

double ValueRowY(const PlotFrame& frame, int i, int intervals) { return frame.top + frame.Height() * i / intervals; }

double ValueLabelY(const PlotFrame& frame, int i, int intervals)
{
    return std::floor(frame.Height() * i / intervals) + frame.top - kRowLabelRaise;
}

double GainRowValue(const DesignState& s, int i)
{
    return s.dBTop + (static_cast<double>(s.dBBottom) - s.dBTop) * i / ValueIntervals(s);
}

double PhaseRowValue(const DesignState& s, int i)
{
    const double n = PhaseScaleStages(s);
    return 90 * n - 180 * n * i / ValueIntervals(s);
}

double DelayRowValue(const DesignState& s, int i)
{
    const double top = EffectiveDelayTop(s);
    return top - top * i / ValueIntervals(s);
}

int PhaseScaleStages(const DesignState& s)
{
    // With no stage the phase is 0 everywhere; it is shown on the scale of one.
    return std::clamp<int>(s.Order, 1, kMaxStages);
}

Single EffectiveDelayTop(const DesignState& s)
{
    const Single top = s.DelayTop;
    return std::isfinite(top) && top >= kLowestDelayTop ? top : kLowestDelayTop;
}

std::optional<double> GainY(const DesignState& s, double dB, const PlotFrame& frame)
{
    if (std::isnan(dB)) return std::nullopt;
    const double top = s.dBTop;
    const double range = top - static_cast<double>(s.dBBottom);
    if (range == 0 || !Finite(range)) {
        if (dB > top) return frame.top;
        if (dB < top) return frame.bottom;
        return frame.MiddleY();
    }
    return ClampedY(frame.top - frame.Height() * (dB - top) / range, frame);
}

std::optional<double> PhaseY(const DesignState& s, double degrees, const PlotFrame& frame)
{
    if (std::isnan(degrees)) return std::nullopt;
    const double halfScale = 180.0 * PhaseScaleStages(s);
    return ClampedY(frame.MiddleY() - frame.Height() * degrees / halfScale, frame);
}

std::optional<double> DelayY(const DesignState& s, double seconds, const PlotFrame& frame)
{
    if (std::isnan(seconds)) return std::nullopt;
    const double top = EffectiveDelayTop(s);
    return ClampedY(frame.top - frame.Height() * (seconds - top) / top, frame);
}

// --- Shared pieces ---

double EstimatedTextWidth(std::string_view text, double charWidth)
{
    return static_cast<double>(text.size()) * charWidth;
}

double ScreenCharWidth(double screenWidthTwips)
{
    // A character is taken as 60 twips of the 12000-twip screen the layout
    // was made on, scaled to the present screen.
    const double sw = Finite(screenWidthTwips) && screenWidthTwips > 0 ? screenWidthTwips : 12000;
    return 60.0 * 12000.0 / sw;
}

void DrawValueGrid(Canvas& canvas, const DesignState& s, const PlotFrame& frame)
{
    const int intervals = ValueIntervals(s);
    for (int i = 0; i <= intervals; ++i) {
        const double y = ValueRowY(frame, i, intervals);
        canvas.Line({frame.left, y}, {frame.right, y}, kPlotGridColour, 1);
    }
}

double LeadingNumber(std::string_view label)
{
    const auto first = label.find_first_not_of(' ');
    if (first == std::string_view::npos) return 0;
    label.remove_prefix(first);
    double v = 0;
    const auto result = std::from_chars(label.data(), label.data() + label.size(), v, std::chars_format::fixed);
    return result.ec == std::errc() ? v : 0;
}

bool LogLabelLeftOut(LogLabelSet set, double v, double spanRatio)
{
    auto in = [v](std::initializer_list<double> values) {
        return std::find(values.begin(), values.end(), v) != values.end();
    };
    if (set == LogLabelSet::Screen) {
        // 7 and 9 crowd their neighbours on any span; wider spans keep fewer
        // steps, down to the decades alone.
        if (in({7, 70, 700, 9, 90, 900})) return true;
        if (spanRatio > 10 && in({1.5, 15, 150, 3, 30, 300, 4, 40, 400, 6, 60, 600, 8, 80, 800})) return true;
        if (spanRatio > 1000 && in({2, 20, 200, 5, 50, 500})) return true;
        return false;
    }
    // The printed page keeps 1, 2 and 5 (and 1.5) on middle spans.
    if (spanRatio > 1000 &&
        in({2, 3, 4, 5, 6, 7, 8, 9, 20, 30, 40, 50, 60, 70, 80, 90, 200, 300, 400, 500, 600, 700, 800, 900}))
        return true;
    if (spanRatio > 10 && in({3, 4, 6, 7, 8, 9, 30, 40, 60, 70, 80, 90, 300, 400, 600, 700, 800, 900})) return true;
    return false;
}

std::vector<int> LabelledGridLines(const DesignState& s, LogLabelSet set)
{
    std::vector<int> labelled;
    const FrequencyAxis axis(s);
    if (!axis.Valid()) return labelled;
    const bool logarithmic = s.Sweep != SweepSpacing::Linear;
    const double spacing = logarithmic ? kLogLabelSpacing : kLinearLabelSpacing;
    double lastPosition = -1;
    const int last = LastPoint(s.NrGridX);
    for (int n = 0; n <= last; ++n) {
        const auto placed = axis.Position(s.GridF[n]);
        if (!placed || !Finite(*placed)) continue;
        const double position = static_cast<Single>(*placed);
        if (position - lastPosition < spacing - kPositionTolerance) continue;
        if (!(position <= kRightBandStart + kPositionTolerance || position >= kRightEdge - kPositionTolerance))
            continue;
        if (logarithmic && LogLabelLeftOut(set, LeadingNumber(FormatEng(s.GridF[n])), axis.SpanRatio())) continue;
        labelled.push_back(n);
        if (static_cast<int>(labelled.size()) >= kMostLabels) break;
        lastPosition = position;
    }
    return labelled;
}

void DrawFrequencyGrid(Canvas& canvas, const DesignState& s, const FrequencyLabelStyle& style, const PlotFrame& frame)
{
    const FrequencyAxis axis(s, frame);
    if (!axis.Valid()) return;
    const int last = LastPoint(s.NrGridX);
    SweepArray gridPos{};
    for (int n = 0; n <= last; ++n) {
        const auto position = axis.Position(s.GridF[n]);
        // A grid frequency that cannot be placed (0 Hz on a log axis) keeps no line.
        if (!position || !Finite(*position)) continue;
        gridPos[n] = static_cast<Single>(*position);
        const double x = frame.left + frame.Width() * gridPos[n];
        canvas.Line({x, frame.top}, {x, frame.bottom}, kPlotGridColour, 1);
    }
    for (int n : LabelledGridLines(s, style.logSet)) {
        const double x = frame.left + frame.Width() * gridPos[n] + style.offsetX;
        canvas.Text({x, frame.bottom + style.offsetY}, FormatEng(s.GridF[n]), style.colour, style.font);
    }
}

std::vector<std::optional<CanvasPoint>> CurvePoints(const DesignState& s, Curve curve, const PlotFrame& frame)
{
    std::vector<std::optional<CanvasPoint>> points;
    const FrequencyAxis axis(s, frame);
    if (!axis.Valid()) return points;
    const SweepArray& values = SweepValues(s, curve);
    const std::vector<std::optional<double>>& xs = SweepXs(s, axis, frame);
    points.reserve(xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i) {
        const auto y = CurveY(s, curve, values[i], frame);
        if (xs[i] && y)
            points.push_back(CanvasPoint{*xs[i], *y});
        else
            points.push_back(std::nullopt);
    }
    return points;
}

void DrawPointRun(Canvas& canvas, const std::vector<std::optional<CanvasPoint>>& points, const CurveStyle& style)
{
    if (points.empty()) return;
    if (points.front()) canvas.Dot(*points.front(), style.firstPoint, style.width);
    std::vector<CanvasPoint> run;
    auto flush = [&](std::size_t runStart) {
        if (run.size() >= 2)
            canvas.Polyline(run, style.colour, style.width);
        else if (run.size() == 1 && runStart != 0)
            canvas.Dot(run.front(), style.colour, style.width);  // a lone point between gaps
        run.clear();
    };
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!points[i]) {
            flush(runStart);
            continue;
        }
        if (run.empty()) runStart = i;
        run.push_back(*points[i]);
    }
    flush(runStart);
}

void DrawCurve(Canvas& canvas, const DesignState& s, Curve curve, const CurveStyle& style, const PlotFrame& frame)
{
    DrawPointRun(canvas, CurvePoints(s, curve, frame), style);
}

// --- The screen plot ---

void DrawGainPlot(Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx)
{
    const PlotFrame frame;
    // The gain title and the frequency labels are drawn again at the same
    // places, and smoothed glyphs drawn over themselves grow darker each
    // time; the band under the frame also takes what thick marker ticks left
    // below its edge. Cleared before the frame, whose outline then lies on top.
    Erase(canvas, ctx, {1080, 450}, {1950, 800});
    Erase(canvas, ctx, {1080, frame.bottom}, {11985, kReadoutStripTop});
    canvas.FillBox({frame.left, frame.top}, {frame.right, frame.bottom}, kPlotFrameFill);
    // The mask's regions lie under the frame's outline, the grid and the curves.
    std::optional<MaskCheck> mask;
    if (s.Mask.Active()) {
        mask = CheckMask(s, s.Mask);
        DrawMaskRegions(canvas, s, *mask, frame);
    }
    canvas.OutlineBox({frame.left, frame.top}, {frame.right, frame.bottom}, kPlotFrameOutline, 3);

    // The gain labels, the readout strip and the right-hand axes' titles and labels.
    Erase(canvas, ctx, {1080, 800}, {1950, 7600});
    Erase(canvas, ctx, {frame.left, kReadoutStripTop}, {frame.right, kReadoutStripBottom});
    Erase(canvas, ctx, {10600, 450}, {11985, 900});
    Erase(canvas, ctx, {11015, 900}, {11460, 7200});
    Erase(canvas, ctx, {11460, 900}, {11985, 7200});

    if (!ctx.readoutOff) canvas.Text(kHintAt, "Mouseover plot for data", kHintTextColour, ctx.font);

    if (ctx.tolerance) DrawToleranceBand(canvas, s, *ctx.tolerance, TolerancePart::Band, frame);
    DrawValueGrid(canvas, s, frame);

    canvas.Text(kGainTitleAt, "Gain, dB:", kGainTextColour, ctx.font);
    const RowLabelStyle labels{
        kGainLabelsEnd, TextAnchor::RightEdge, ScreenCharWidth(ctx.screenWidthTwips), kGainTextColour, ctx.font};
    DrawRowLabels(
        canvas, s, labels, [&](int i) { return Trimmed(FormatValue(static_cast<Single>(GainRowValue(s, i)))); }, frame);

    DrawFrequencyGrid(canvas, s, FrequencyLabelStyle{-100, 100, LogLabelSet::Screen, kGainTextColour, ctx.font}, frame);

    if (ctx.tolerance) DrawToleranceBand(canvas, s, *ctx.tolerance, TolerancePart::Edges, frame);
    DrawCurve(canvas, s, Curve::Gain, CurveStyle{kGainCurveColour, kGainCurveColour, 2}, frame);
    if (mask)
        canvas.Text(
            kMaskWordsAt, MaskWords(*mask, s.Mask), mask->meets ? kMaskMeetsColour : kMaskFailsColour, ctx.font);
}

void DrawMaskRegions(Canvas& canvas, const DesignState& s, const MaskCheck& check, const PlotFrame& frame)
{
    const FilterMask& m = s.Mask;
    const FrequencyAxis axis(s, frame);
    const auto fs1 = axis.X(m.Fs1), fp1 = axis.X(m.Fp1), fp2 = axis.X(m.Fp2), fs2 = axis.X(m.Fs2);
    const auto passFloor = GainY(s, check.passbandGainDb - m.Ap, frame);
    const auto stopCeiling = GainY(s, check.passbandGainDb - m.As, frame);
    if (!m.Active() || !fs1 || !fp1 || !fp2 || !fs2 || !passFloor || !stopCeiling) return;
    // Lower frequencies lie to the left unless the sweep runs downwards.
    const bool rising = *fs1 < *fs2;
    const double lowEnd = rising ? frame.left : frame.right, highEnd = rising ? frame.right : frame.left;
    // A region from x0 to x1, held to the frame; nothing where it lies outside.
    auto region = [&](double x0, double x1, double top, double bottom) {
        x0 = std::clamp(x0, frame.left, frame.right);
        x1 = std::clamp(x1, frame.left, frame.right);
        if (x0 != x1 && top < bottom) canvas.FillBox({x0, top}, {x1, bottom}, kMaskRegionColour);
    };
    region(lowEnd, *fs1, frame.top, *stopCeiling);
    region(*fp1, *fp2, *passFloor, frame.bottom);
    region(*fs2, highEnd, frame.top, *stopCeiling);
}

std::string MaskWords(const MaskCheck& check, const FilterMask& mask)
{
    // One decimal, never "-0.0".
    auto dB = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f dB", std::round(v * 10) / 10 + 0.0);
        return std::string(text);
    };
    auto percent = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f%%", v);
        return std::string(text);
    };
    const bool delayAsked = mask.DelaySpread > 0;
    std::string t;
    if (check.meets) {
        t = "Mask: meets, margins";
        for (int e = 0; e < 4; ++e)
            t +=
                std::string(e == 0 ? " " : ", ") + MaskEdgeName(static_cast<MaskEdge>(e)) + " " + dB(check.marginDb[e]);
        if (delayAsked) t += ", delay spread " + percent(check.delaySpreadPct);
        return t;
    }
    std::vector<std::string> misses;
    for (int e = 0; e < 4; ++e)
        if (check.marginDb[e] < -kMaskSlackDb)
            misses.push_back(std::string(MaskEdgeName(static_cast<MaskEdge>(e))) + " by " + dB(-check.marginDb[e]));
    if (delayAsked && check.delaySpreadPct > mask.DelaySpread)
        misses.push_back(
            "on the delay spread, " + percent(check.delaySpreadPct) + " over " + percent(mask.DelaySpread));
    // No edge missed and the delay kept: there was no response to check.
    if (misses.empty()) return "Mask: fails, no response to check";
    t = "Mask: fails";
    for (std::size_t i = 0; i < misses.size(); ++i)
        t += (i == 0 ? (misses[i].starts_with("on ") ? " " : " at ") : ", ") + misses[i];
    return t;
}

void DrawToleranceBand(
    Canvas& canvas, const DesignState& s, const ToleranceResult& run, TolerancePart part, const PlotFrame& frame)
{
    const FrequencyAxis axis(s, frame);
    if (!axis.Valid()) return;
    // The points of one percentile's curve, left to right.
    auto curve = [&](const std::vector<Single>& gain) {
        std::vector<CanvasPoint> points;
        points.reserve(run.freq.size());
        for (std::size_t i = 0; i < run.freq.size() && i < gain.size(); ++i) {
            const auto x = axis.X(run.freq[i]);
            const auto y = GainY(s, gain[i], frame);
            if (x && Finite(*x) && y) points.push_back({std::clamp(*x, frame.left, frame.right), *y});
        }
        return points;
    };
    if (part == TolerancePart::Band) {
        std::vector<CanvasPoint> band = curve(run.gainDb[3]);
        const std::vector<CanvasPoint> low = curve(run.gainDb[1]);
        band.insert(band.end(), low.rbegin(), low.rend());
        canvas.FillPolygon(band, kToleranceBandColour);
        return;
    }
    for (const std::size_t edge : {std::size_t{0}, run.gainDb.size() - 1})
        if (const auto points = curve(run.gainDb[edge]); points.size() >= 2)
            canvas.Polyline(points, kToleranceEdgeColour, 1);
}

void DrawPhasePlot(Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx)
{
    if (!ctx.shown.phase) return;
    canvas.Text(kPhaseTitleAt, "Phase:", kPhaseTextColour, ctx.font);
    const RowLabelStyle labels{
        kPhaseLabelsLeft, TextAnchor::LeftEdge, ScreenCharWidth(ctx.screenWidthTwips), kPhaseTextColour, ctx.font};
    DrawRowLabels(
        canvas, s, labels, [&](int i) { return Trimmed(FormatValue(static_cast<Single>(PhaseRowValue(s, i)))); });
    DrawCurve(canvas, s, Curve::Phase, CurveStyle{kPhaseFirstPointColour, kPhaseCurveColour, 2});
}

void DrawDelayPlot(Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx)
{
    if (!ctx.shown.delay) return;
    canvas.Text(kDelayTitleAt, "Delay, s:", kDelayTextColour, ctx.font);
    const RowLabelStyle labels{
        kDelayLabelsEnd, TextAnchor::RightEdge, ScreenCharWidth(ctx.screenWidthTwips), kDelayTextColour, ctx.font};
    DrawRowLabels(
        canvas, s, labels, [&](int i) { return Trimmed(FormatEngSmall(static_cast<Single>(DelayRowValue(s, i)))); });
    DrawCurve(canvas, s, Curve::Delay, CurveStyle{kDelayCurveColour, kDelayCurveColour, 2});
}

void DrawStageMarkers(Canvas& canvas, const DesignState& s)
{
    const PlotFrame frame;
    const FrequencyAxis axis(s, frame);
    if (!axis.Valid()) return;
    const int stages = StageCount(s);
    for (int k = 1; k <= stages; ++k) {
        // A stage whose parts give no centre frequency has no place on the axis.
        if (s.StageInvalid[k] != 0) continue;
        const auto placed = axis.X(s.StageFoActual[k]);
        if (!placed) continue;
        const double x = std::clamp(*placed, frame.left, frame.right);
        const double tickTop = frame.bottom - kMarkerTickLength;
        canvas.Line({x, frame.top}, {x, tickTop}, kMarkerLineColour, 1);
        canvas.Line({x, frame.bottom}, {x, tickTop}, kMarkerTickColour, kMarkerTickWidth);
    }
}

void RedrawPlot(Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx)
{
    DrawGainPlot(canvas, s, ctx);
    DrawDelayPlot(canvas, s, ctx);
    DrawPhasePlot(canvas, s, ctx);
    if (ctx.noise) DrawNoisePlot(canvas, s, ctx, *ctx.noise);
    DrawStageMarkers(canvas, s);
}

std::optional<int> ReadoutPoint(const DesignState& s, double x)
{
    const PlotFrame frame;
    if (!(x > frame.left && x < frame.right) || s.NrInts < 0) return std::nullopt;
    const int last = LastPoint(s.NrInts);
    // The pointer maps to the point index linearly, whatever the sweep kind.
    const double index = std::floor((x - frame.left) / frame.Width() * (static_cast<double>(s.NrInts) + 1));
    return std::clamp(static_cast<int>(index), 0, last);
}

void EraseReadoutStrip(Canvas& canvas, const ScreenPlotContext& ctx)
{
    const PlotFrame frame;
    Erase(canvas, ctx, {frame.left, kReadoutStripTop}, {frame.right, kReadoutStripBottom});
}

void ShowReadout(Canvas& canvas, const DesignState& s, const ScreenPlotContext& ctx, double x, double y)
{
    if (ctx.readoutOff) return;
    const PlotFrame frame;
    Erase(canvas, ctx, {frame.left, kReadoutStripTop}, {frame.right, kReadoutStripBottom});
    if (!(y > frame.top && y < frame.bottom)) return;
    const auto point = ReadoutPoint(s, x);
    if (!point) return;
    const Rgb c = kReadoutTextColour;
    canvas.Text({4000, kReadoutTitleY}, "Frequency:", c, ctx.font);
    canvas.Text({5000, kReadoutTitleY}, "Gain.:", c, ctx.font);
    canvas.Text({6000, kReadoutTitleY}, "Angle:", c, ctx.font);
    canvas.Text({7000, kReadoutTitleY}, "Delay:", c, ctx.font);
    const int i = *point;
    canvas.Text({4000, kReadoutValueY}, FormatEng(s.Freq[i]), c, ctx.font);
    canvas.Text({5000, kReadoutValueY}, FormatValue(s.GainDB[i]), c, ctx.font);
    canvas.Text({6000, kReadoutValueY}, FormatValue(s.Phase[i]), c, ctx.font);
    canvas.Text({7000, kReadoutValueY}, FormatEngSmall(s.Delay[i]), c, ctx.font);
}

bool HasNegativeParts(const DesignState& s)
{
    const int stages = StageCount(s);
    for (int k = 1; k <= stages; ++k)
        for (int j = 1; j <= 3; ++j)
            if (s.R[k][j] <= 0 || s.Rs[k][j] <= 0) return true;
    return false;
}

void DrawOverlayCurve(
    Canvas& canvas, const DesignState& s, const OverlayCurve& overlay, Curve curve, const PlotCurvesShown& shown)
{
    CurveStyle style{kOverlayGainColour, kOverlayGainColour, 2};
    if (curve == Curve::Phase)
        style = {kOverlayPhaseColour, kOverlayPhaseColour, 1};
    else if (curve == Curve::Delay)
        style = {kOverlayDelayColour, kOverlayDelayColour, 1};
    const auto last = static_cast<std::ptrdiff_t>(LastPoint(overlay.OverlayLast)) + 1;
    DrawCurveOver(canvas, s, shown, curve, {overlay.OverlayFreq.begin(), overlay.OverlayFreq.begin() + last},
        {overlay.OverlayValue.begin(), overlay.OverlayValue.begin() + last}, style);
}

void DrawCurveOver(Canvas& canvas, const DesignState& s, const PlotCurvesShown& shown, Curve curve,
    const std::vector<double>& freq, const std::vector<double>& values, const CurveStyle& style)
{
    if ((curve == Curve::Phase && !shown.phase) || (curve == Curve::Delay && !shown.delay)) return;
    const PlotFrame frame;
    const FrequencyAxis axis(s, frame);
    if (!axis.Valid()) return;
    std::vector<std::optional<CanvasPoint>> points;
    const std::size_t count = std::min(freq.size(), values.size());
    points.reserve(count);
    for (std::size_t n = 0; n < count; ++n) {
        // Points outside the present range stand on the frame's edge.
        const auto x = axis.X(freq[n]);
        const auto y = CurveY(s, curve, values[n], frame);
        if (x && y)
            points.push_back(CanvasPoint{std::clamp(*x, frame.left, frame.right), *y});
        else
            points.push_back(std::nullopt);
    }
    DrawPointRun(canvas, points, style);
}

}  // namespace stelvane
