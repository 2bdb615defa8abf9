#pragma once

#include <QImage>
#include <QWidget>

#include "platform/canvas.h"
#include "platform/qt/paintercanvas.h"

namespace stelvane {

// A widget whose background is a persistent drawing: canvas calls paint into
// a backing image (at the screen's device pixel ratio) and paintEvent shows
// it. The drawing survives repaints, resizes and maximizing; when the widget
// grows beyond the image, the old content is kept and the rest is background.
// The image starts at least as large as the screen, so what a window draws
// while it is still at its creation size is there once it is maximized.
// Windows derive from it, so controls placed on the window sit on the drawing.
class CanvasWidget : public QWidget {
    Q_OBJECT
public:
    explicit CanvasWidget(QWidget* parent = nullptr);
    ~CanvasWidget() override;

    // Logical pixels per layout unit; the layout code sets it once per window.
    void SetScale(double pixelsPerUnitX, double pixelsPerUnitY);
    double PixelsPerUnitX() const;
    double PixelsPerUnitY() const;
    // The window's background colour; also the colour the image grows with.
    // Fills the whole drawing with it.
    void SetBackground(Rgb colour);
    Rgb Background() const;
    // The drawing surface in layout units. Every call also goes to the
    // recorder when one is set.
    Canvas& canvas();
    // A second canvas that sees every call (a test's recorder); null for none.
    void SetRecorder(Canvas* recorder);
    // Keeps the drawing at least this many logical pixels large (for drawings
    // wider than the window, e.g. a scrolled schematic).
    void EnsureExtent(QSize logicalPixels);
    // The backing image (device pixels; its devicePixelRatio says how many per logical pixel).
    const QImage& BackingImage() const;
    // The colour drawn at a point given in layout units.
    Rgb ColourAt(CanvasPoint at) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class WidgetCanvas;
    PainterMapping Mapping() const;
    void GrowImage(QSize logicalPixels);

    QImage image_;
    Rgb background_{238, 255, 255};
    double pixelsPerUnitX_ = 1;
    double pixelsPerUnitY_ = 1;
    Canvas* recorder_ = nullptr;
    WidgetCanvas* canvas_ = nullptr;
};

} // namespace stelvane
