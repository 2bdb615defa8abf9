#include "platform/qt/paintercanvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace stelvane {

namespace {

// Coordinates beyond this many logical pixels are cut off before they reach
// the painter: a curve point at a huge or infinite x (the log of a zero
// frequency) would otherwise overflow the rasterizer.
constexpr double kFarLimit = 100000.0;

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

bool Finite(QPointF p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

bool Near(QPointF p) { return Finite(p) && std::abs(p.x()) <= kFarLimit && std::abs(p.y()) <= kFarLimit; }

// Liang-Barsky: the part of the segment inside the square of side 2 x kFarLimit.
std::optional<std::pair<QPointF, QPointF>> ClipSegment(QPointF a, QPointF b)
{
    if (!Finite(a) || !Finite(b)) {
        return std::nullopt;
    }
    double t0 = 0.0;
    double t1 = 1.0;
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() + kFarLimit, kFarLimit - a.x(), a.y() + kFarLimit, kFarLimit - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) {
                return std::nullopt;
            }
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) {
            return std::nullopt;
        }
    }
    return std::make_pair(QPointF(a.x() + t0 * dx, a.y() + t0 * dy), QPointF(a.x() + t1 * dx, a.y() + t1 * dy));
}

// A thick antialiased line costs the painter by its corners: points closer
// than this (in logical pixels) to the line through their neighbours are
// drawn as that line, which no eye can tell from them.
constexpr double kSimplifyTolerance = 0.2;

// The run without the points that lie within the tolerance of the line the
// others make (Douglas-Peucker, without recursion). A run so ragged that this
// takes long is drawn as it is.
QPolygonF Simplified(const QPolygonF& run, double tolerance)
{
    const int n = static_cast<int>(run.size());
    if (n <= 2) return run;
    std::vector<char> keep(static_cast<std::size_t>(n), 0);
    keep.front() = keep.back() = 1;
    std::vector<std::pair<int, int>> spans{{0, n - 1}};
    long budget = 32L * n;  // a smooth curve needs about n log2 n
    while (!spans.empty()) {
        if ((budget -= spans.back().second - spans.back().first) < 0) return run;
        const auto [first, last] = spans.back();
        spans.pop_back();
        const QPointF a = run[first], d = run[last] - a;
        const double length = std::hypot(d.x(), d.y());
        double farthest = tolerance;
        int at = -1;
        for (int i = first + 1; i < last; ++i) {
            const QPointF v = run[i] - a;
            const double distance =
                length > 0 ? std::abs(v.x() * d.y() - v.y() * d.x()) / length : std::hypot(v.x(), v.y());
            if (distance > farthest) {
                farthest = distance;
                at = i;
            }
        }
        if (at >= 0) {
            keep[static_cast<std::size_t>(at)] = 1;
            spans.push_back({first, at});
            spans.push_back({at, last});
        }
    }
    QPolygonF kept;
    for (int i = 0; i < n; ++i)
        if (keep[static_cast<std::size_t>(i)]) kept << run[i];
    return kept;
}

// Fills the whole device pixels of a box (in logical pixels, its edges on
// device-pixel edges) with an opaque colour, without antialiasing.
void FillPixels(QPainter& painter, const QRectF& box, Rgb colour)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(box, ToQColor(colour));
    painter.restore();
}

}  // namespace

