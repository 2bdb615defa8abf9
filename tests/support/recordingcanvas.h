#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace stelvane {

// One drawing call as a recording canvas kept it, in layout units.
struct CanvasPrimitive {
    enum class Kind { Clear, Line, Polyline, FillBox, OutlineBox, Dot, Arc, Text, FillPolygon };
    Kind kind = Kind::Line;
    // Line: from, to. Polyline, FillPolygon: every point. Boxes: the two corners as given.
    // Dot: the point. Arc: the centre. Text: the top-left corner. Clear: none.
    std::vector<CanvasPoint> points;
    Rgb colour;
    double width = 1;       // line width; 0 for Clear, FillBox, FillPolygon and Text
    double radius = 0;      // Arc only
    double startAngle = 0;  // Arc only, radians
    double endAngle = 0;    // Arc only, radians
    std::string text;       // Text only
    CanvasFont font;        // Text only
};

// Test double: keeps every drawing call in order, draws nothing.
class RecordingCanvas : public Canvas {
public:
    // Text extents are estimated from the font size: one point counts
    // unitsPerPoint layout units (20, a twip per unit, as on an 800 x 600 screen).
    explicit RecordingCanvas(double unitsPerPoint = 20);

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
    // Half the font size per character wide, 1.2 times the font size high.
    TextExtent MeasureText(const std::string& text, const CanvasFont& font) const override;

    // Forgets everything recorded so far.
    void Forget() { primitives.clear(); }
    // The primitives of one kind (and of the colour, if given), in the order drawn.
    std::vector<CanvasPrimitive> OfKind(CanvasPrimitive::Kind kind, std::optional<Rgb> colour = {}) const;
    // Every text drawn, in order.
    std::vector<std::string> Texts() const;
    // The last text primitive with exactly this text, or null.
    const CanvasPrimitive* FindText(const std::string& text) const;

    std::vector<CanvasPrimitive> primitives;

private:
    double unitsPerPoint_;
};

}  // namespace stelvane
