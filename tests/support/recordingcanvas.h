#pragma once

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
    double width = 0;                                 // line width; 0 for Clear, FillBox, FillPolygon and Text
    double radius = 0, startAngle = 0, endAngle = 0;  // Arc only, angles in radians
    std::string text;                                 // Text only
    CanvasFont font;                                  // Text only
};

// Test double: keeps every drawing call in order, draws nothing.
class RecordingCanvas : public Canvas {
public:
    using Kind = CanvasPrimitive::Kind;
    // Text extents are estimated from the font size: one point counts
    // unitsPerPoint layout units (20, a twip per unit, as on an 800 x 600 screen).
    explicit RecordingCanvas(double unitsPerPoint = 20) : unitsPerPoint_(unitsPerPoint) {}

    // Each call is kept as it came (points a, b; colour c; width w).
    void Clear(Rgb c) override { Add(Kind::Clear, {}, c); }
    void Line(CanvasPoint a, CanvasPoint b, Rgb c, double w = 1) override { Add(Kind::Line, {a, b}, c, w); }
    void Polyline(const std::vector<CanvasPoint>& a, Rgb c, double w = 1) override { Add(Kind::Polyline, a, c, w); }
    void FillBox(CanvasPoint a, CanvasPoint b, Rgb c) override { Add(Kind::FillBox, {a, b}, c); }
    void FillPolygon(const std::vector<CanvasPoint>& a, Rgb c) override { Add(Kind::FillPolygon, a, c); }
    void OutlineBox(CanvasPoint a, CanvasPoint b, Rgb c, double w = 1) override { Add(Kind::OutlineBox, {a, b}, c, w); }
    void Dot(CanvasPoint a, Rgb c, double w = 1) override { Add(Kind::Dot, {a}, c, w); }
    void Arc(CanvasPoint a, double radius, double start, double end, Rgb c, double w = 1) override
    {
        primitives.push_back({Kind::Arc, {a}, c, w, radius, start, end, {}, {}});
    }
    void Text(CanvasPoint a, const std::string& text, Rgb c, const CanvasFont& font) override
    {
        primitives.push_back({Kind::Text, {a}, c, 0, 0, 0, 0, text, font});
    }
    // Half the font size per character wide, 1.2 times the font size high.
    TextExtent MeasureText(const std::string& text, const CanvasFont& font) const override;

    // Forgets everything recorded so far.
    void Forget() { primitives.clear(); }
    // The primitives of one kind (and of the colour, if given), in the order drawn.
    std::vector<CanvasPrimitive> OfKind(Kind kind, std::optional<Rgb> colour = {}) const;
    // Every text drawn, in order.
    std::vector<std::string> Texts() const;
    // The last text primitive with exactly this text, or null.
    const CanvasPrimitive* FindText(const std::string& text) const;

    std::vector<CanvasPrimitive> primitives;

private:
    void Add(Kind kind, std::vector<CanvasPoint> points, Rgb colour, double width = 0)
    {
        primitives.push_back({kind, std::move(points), colour, width, 0, 0, 0, {}, {}});
    }
    double unitsPerPoint_;
};

}  // namespace stelvane