PainterCanvas::PainterCanvas(QPainter& painter, const PainterMapping& mapping) : painter_(painter), mapping_(mapping)
{
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

namespace {

struct Pixels {
    const PainterMapping& m;

    QPointF At(CanvasPoint p) const { return {m.originX + p.x * m.pixelsPerUnitX, m.originY + p.y * m.pixelsPerUnitY}; }
    // The line width in whole device pixels, at least one.
    int DeviceWidth(double width) const
    {
        const double w = width * m.pixelsPerWidth * m.devicePixelRatio;
        return std::isfinite(w) ? std::max(1, static_cast<int>(std::lround(std::min(w, 1000.0)))) : 1;
    }
    // Puts a line's centre where a line of the device width covers whole
    // device pixels, centred on the logical pixel that holds the coordinate.
    double Snap(double logical, int deviceWidth) const
    {
        const double dpr = m.devicePixelRatio;
        const double centre = std::floor(logical) * dpr + dpr / 2.0;
        const double snapped = (deviceWidth % 2 == 1) ? std::floor(centre) + 0.5 : std::round(centre);
        return snapped / dpr;
    }
    QPointF Snap(QPointF p, int deviceWidth) const { return {Snap(p.x(), deviceWidth), Snap(p.y(), deviceWidth)}; }
    // The device-pixel edges of the logical pixel that holds a coordinate.
    double EdgeBefore(double logical) const
    {
        return std::round(std::floor(logical) * m.devicePixelRatio) / m.devicePixelRatio;
    }
    double EdgeAfter(double logical) const
    {
        return std::round((std::floor(logical) + 1) * m.devicePixelRatio) / m.devicePixelRatio;
    }
};

QPen MakePen(Rgb colour, int deviceWidth, double devicePixelRatio)
{
    QPen pen(ToQColor(colour));
    pen.setWidthF(deviceWidth / devicePixelRatio);
    // Thin lines end square so their end points are drawn; thick ones are
    // rounded like a round pen tip.
    pen.setCapStyle(deviceWidth <= 2 ? Qt::SquareCap : Qt::RoundCap);
    pen.setJoinStyle(deviceWidth <= 2 ? Qt::MiterJoin : Qt::RoundJoin);
    return pen;
}

QFont MakeFont(const CanvasFont& font, const PainterMapping& m, const QPaintDevice* device)
{
    QFont f(QString::fromStdString(font.face));
    f.setBold(font.bold);
    // The device turns points into pixels at its own dots per inch; ask for
    // the size that comes out at the mapping's pixels per point.
    const double deviceDpi = device != nullptr && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96.0;
    const double points = font.points * m.pixelsPerPoint * 72.0 / deviceDpi;
    f.setPointSizeF(std::isfinite(points) && points > 0.1 ? std::min(points, 2000.0) : 0.1);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

}  // namespace

void PainterCanvas::Touch(const QRectF& area, double margin)
{
    // A pixel or two beyond the geometry for the antialiased edges.
    touched_ |= area.normalized().adjusted(-margin - 2, -margin - 2, margin + 2, margin + 2);
}

void PainterCanvas::Clear(Rgb background)
{
    touched_ |= mapping_.surface;
    if (measureOnly_) return;
    painter_.save();
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.fillRect(mapping_.surface, ToQColor(background));
    painter_.restore();
}

void PainterCanvas::Line(CanvasPoint from, CanvasPoint to, Rgb colour, double width)
{
    Polyline({from, to}, colour, width);
}

void PainterCanvas::Polyline(const std::vector<CanvasPoint>& points, Rgb colour, double width)
{
    if (points.size() == 1) {
        Dot(points.front(), colour, width);
        return;
    }
    const Pixels px{mapping_};
    const int deviceWidth = px.DeviceWidth(width);

    // The runs of snapped points to draw, each at least two points long;
    // segments reaching far off the surface are cut at its edge, and one
    // without any part near it breaks the line.
    std::vector<QPolygonF> runs;
    QPolygonF at;
    at.reserve(static_cast<int>(points.size()));
    for (const CanvasPoint& p : points) at << px.At(p);
    const bool near = std::all_of(at.begin(), at.end(), [](QPointF p) { return Near(p); });
    if (near && measureOnly_) {
        // Thinning keeps some of the points and snapping moves them by less than a pixel.
        Touch(at.boundingRect(), deviceWidth / mapping_.devicePixelRatio + 1);
        return;
    }
    if (near) {
        // A thick curve is thinned before its points are put on the pixels,
        // while it is still smooth.
        if (deviceWidth >= 2) at = Simplified(at, kSimplifyTolerance / mapping_.devicePixelRatio);
        QPolygonF run;
        run.reserve(at.size());
        for (const QPointF& p : at) {
            const QPointF snapped = px.Snap(p, deviceWidth);
            if (run.isEmpty() || run.back() != snapped) run << snapped;
        }
        if (run.size() == 1) run << run.back();  // a line of no length still shows its caps
        runs.push_back(std::move(run));
    } else {
        QPolygonF run;
        for (int i = 1; i < at.size(); ++i) {
            const auto clipped = ClipSegment(at[i - 1], at[i]);
            if (!clipped) {
                if (run.size() >= 2) runs.push_back(std::move(run));
                run.clear();
                continue;
            }
            const QPointF a = px.Snap(clipped->first, deviceWidth);
            const QPointF b = px.Snap(clipped->second, deviceWidth);
            if (run.isEmpty() || run.back() != a) {
                if (run.size() >= 2) runs.push_back(std::move(run));
                run.clear();
                run << a;
            }
            run << b;
        }
        if (run.size() >= 2) runs.push_back(std::move(run));
    }
    if (measureOnly_) {
        for (const QPolygonF& run : runs) Touch(run.boundingRect(), deviceWidth / mapping_.devicePixelRatio);
        return;
    }

    painter_.save();
    const bool alongAxes = std::all_of(runs.begin(), runs.end(), [](const QPolygonF& run) {
        for (int i = 1; i < run.size(); ++i)
            if (run[i].x() != run[i - 1].x() && run[i].y() != run[i - 1].y()) return false;
        return true;
    });
    if (alongAxes && deviceWidth <= 2) {
        // A thin line along the axes on whole device pixels covers whole
        // pixels: boxes, many times faster than the pen. It ends and turns
        // square, so each segment reaches half the width beyond its points.
        const double half = deviceWidth / mapping_.devicePixelRatio / 2;
        for (const QPolygonF& run : runs) {
            for (int i = 1; i < run.size(); ++i) {
                const QRectF along = QRectF(run[i - 1], run[i]).normalized();
                Touch(along, half);
                FillPixels(painter_, along.adjusted(-half, -half, half, half), colour);
            }
        }
        painter_.restore();
        return;
    }
    painter_.setPen(MakePen(colour, deviceWidth, mapping_.devicePixelRatio));
    painter_.setBrush(Qt::NoBrush);
    for (const QPolygonF& run : runs) {
        Touch(run.boundingRect(), deviceWidth / mapping_.devicePixelRatio);
        painter_.drawPolyline(run);
    }
    painter_.restore();
}

void PainterCanvas::FillBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour)
{
    const Pixels px{mapping_};
    QPointF a = px.At(corner1);
    QPointF b = px.At(corner2);
    if (!Finite(a) || !Finite(b)) {
        return;
    }
    auto clamp = [](double v) { return std::clamp(v, -kFarLimit, kFarLimit); };
    const double left = px.EdgeBefore(clamp(std::min(a.x(), b.x())));
    const double top = px.EdgeBefore(clamp(std::min(a.y(), b.y())));
    const double right = px.EdgeAfter(clamp(std::max(a.x(), b.x())));
    const double bottom = px.EdgeAfter(clamp(std::max(a.y(), b.y())));
    const QRectF box(QPointF(left, top), QPointF(right, bottom));
    if (measureOnly_) {
        touched_ |= box;
        return;
    }
    Touch(box, 0);
    FillPixels(painter_, box, colour);
}

void PainterCanvas::FillPolygon(const std::vector<CanvasPoint>& points, Rgb colour)
{
    const Pixels px{mapping_};
    QPolygonF polygon;
    polygon.reserve(static_cast<int>(points.size()));
    for (const CanvasPoint& p : points) {
        const QPointF at = px.At(p);
        if (!Finite(at)) return;
        polygon << QPointF(std::clamp(at.x(), -kFarLimit, kFarLimit), std::clamp(at.y(), -kFarLimit, kFarLimit));
    }
    if (polygon.size() < 3) return;
    Touch(polygon.boundingRect(), 0);
    if (measureOnly_) return;
    painter_.save();
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(ToQColor(colour));
    painter_.drawPolygon(polygon);
    painter_.restore();
}

void PainterCanvas::OutlineBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour, double width)
{
    Polyline({corner1, {corner2.x, corner1.y}, corner2, {corner1.x, corner2.y}, corner1}, colour, width);
}

