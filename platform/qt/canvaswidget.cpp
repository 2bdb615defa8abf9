#include "platform/qt/canvaswidget.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include "platform/qt/paintercanvas.h"

namespace stelvane {

namespace {

// The drawing is searched for calls that later boxes hide whenever it has
// grown by this many calls since the last search (a tuning click adds about
// a hundred, and the plot's boxes hide the click before).
constexpr std::size_t kCompactEvery = 256;
// Calls no box ever covers are kept up to this many; beyond, the oldest go.
// Only a window that draws far more than it erases could lose a thing.
constexpr std::size_t kMostCalls = 50000;
// Beyond any window: what lies left of or above the origin is never seen.
constexpr int kFar = 1 << 24;

// The whole logical pixels inside an area (what a filled box surely covers).
QRect Inside(const QRectF& area)
{
    const QPoint topLeft(static_cast<int>(std::ceil(area.left())), static_cast<int>(std::ceil(area.top())));
    const QPoint bottomRight(
        static_cast<int>(std::floor(area.right())) - 1, static_cast<int>(std::floor(area.bottom())) - 1);
    return QRect(topLeft, bottomRight);
}

// What a call is (its kind and every argument), as a 64-bit FNV-1a hash: a
// call made again the same way is drawn once, in its later place.
class CallKey {
public:
    explicit CallKey(char kind) { Add(&kind, 1); }
    template <typename T>
    CallKey& operator<<(const T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        Add(&value, sizeof value);
        return *this;
    }
    CallKey& operator<<(const std::string& text)
    {
        *this << text.size();
        Add(text.data(), text.size());
        return *this;
    }
    CallKey& operator<<(const std::vector<CanvasPoint>& points)
    {
        *this << points.size();
        Add(points.data(), points.size() * sizeof(CanvasPoint));
        return *this;
    }
    CallKey& operator<<(const CanvasFont& font) { return *this << font.face << font.points << font.bold; }
    std::uint64_t Value() const { return hash_; }

private:
    void Add(const void* data, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
            hash_ = (hash_ ^ static_cast<const unsigned char*>(data)[i]) * 1099511628211ULL;
    }
    std::uint64_t hash_ = 14695981039346656037ULL;
};

}  // namespace

// The canvas of the widget: every call is measured, kept, passed on to the
// recorder, and the part of the widget it reaches is shown anew.
class CanvasWidget::WidgetCanvas : public Canvas {
public:
    explicit WidgetCanvas(CanvasWidget& widget) : widget_(widget) {}

    void Clear(Rgb background) override
    {
        widget_.background_ = background;
        widget_.calls_.clear();
        widget_.compactAt_ = 0;
        widget_.update();
        if (widget_.recorder_ != nullptr) widget_.recorder_->Clear(background);
    }
    void Line(CanvasPoint from, CanvasPoint to, Rgb colour, double width) override
    {
        Keep(CallKey('L') << from << to << colour << width, [=](Canvas& c) { c.Line(from, to, colour, width); });
    }
    void Polyline(const std::vector<CanvasPoint>& points, Rgb colour, double width) override
    {
        Keep(CallKey('P') << points << colour << width, [=](Canvas& c) { c.Polyline(points, colour, width); });
    }
    void FillBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour) override
    {
        Keep(
            CallKey('B') << corner1 << corner2 << colour, [=](Canvas& c) { c.FillBox(corner1, corner2, colour); },
            true);
    }
    void FillPolygon(const std::vector<CanvasPoint>& points, Rgb colour) override
    {
        Keep(CallKey('F') << points << colour, [=](Canvas& c) { c.FillPolygon(points, colour); });
    }
    void OutlineBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour, double width) override
    {
        Keep(CallKey('O') << corner1 << corner2 << colour << width,
            [=](Canvas& c) { c.OutlineBox(corner1, corner2, colour, width); });
    }
    void Dot(CanvasPoint at, Rgb colour, double width) override
    {
        Keep(CallKey('D') << at << colour << width, [=](Canvas& c) { c.Dot(at, colour, width); });
    }
    void Arc(CanvasPoint centre, double radius, double startAngle, double endAngle, Rgb colour, double width) override
    {
        Keep(CallKey('A') << centre << radius << startAngle << endAngle << colour << width,
            [=](Canvas& c) { c.Arc(centre, radius, startAngle, endAngle, colour, width); });
    }
    void Text(CanvasPoint topLeft, const std::string& text, Rgb colour, const CanvasFont& font) override
    {
        Keep(
            CallKey('T') << topLeft << text << colour << font, [=](Canvas& c) { c.Text(topLeft, text, colour, font); });
    }
    TextExtent MeasureText(const std::string& text, const CanvasFont& font) const override
    {
        return widget_.Measuring().MeasureText(text, font);
    }

