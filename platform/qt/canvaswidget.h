#pragma once

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/canvas.h"
#include "platform/imagewriter.h"
#include "platform/qt/paintercanvas.h"

class QPainter;

namespace stelvane {

// A widget whose background is a persistent drawing. The canvas calls are
// kept, not painted into an image of their own: paintEvent draws the calls
// that reach the part to be shown into the window's own backing store, so a
// window costs no more memory than Qt's image of it, whatever the screen. A
// call is forgotten once a box filled later covers all it reaches, or once
// it is made again with the same arguments (it is then drawn once, in its
// later place, so smoothed edges do not grow darker). The
// drawing survives repaints, resizes and maximizing; where nothing was
// drawn, the background shows. Windows derive from it, so controls placed
// on the window sit on the drawing.
class CanvasWidget : public QWidget {
    Q_OBJECT
public:
    explicit CanvasWidget(QWidget* parent = nullptr);
    ~CanvasWidget() override;

    // Logical pixels per layout unit; the layout code sets it once per window.
    void SetScale(double pixelsPerUnitX, double pixelsPerUnitY);
    double PixelsPerUnitX() const;
    double PixelsPerUnitY() const;
    // The window's background colour. Fills the whole drawing with it.
    void SetBackground(Rgb colour);
    Rgb Background() const;
    // The drawing surface in layout units. Every call also goes to the
    // recorder when one is set.
    Canvas& canvas();
    // A second canvas that sees every call (a test's recorder); null for none.
    void SetRecorder(Canvas* recorder);
    // How many calls the drawing keeps (those no later box covers).
    std::size_t KeptCalls() const { return calls_.size(); }
    // The drawing as an image of the widget's size: the request, and the
    // picture that draws the background and every kept call again.
    ImageRequest DrawingImageRequest() const;
    void Replay(Canvas& target) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class WidgetCanvas;
    // A call kept for painting, with where it reaches (logical pixels),
    // whether it is an opaque box that hides what it covers, and what it is.
    struct Call {
        QRectF reach;
        bool opaque = false;
        std::uint64_t key = 0;
        std::function<void(Canvas&)> draw;
    };
    PainterMapping Mapping() const;
    // A canvas that works out where calls reach without painting them.
    PainterCanvas& Measuring();
    void Keep(Call call);
    void Compact();

    std::vector<Call> calls_;
    std::size_t compactAt_ = 0;
    QImage probe_;  // the measuring painter's device: fonts measured as on the screen
    std::unique_ptr<QPainter> probePainter_;
    std::unique_ptr<PainterCanvas> measuring_;
    Rgb background_{238, 255, 255};
    double pixelsPerUnitX_ = 1;
    double pixelsPerUnitY_ = 1;
    Canvas* recorder_ = nullptr;
    WidgetCanvas* canvas_ = nullptr;
};

}  // namespace stelvane