void PainterCanvas::Dot(CanvasPoint at, Rgb colour, double width)
{
    const Pixels px{mapping_};
    const QPointF p = px.At(at);
    if (!Near(p)) {
        return;
    }
    const int deviceWidth = px.DeviceWidth(width);
    const double dpr = mapping_.devicePixelRatio;
    const QPointF c = px.Snap(p, deviceWidth);
    const double side = deviceWidth / dpr;
    Touch(QRectF(c.x() - side / 2, c.y() - side / 2, side, side), 0);
    if (measureOnly_) return;
    painter_.save();
    if (deviceWidth <= 2) {
        // A small dot is a square of whole device pixels, not a blurred disc.
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.fillRect(QRectF(c.x() - side / 2, c.y() - side / 2, side, side), ToQColor(colour));
    } else {
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(ToQColor(colour));
        painter_.drawEllipse(c, side / 2, side / 2);
    }
    painter_.restore();
}

void PainterCanvas::Arc(CanvasPoint centre, double radius, double startAngle, double endAngle, Rgb colour, double width)
{
    const Pixels px{mapping_};
    const QPointF at = px.At(centre);
    const double r = std::abs(radius * mapping_.pixelsPerUnitX);
    if (!Near(at) || !std::isfinite(r) || r > kFarLimit || !std::isfinite(startAngle) || !std::isfinite(endAngle)) {
        return;
    }
    constexpr double kTwoPi = 2.0 * std::numbers::pi;
    double span = endAngle - startAngle;
    if (span < 0) {
        span += kTwoPi * std::ceil(-span / kTwoPi);
    }
    span = std::min(span, kTwoPi);
    const double degreesPerRadian = 180.0 / std::numbers::pi;
    const int deviceWidth = px.DeviceWidth(width);
    const QPointF c = px.Snap(at, deviceWidth);
    Touch(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), deviceWidth / mapping_.devicePixelRatio);
    if (measureOnly_) return;
    painter_.save();
    painter_.setPen(MakePen(colour, deviceWidth, mapping_.devicePixelRatio));
    painter_.setBrush(Qt::NoBrush);
    // Qt counts arcs counter-clockwise on the screen in sixteenths of a degree.
    painter_.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r),
        static_cast<int>(std::lround(startAngle * degreesPerRadian * 16)),
        static_cast<int>(std::lround(span * degreesPerRadian * 16)));
    painter_.restore();
}

