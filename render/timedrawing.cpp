#include "render/timedrawing.h"

#include <algorithm>
#include <cmath>

#include "engine/numbertext.h"

namespace stelvane {
namespace {

constexpr int kValueRows = 8;
constexpr int kTimeColumns = 10;
// More samples than this are drawn as each column's least and largest.
constexpr std::size_t kDrawnColumns = 2000;
constexpr Rgb kFrameColour{17, 17, 17};
constexpr Rgb kGridColour{204, 204, 204};

std::string Label(double value, const char* unit)
{
    if (std::abs(value) < 1e-30) return std::string("0") + unit;
    return Trimmed(FormatEngSmall(static_cast<Single>(value))) + unit;
}

}  // namespace

double NiceStep(double span, int divisions)
{
    if (!(span > 0) || !std::isfinite(span) || divisions < 1) return 1;
    const double raw = span / divisions, decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * decade >= raw) return m * decade;
    return 10 * decade;
}

void DrawTimeResponse(Canvas& canvas, const TimeResponse& r, const CanvasFont& font, const TimeFrame& frame)
{
    canvas.FillBox({frame.left, frame.top}, {frame.right, frame.bottom}, kWhite);
    canvas.OutlineBox({frame.left, frame.top}, {frame.right, frame.bottom}, kFrameColour, 2);
    double low = 0, high = 0;
    for (const double v : r.v)
        if (std::isfinite(v)) low = std::min(low, v), high = std::max(high, v);
    const double stop = r.t.empty() ? 0 : r.t.back();
    const double vStep = NiceStep(high - low, kValueRows), tStep = NiceStep(stop, kTimeColumns);
    const double bottomValue = std::floor(low / vStep) * vStep, topValue = std::ceil(high / vStep) * vStep;
    const double vSpan = topValue > bottomValue ? topValue - bottomValue : 1, tSpan = stop > 0 ? stop : 1;
    auto x = [&](double t) { return frame.left + (frame.right - frame.left) * t / tSpan; };
    auto y = [&](double v) {
        return std::clamp(
            frame.bottom - (frame.bottom - frame.top) * (v - bottomValue) / vSpan, frame.top, frame.bottom);
    };
    const char* unit = r.kind == TimeKind::Impulse ? "/s" : "";
    for (double v = bottomValue; v <= topValue + vStep / 2; v += vStep) {
        const double at = y(v);
        canvas.Line({frame.left, at}, {frame.right, at}, std::abs(v) < vStep / 2 ? kTimeZeroColour : kGridColour);
        const std::string text = Label(std::abs(v) < vStep / 2 ? 0 : v, unit);
        canvas.Text({frame.left - 80 - canvas.MeasureText(text, font).width, at - 100}, text, kTimeTextColour, font);
    }
    for (double t = 0; t <= tSpan * (1 + 1e-9); t += tStep) {
        const double at = x(t);
        canvas.Line({at, frame.top}, {at, frame.bottom}, kGridColour);
        canvas.Text({at - 200, frame.bottom + 80}, Label(t, "s"), kTimeTextColour, font);
    }
    canvas.Text({frame.left, frame.top - 350}, r.kind == TimeKind::Impulse ? "Output, 1/s" : "Output, V",
        kTimeTextColour, font);
    // the curve
    std::vector<CanvasPoint> points;
    const std::size_t n = std::min(r.t.size(), r.v.size());
    if (n <= 2 * kDrawnColumns) {
        for (std::size_t k = 0; k < n; ++k)
            if (std::isfinite(r.v[k])) points.push_back({x(r.t[k]), y(r.v[k])});
    } else {
        for (std::size_t c = 0; c < kDrawnColumns; ++c) {
            const std::size_t from = c * n / kDrawnColumns, to = (c + 1) * n / kDrawnColumns;
            double least = r.v[from], largest = r.v[from];
            for (std::size_t k = from; k < to; ++k)
                if (std::isfinite(r.v[k])) least = std::min(least, r.v[k]), largest = std::max(largest, r.v[k]);
            points.push_back({x(r.t[from]), y(least)});
            points.push_back({x(r.t[to - 1]), y(largest)});
        }
    }
    if (!points.empty()) canvas.Polyline(points, kTimeCurveColour, 2);
    double line = frame.textTop;
    for (const std::string& text : TimeFigureLines(r)) {
        canvas.Text({frame.left, line}, text, kBlack, font);
        line += frame.lineStep;
    }
}

}  // namespace stelvane
