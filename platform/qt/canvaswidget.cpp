#include "platform/qt/canvaswidget.h"

#include <algorithm>
#include <cmath>

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>

#include "platform/qt/paintercanvas.h"

namespace stelvane {

// The canvas of the widget: every call paints into the backing image,
// passes on to the recorder, and asks for a repaint.
class CanvasWidget::WidgetCanvas : public Canvas {
public:
    explicit WidgetCanvas(CanvasWidget& widget) : widget_(widget) {}

    void Clear(Rgb background) override
    {
        widget_.background_ = background;
        Paint([&](Canvas& c) { c.Clear(background); });
        if (widget_.recorder_ != nullptr) {
            widget_.recorder_->Clear(background);
        }
    }
    void Line(CanvasPoint from, CanvasPoint to, Rgb colour, double width) override
    {
        Paint([&](Canvas& c) { c.Line(from, to, colour, width); });
        if (widget_.recorder_ != nullptr) {
            widget_.recorder_->Line(from, to, colour, width);
        }
    }
    void Polyline(const std::vector<CanvasPoint>& points, Rgb colour, double width) override
    {
        Paint([&](Canvas& c) { c.Polyline(points, colour, width); });
        if (widget_.recorder_ != nullptr) {
            widget_.recorder_->Polyline(points, colour, width);
        }
    }
    void FillBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour) override
    {
        Paint([&](Canvas& c) { c.FillBox(corner1, corner2, colour); });
        if (widget_.recorder_ != nullptr) {
            widget_.recorder_->FillBox(corner1, corner2, colour);
        }
    }
    void FillPolygon(const std::vector<CanvasPoint>& points, Rgb colour) override
    {
        Paint([&](Canvas& c) { c.FillPolygon(points, colour); });
        if (widget_.recorder_ != nullptr) {
            widget_.recorder_->FillPolygon(points, colour);
        }
    }
    void OutlineBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour, double width) override
    {
        Paint([&](Canvas& c) { c.OutlineBox(corner1, corner2, colour, width); });
        if (widget_.recorder_ != nullptr) {
            widget_.recorder_->OutlineBox(corner1, corner2, colour, width);
        }
    }
    void Dot(CanvasPoint at, Rgb colour, double width) override
    {
        Paint([&](Canvas& c) { c.Dot(at, colour, width); });
        if (widget_.recorder_ != nullptr) {
            widget_.recorder_->Dot(at, colour, width);
        }
    }
    void Arc(CanvasPoint centre, double radius, double startAngle, double endAngle, Rgb colour,
             double width) override
    {
        Paint([&](Canvas& c) { c.Arc(centre, radius, startAngle, endAngle, colour, width); });
        if (widget_.recorder_ != nullptr) {
            widget_.recorder_->Arc(centre, radius, startAngle, endAngle, colour, width);
        }
    }
    void Text(CanvasPoint topLeft, const std::string& text, Rgb colour, const CanvasFont& font) override
    {
        Paint([&](Canvas& c) { c.Text(topLeft, text, colour, font); });
        if (widget_.recorder_ != nullptr) {
            widget_.recorder_->Text(topLeft, text, colour, font);
        }
    }
    TextExtent MeasureText(const std::string& text, const CanvasFont& font) const override
    {
        QPainter painter(&widget_.image_);
        return PainterCanvas(painter, widget_.Mapping()).MeasureText(text, font);
    }

private:
    // Draws into the image, and has the part of the widget it changed shown anew.
    template <typename Draw>
    void Paint(Draw draw)
    {
        QRect changed;
        {
            QPainter painter(&widget_.image_);
            PainterCanvas canvas(painter, widget_.Mapping());
            draw(canvas);
            changed = canvas.Touched().toAlignedRect();
        }
        if (!changed.isEmpty())
            widget_.update(changed);
    }

    CanvasWidget& widget_;
};

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent), canvas_(new WidgetCanvas(*this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    const QScreen* s = screen();
    GrowImage(s != nullptr ? s->size() : QSize(800, 600));
    SetBackground(background_);
}

CanvasWidget::~CanvasWidget() { delete canvas_; }

void CanvasWidget::SetScale(double pixelsPerUnitX, double pixelsPerUnitY)
{
    // A zero or broken scale would put every drawing at the origin or nowhere.
    pixelsPerUnitX_ = std::isfinite(pixelsPerUnitX) && pixelsPerUnitX > 0 ? pixelsPerUnitX : 1.0;
    pixelsPerUnitY_ = std::isfinite(pixelsPerUnitY) && pixelsPerUnitY > 0 ? pixelsPerUnitY : 1.0;
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

void CanvasWidget::EnsureExtent(QSize logicalPixels) { GrowImage(logicalPixels); }

const QImage& CanvasWidget::BackingImage() const { return image_; }

Rgb CanvasWidget::ColourAt(CanvasPoint at) const
{
    const double dpr = image_.devicePixelRatio();
    const int x = static_cast<int>(std::floor(at.x * pixelsPerUnitX_ * dpr));
    const int y = static_cast<int>(std::floor(at.y * pixelsPerUnitY_ * dpr));
    if (!image_.valid(x, y)) {
        return background_;
    }
    const QColor c = image_.pixelColor(x, y);
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

PainterMapping CanvasWidget::Mapping() const
{
    PainterMapping m;
    m.pixelsPerUnitX = pixelsPerUnitX_;
    m.pixelsPerUnitY = pixelsPerUnitY_;
    m.pixelsPerWidth = 1.0;
    m.pixelsPerPoint = logicalDpiY() / 72.0;
    m.devicePixelRatio = image_.devicePixelRatio();
    m.surface = QRectF(QPointF(0, 0), image_.deviceIndependentSize());
    return m;
}

void CanvasWidget::GrowImage(QSize logicalPixels)
{
    const double dpr = devicePixelRatioF();
    const QSize current = image_.isNull() ? QSize(0, 0) : image_.deviceIndependentSize().toSize();
    const QSize wanted = current.expandedTo(logicalPixels);
    if (!image_.isNull() && wanted == current && image_.devicePixelRatio() == dpr) {
        return;
    }
    QImage grown(wanted * dpr, QImage::Format_RGB32);
    grown.setDevicePixelRatio(dpr);
    grown.fill(QColor(background_.r, background_.g, background_.b));
    if (!image_.isNull()) {
        QPainter painter(&grown);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(QPointF(0, 0), image_);
    }
    image_ = std::move(grown);
}

void CanvasWidget::paintEvent(QPaintEvent* event)
{
    if (image_.devicePixelRatio() != devicePixelRatioF()) {
        GrowImage(size());  // moved to a screen of another pixel density
    }
    // Only the part of the drawing to be shown again is copied, each rectangle
    // of it by itself; where the widget reaches beyond the drawing, background.
    QPainter painter(this);
    const QRect drawing(QPoint(0, 0), image_.deviceIndependentSize().toSize());
    const double dpr = image_.devicePixelRatio();
    for (const QRect& area : event->region()) {
        const QRect shown = area & drawing;
        if (shown != area)
            painter.fillRect(area, QColor(background_.r, background_.g, background_.b));
        if (!shown.isEmpty())
            painter.drawImage(QRectF(shown), image_,
                              QRectF(QPointF(shown.topLeft()) * dpr, QSizeF(shown.size()) * dpr));
    }
}

void CanvasWidget::resizeEvent(QResizeEvent* event)
{
    GrowImage(event->size());
    QWidget::resizeEvent(event);
}

} // namespace stelvane
