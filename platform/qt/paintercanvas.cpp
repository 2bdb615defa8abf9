#include "platform/qt/paintercanvas.h"

#include <algorithm>
#include <array>
#include <cstdint>
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
    if (n <= 2)
        return run;
    std::vector<char> keep(static_cast<std::size_t>(n), 0);
    keep.front() = keep.back() = 1;
    std::vector<std::pair<int, int>> spans{{0, n - 1}};
    long budget = 32L * n; // a smooth curve needs about n log2 n
    while (!spans.empty()) {
        if ((budget -= spans.back().second - spans.back().first) < 0)
            return run;
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
        if (keep[static_cast<std::size_t>(i)])
            kept << run[i];
    return kept;
}

// The image the painter draws on, when it is one whose pixels the program may
// write itself (no transform, no clip, plain painting); nullptr when not.
QImage* DirectImage(QPainter& painter)
{
    auto* image = painter.device() != nullptr && painter.device()->devType() == QInternal::Image
                      ? static_cast<QImage*>(painter.device())
                      : nullptr;
    if (image == nullptr ||
        (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32_Premultiplied) ||
        !painter.transform().isIdentity() || painter.hasClipping() ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return nullptr;
    return image;
}

// The device pixels of a box given in logical pixels, as the columns and rows
// [left, right) and [top, bottom), cut to the image.
std::array<int, 4> DevicePixels(const QImage& image, const QRectF& box, double ratio)
{
    auto at = [ratio](double logical) { return static_cast<int>(std::lround(logical * ratio)); };
    return {std::max(0, at(box.left())), std::max(0, at(box.top())), std::min(image.width(), at(box.right())),
            std::min(image.height(), at(box.bottom()))};
}

// Fills the whole device pixels of a box (in logical pixels, its edges on
// device-pixel edges) with an opaque colour: straight into the image when
// the painter allows it, else through the painter without antialiasing.
void FillPixels(QPainter& painter, QImage* image, const QRectF& box, Rgb colour, double ratio)
{
    if (image == nullptr) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.fillRect(box, ToQColor(colour));
        painter.restore();
        return;
    }
    const auto [left, top, right, bottom] = DevicePixels(*image, box, ratio);
    if (left >= right || top >= bottom)
        return;
    const QRgb pixel = qRgb(colour.r, colour.g, colour.b);
    uchar* bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    for (int y = top; y < bottom; ++y) {
        auto* row = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(row + left, row + right, pixel);
    }
}

// The smallest box (logical pixels, on device-pixel edges) that holds every
// pixel of a box that is not yet the colour; nothing when none is.
std::optional<QRectF> ChangedPixels(const QImage& image, const QRectF& box, Rgb colour, double ratio)
{
    const auto [left, top, right, bottom] = DevicePixels(image, box, ratio);
    if (left >= right || top >= bottom)
        return std::nullopt;
    const QRgb pixel = qRgb(colour.r, colour.g, colour.b);
    const uchar* bits = image.constBits();
    const qsizetype stride = image.bytesPerLine();
    auto row = [&](int y) { return reinterpret_cast<const QRgb*>(bits + y * stride); };
    auto differs = [&](int y) {
        const QRgb* r = row(y);
        return std::any_of(r + left, r + right, [pixel](QRgb p) { return p != pixel; });
    };
    int first = top;
    while (first < bottom && !differs(first))
        ++first;
    if (first == bottom)
        return std::nullopt;
    int last = bottom - 1;
    while (!differs(last))
        --last;
    // Each row is searched only outside the columns already known to change.
    int from = right, to = left - 1;
    for (int y = first; y <= last; ++y) {
        const QRgb* r = row(y);
        for (int x = left; x < from; ++x)
            if (r[x] != pixel) {
                from = x;
                break;
            }
        for (int x = right - 1; x > to && x >= from; --x)
            if (r[x] != pixel) {
                to = x;
                break;
            }
    }
    return QRectF(QPointF(from / ratio, first / ratio), QPointF((to + 1) / ratio, (last + 1) / ratio));
}