private:
    // Keeps a call that reaches anywhere, has what it reaches shown anew,
    // and passes it on to the recorder.
    template <typename Draw>
    void Keep(const CallKey& key, Draw draw, bool opaqueBox = false)
    {
        if (widget_.recorder_ != nullptr) draw(*widget_.recorder_);
        PainterCanvas& measuring = widget_.Measuring();
        measuring.ForgetTouched();
        draw(measuring);
        const QRectF reach = measuring.Touched();
        if (reach.isEmpty() || reach.right() <= 0 || reach.bottom() <= 0)
            return;  // nothing, or all of it left of or above the window (a scrolled drawing)
        widget_.Keep({reach, opaqueBox, key.Value(), std::move(draw)});
        widget_.update(reach.toAlignedRect());
    }

    CanvasWidget& widget_;
};

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent), canvas_(new WidgetCanvas(*this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    SetBackground(background_);
}

CanvasWidget::~CanvasWidget()
{
    measuring_.reset();
    probePainter_.reset();
    delete canvas_;
}

void CanvasWidget::SetScale(double pixelsPerUnitX, double pixelsPerUnitY)
{
    // A zero or broken scale would put every drawing at the origin or nowhere.
    pixelsPerUnitX_ = std::isfinite(pixelsPerUnitX) && pixelsPerUnitX > 0 ? pixelsPerUnitX : 1.0;
    pixelsPerUnitY_ = std::isfinite(pixelsPerUnitY) && pixelsPerUnitY > 0 ? pixelsPerUnitY : 1.0;
    measuring_.reset();
}

double CanvasWidget::PixelsPerUnitX() const { return pixelsPerUnitX_; }
double CanvasWidget::PixelsPerUnitY() const { return pixelsPerUnitY_; }

void CanvasWidget::SetBackground(Rgb colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(colour.r, colour.g, colour.b));
    setPalette(p);
    canvas().Clear(colour);
}

Rgb CanvasWidget::Background() const { return background_; }

Canvas& CanvasWidget::canvas() { return *canvas_; }

void CanvasWidget::SetRecorder(Canvas* recorder) { recorder_ = recorder; }

PainterMapping CanvasWidget::Mapping() const
{
    PainterMapping m;
    m.pixelsPerUnitX = pixelsPerUnitX_;
    m.pixelsPerUnitY = pixelsPerUnitY_;
    m.pixelsPerWidth = 1.0;
    m.pixelsPerPoint = logicalDpiY() / 72.0;
    m.devicePixelRatio = devicePixelRatioF();
    m.surface = QRectF(rect());
    return m;
}

PainterCanvas& CanvasWidget::Measuring()
{
    // Widths and snapping follow the pixel ratio of the screen the widget is on.
    if (measuring_ == nullptr || measuring_->Mapping().devicePixelRatio != devicePixelRatioF()) {
        measuring_.reset();
        probePainter_.reset();
        probe_ = QImage(1, 1, QImage::Format_RGB32);
        probe_.setDevicePixelRatio(devicePixelRatioF());
        probePainter_ = std::make_unique<QPainter>(&probe_);
        measuring_ = std::make_unique<PainterCanvas>(*probePainter_, Mapping());
        measuring_->SetMeasureOnly(true);
    }
    return *measuring_;
}

void CanvasWidget::Keep(Call call)
{
    const QRect covered = call.opaque ? Inside(call.reach) : QRect();
    std::erase_if(
        calls_, [&](const Call& kept) { return kept.key == call.key || covered.contains(kept.reach.toAlignedRect()); });
    calls_.push_back(std::move(call));
    if (calls_.size() >= compactAt_ + kCompactEvery) Compact();
}

void CanvasWidget::Compact()
{
    // From the last call back: what the boxes drawn later cover together
    // hides a call that reaches no further.
    QRegion hidden = QRegion(-kFar, -kFar, kFar, 2 * kFar) + QRegion(-kFar, -kFar, 2 * kFar, kFar);
    std::vector<Call> kept;
    kept.reserve(calls_.size());
    for (auto call = calls_.rbegin(); call != calls_.rend(); ++call) {
        if ((QRegion(call->reach.toAlignedRect()) - hidden).isEmpty()) continue;
        if (call->opaque) hidden += Inside(call->reach);
        kept.push_back(std::move(*call));
    }
    calls_.assign(std::make_move_iterator(kept.rbegin()), std::make_move_iterator(kept.rend()));
    if (calls_.size() > kMostCalls)
        calls_.erase(calls_.begin(), calls_.begin() + static_cast<std::ptrdiff_t>(calls_.size() - kMostCalls / 2));
    compactAt_ = calls_.size();
}

ImageRequest CanvasWidget::DrawingImageRequest() const
{
    const PainterMapping m = Mapping();
    ImageRequest r;
    r.widthPixels = width();
    r.heightPixels = height();
    r.pixelsPerUnitX = m.pixelsPerUnitX;
    r.pixelsPerUnitY = m.pixelsPerUnitY;
    r.pixelsPerPoint = m.pixelsPerPoint;
    r.background = background_;
    return r;
}

void CanvasWidget::Replay(Canvas& target) const
{
    target.Clear(background_);
    for (const Call& call : calls_) call.draw(target);
}

void CanvasWidget::paintEvent(QPaintEvent* event)
{
    // Only the calls that reach the part to be shown are painted, cut to it;
    // the background only where no box will be filled over it.
    const QRegion& region = event->region();
    QRegion bare = region;
    for (const Call& call : calls_)
        if (call.opaque) bare -= Inside(call.reach);
    QPainter painter(this);
    for (const QRect& area : bare) painter.fillRect(area, QColor(background_.r, background_.g, background_.b));
    painter.setClipRegion(region);
    PainterCanvas canvas(painter, Mapping());
    for (const Call& call : calls_)
        if (region.intersects(call.reach.toAlignedRect())) call.draw(canvas);
}

}  // namespace stelvane