void PainterCanvas::Text(CanvasPoint topLeft, const std::string& text, Rgb colour, const CanvasFont& font)
{
    const Pixels px{mapping_};
    const QPointF p = px.At(topLeft);
    if (!Near(p) || text.empty()) {
        return;
    }
    const QFont f = MakeFont(font, mapping_, painter_.device());
    const QFontMetricsF metrics(f, painter_.device());
    const QString qtext = QString::fromStdString(text);
    if (measureOnly_) {
        // Where the glyphs really go, so that a box over the text hides it.
        Touch(metrics.boundingRect(qtext).translated(p.x(), p.y() + metrics.ascent()), 1);
        return;
    }
    // (The widest glyph times the characters: measuring the text would shape it twice.)
    Touch(QRectF(p, QSizeF(metrics.maxWidth() * qtext.size(), metrics.height())), metrics.height() / 4);
    painter_.save();
    painter_.setFont(f);
    painter_.setPen(ToQColor(colour));
    painter_.drawText(QPointF(p.x(), p.y() + metrics.ascent()), qtext);
    painter_.restore();
}

TextExtent PainterCanvas::MeasureText(const std::string& text, const CanvasFont& font) const
{
    const QFont f = MakeFont(font, mapping_, painter_.device());
    const QFontMetricsF metrics(f, painter_.device());
    return {metrics.horizontalAdvance(QString::fromStdString(text)) / mapping_.pixelsPerUnitX,
        metrics.height() / mapping_.pixelsPerUnitY};
}

}  // namespace stelvane