// A thick line drawn straight into the screen's image, for the painter's
// antialiased stroke of a long, steep curve costs it a good part of a
// millisecond. Each pixel takes the colour by its distance from the nearest
// segment (fully within half the width, fading over the next pixel, as the
// painter's edges fade), once however many segments pass near it. Its ends
// and corners are those of the painter's pen (MakePen): round, or square at
// the ends of a line two pixels wide or less. Only for an image the painter
// draws on without transform or clip; false when it cannot, and the painter
// draws the line.
bool DrawThickRunsDirect(QPainter& painter, const std::vector<QPolygonF>& runs, Rgb colour, int deviceWidth,
                         double ratio)
{
    QImage* image = DirectImage(painter);
    if (image == nullptr)
        return false;

    const double half = deviceWidth / 2.0;
    const double reach = half + 0.5; // half the width and the fading pixel
    const double core = std::max(0.0, reach - 1) * std::max(0.0, reach - 1); // fully covered within
    const bool squareEnds = deviceWidth <= 2;
    const int width = image->width(), height = image->height();
    thread_local std::vector<std::uint8_t> coverage; // 0..255 per pixel, 0 between calls
    thread_local std::vector<int> touched;
    coverage.resize(static_cast<std::size_t>(width) * height);
    touched.clear();
    for (const QPolygonF& run : runs) {
        for (int i = 1; i < run.size(); ++i) {
            const QPointF a = run[i - 1] * ratio, b = run[i] * ratio;
            const double dx = b.x() - a.x(), dy = b.y() - a.y(), length2 = dx * dx + dy * dy;
            const double length = std::sqrt(length2), inverse = length2 > 0 ? 1 / length2 : 0;
            // How far beyond each end a square end reaches, as a fraction of the segment.
            const double before = squareEnds && i == 1 && length > 0 ? half / length : 0;
            const double after = squareEnds && i + 1 == run.size() && length > 0 ? half / length : 0;
            const double extend = reach + std::max(before, after) * length;
            const double halfBand = std::abs(dy) > 1e-9 ? reach * length / std::abs(dy) : 0;
            const double slope = halfBand > 0 ? dx / dy : 0;
            const int top = std::max(0, static_cast<int>(std::floor(std::min(a.y(), b.y()) - extend)));
            const int bottom = std::min(height - 1, static_cast<int>(std::ceil(std::max(a.y(), b.y()) + extend)));
            for (int y = top; y <= bottom; ++y) {
                const double yc = y + 0.5;
                // Where the band around the segment crosses this row.
                double left = std::min(a.x(), b.x()) - extend, right = std::max(a.x(), b.x()) + extend;
                if (halfBand > 0) {
                    const double centre = a.x() + (yc - a.y()) * slope;
                    left = std::max(left, centre - halfBand);
                    right = std::min(right, centre + halfBand);
                }
                const int x0 = std::max(0, static_cast<int>(std::floor(left)));
                const int x1 = std::min(width - 1, static_cast<int>(std::ceil(right)));
                std::uint8_t* row = coverage.data() + static_cast<std::size_t>(y) * width;
                const double py = yc - a.y();
                double px = x0 + 0.5 - a.x();
                for (int x = x0; x <= x1; ++x, px += 1) {
                    const double along = (px * dx + py * dy) * inverse;
                    double level = 0;
                    if ((along < 0 && before > 0) || (along > 1 && after > 0)) {
                        // A square end: the side's fade times the end's fade.
                        const double side = std::abs(px * dy - py * dx) / length;
                        const double beyond = (along < 0 ? -along - before : along - 1 - after) * length;
                        level = std::clamp(reach - side, 0.0, 1.0) * std::clamp(0.5 - beyond, 0.0, 1.0);
                    } else {
                        const double t = std::clamp(along, 0.0, 1.0);
                        const double ex = px - t * dx, ey = py - t * dy;
                        const double distance2 = ex * ex + ey * ey;
                        if (distance2 >= reach * reach)
                            continue;
                        level = distance2 <= core ? 1.0 : std::min(1.0, reach - std::sqrt(distance2));
                    }
                    const auto cell = static_cast<std::uint8_t>(level * 255 + 0.5);
                    if (cell > row[x]) {
                        if (row[x] == 0)
                            touched.push_back(y * width + x);
                        row[x] = cell;
                    }
                }
            }
        }
    }
    uchar* bits = image->bits();
    const qsizetype stride = image->bytesPerLine();
    for (const int at : touched) {
        std::uint8_t& cell = coverage[static_cast<std::size_t>(at)];
        const int alpha = cell;
        cell = 0;
        auto* pixel = reinterpret_cast<QRgb*>(bits + (at / width) * stride) + at % width;
        auto mix = [alpha](int from, int to) { return (to * alpha + from * (255 - alpha) + 127) / 255; };
        *pixel = qRgb(mix(qRed(*pixel), colour.r), mix(qGreen(*pixel), colour.g), mix(qBlue(*pixel), colour.b));
    }
    return true;
}

} // namespace

PainterCanvas::PainterCanvas(QPainter& painter, const PainterMapping& mapping) : painter_(painter), mapping_(mapping)
{
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
}

namespace {

struct Pixels {
    const PainterMapping& m;

