#pragma once

#include <QRectF>

#include "platform/canvas.h"

class QPainter;
class QPaintDevice;

namespace stelvane {

// How layout units meet a painter's logical coordinates.
struct PainterMapping {
    double pixelsPerUnitX = 1;            // logical pixels per horizontal layout unit
    double pixelsPerUnitY = 1;            // logical pixels per vertical layout unit
    double originX = 0;                   // logical pixel of layout x = 0
    double originY = 0;                   // logical pixel of layout y = 0
    double pixelsPerWidth = 1;            // logical pixels per unit of line width
    double pixelsPerPoint = 96.0 / 72.0;  // logical pixels per font point
    double devicePixelRatio = 1;          // device pixels per logical pixel, for crisp lines
    QRectF surface;                       // what Clear fills, in logical pixels
};

// The drawing path shared by the screen and the printer: draws canvas calls
// with an open QPainter. Thin lines are put on pixel centres so they stay
// one device pixel sharp; text is antialiased.
class PainterCanvas : public Canvas {
public:
    PainterCanvas(QPainter& painter, const PainterMapping& mapping);

    void Clear(Rgb background) override;
    void Line(CanvasPoint from, CanvasPoint to, Rgb colour, double width = 1) override;
    void Polyline(const std::vector<CanvasPoint>& points, Rgb colour, double width = 1) override;
    void FillBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour) override;
    void FillPolygon(const std::vector<CanvasPoint>& points, Rgb colour) override;
    void OutlineBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour, double width = 1) override;
    void Dot(CanvasPoint at, Rgb colour, double width = 1) override;
    void Arc(
        CanvasPoint centre, double radius, double startAngle, double endAngle, Rgb colour, double width = 1) override;
    void Text(CanvasPoint topLeft, const std::string& text, Rgb colour, const CanvasFont& font) override;
    TextExtent MeasureText(const std::string& text, const CanvasFont& font) const override;

    const PainterMapping& Mapping() const { return mapping_; }
    // What the calls so far may have changed, in logical pixels (a filled
    // box exactly, anything else with a margin for its smoothed edges).
    const QRectF& Touched() const { return touched_; }
    void ForgetTouched() { touched_ = QRectF(); }
    // Only works out what the calls would touch, painting nothing.
    void SetMeasureOnly(bool measureOnly) { measureOnly_ = measureOnly; }

private:
    void Touch(const QRectF& area, double margin);

    QPainter& painter_;
    PainterMapping mapping_;
    QRectF touched_;
    bool measureOnly_ = false;
};

}  // namespace stelvane