    QPointF At(CanvasPoint p) const
    {
        return {m.originX + p.x * m.pixelsPerUnitX, m.originY + p.y * m.pixelsPerUnitY};
    }
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

} // namespace

void PainterCanvas::Touch(const QRectF& area, double margin)
{
    // A pixel or two beyond the geometry for the antialiased edges.
    touched_ |= area.normalized().adjusted(-margin - 2, -margin - 2, margin + 2, margin + 2);
}

void PainterCanvas::Clear(Rgb background)
{
    touched_ |= mapping_.surface;
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
    for (const CanvasPoint& p : points)
        at << px.At(p);
    if (std::all_of(at.begin(), at.end(), [](QPointF p) { return Near(p); })) {
        // A thick curve is thinned before its points are put on the pixels,
        // while it is still smooth.
        if (deviceWidth >= 2)
            at = Simplified(at, kSimplifyTolerance / mapping_.devicePixelRatio);
        QPolygonF run;
        run.reserve(at.size());
        for (const QPointF& p : at) {
            const QPointF snapped = px.Snap(p, deviceWidth);
            if (run.isEmpty() || run.back() != snapped)
                run << snapped;
        }
        if (run.size() == 1)
            run << run.back(); // a line of no length still shows its caps
        runs.push_back(std::move(run));
    } else {
        QPolygonF run;
        for (int i = 1; i < at.size(); ++i) {
            const auto clipped = ClipSegment(at[i - 1], at[i]);
            if (!clipped) {
                if (run.size() >= 2)
                    runs.push_back(std::move(run));
                run.clear();
                continue;
            }
            const QPointF a = px.Snap(clipped->first, deviceWidth);
            const QPointF b = px.Snap(clipped->second, deviceWidth);
            if (run.isEmpty() || run.back() != a) {
                if (run.size() >= 2)
                    runs.push_back(std::move(run));
                run.clear();
                run << a;
            }
            run << b;
        }
        if (run.size() >= 2)
            runs.push_back(std::move(run));
    }

    painter_.save();
    const bool alongAxes = std::all_of(runs.begin(), runs.end(), [](const QPolygonF& run) {
        for (int i = 1; i < run.size(); ++i)
            if (run[i].x() != run[i - 1].x() && run[i].y() != run[i - 1].y())
                return false;
        return true;
    });
    QImage* image = DirectImage(painter_);
    if (alongAxes && (deviceWidth <= 2 || image != nullptr)) {
        // A line along the axes on whole device pixels covers whole pixels:
        // boxes, many times faster than the pen. A thin one ends and turns
        // square, so each segment reaches half the width beyond its points;
        // a thick one ends and turns round, a disc at every point.
        const double ratio = mapping_.devicePixelRatio;
        const double half = deviceWidth / ratio / 2;
        const bool square = deviceWidth <= 2;
        std::vector<QPolygonF> discs;
        for (const QPolygonF& run : runs) {
            for (int i = 1; i < run.size(); ++i) {
                const QRectF along = QRectF(run[i - 1], run[i]).normalized();
                const bool vertical = along.width() == 0;
                const double endMargin = square ? half : 0;
                Touch(along, half);
                FillPixels(painter_, image,
                           along.adjusted(vertical ? -half : -endMargin, vertical ? -endMargin : -half,
                                          vertical ? half : endMargin, vertical ? endMargin : half),
                           colour, ratio);
            }
            if (!square)
                for (const QPointF& p : run)
                    discs.push_back(QPolygonF{p, p});
        }
        if (!discs.empty())
            DrawThickRunsDirect(painter_, discs, colour, deviceWidth, ratio);
        painter_.restore();
        return;
    }
    if (deviceWidth >= 2 && DrawThickRunsDirect(painter_, runs, colour, deviceWidth, mapping_.devicePixelRatio)) {
        for (const QPolygonF& run : runs)
            Touch(run.boundingRect(), deviceWidth / mapping_.devicePixelRatio);
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
    QImage* image = DirectImage(painter_);
    if (image == nullptr) {
        Touch(box, 0);
        FillPixels(painter_, nullptr, box, colour, mapping_.devicePixelRatio);
        return;
    }
    // Only the pixels that change are filled and shown anew: erasing what is
    // already erased leaves the controls over it unpainted.
    if (const auto changed = ChangedPixels(*image, box, colour, mapping_.devicePixelRatio)) {
        Touch(*changed, 0);
        FillPixels(painter_, image, *changed, colour, mapping_.devicePixelRatio);
    }
}

void PainterCanvas::FillPolygon(const std::vector<CanvasPoint>& points, Rgb colour)
{
    const Pixels px{mapping_};
    QPolygonF polygon;
    polygon.reserve(static_cast<int>(points.size()));
    for (const CanvasPoint& p : points) {
        const QPointF at = px.At(p);
        if (!Finite(at))
            return;
        polygon << QPointF(std::clamp(at.x(), -kFarLimit, kFarLimit), std::clamp(at.y(), -kFarLimit, kFarLimit));
    }
    if (polygon.size() < 3)
        return;
    Touch(polygon.boundingRect(), 0);
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

void PainterCanvas::Arc(CanvasPoint centre, double radius, double startAngle, double endAngle, Rgb colour,
                        double width)
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

} // namespace stelvane
