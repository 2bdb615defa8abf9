#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace stelvane {

// A colour given by its red, green and blue parts, 0..255 each.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

// A position in layout units: x grows to the right, y grows downward.
struct CanvasPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const CanvasPoint&, const CanvasPoint&) = default;
};

// Text face, size in points and weight. Sizes are physical points, so a
// window's Sh x factor sizes come out the same as its controls' fonts.
struct CanvasFont {
    std::string face = "Arial";
    double points = 8;
    bool bold = false;
    friend bool operator==(const CanvasFont&, const CanvasFont&) = default;
};

// Width and height of a text in layout units.
struct TextExtent {
    double width = 0;
    double height = 0;
};

// A drawing surface addressed in layout units. What is drawn stays until
// something is drawn over it: there is no repaint step. Line widths count
// device pixels on the screen and printer dots on paper. The same interface
// is implemented by a window's backing image, a printer page and a recorder
// for tests, so the screen and the printout share one drawing path.
class Canvas {
public:
    virtual ~Canvas() = default;

    // Fills the whole surface with the colour, which becomes its background.
    virtual void Clear(Rgb background) = 0;
    // A straight line between two points, ends included.
    virtual void Line(CanvasPoint from, CanvasPoint to, Rgb colour, double width = 1) = 0;
    // Connected lines through the points in order.
    virtual void Polyline(const std::vector<CanvasPoint>& points, Rgb colour, double width = 1) = 0;
    // A filled rectangle with two opposite corners given, edges included; no outline.
    virtual void FillBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour) = 0;
    // The area inside the points taken in order and back to the first; no outline.
    virtual void FillPolygon(const std::vector<CanvasPoint>& points, Rgb colour) = 0;
    // The outline of a rectangle with two opposite corners given.
    virtual void OutlineBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour, double width = 1) = 0;
    // A single point, as big as the line width.
    virtual void Dot(CanvasPoint at, Rgb colour, double width = 1) = 0;
    // A circular arc: radius in horizontal layout units, drawn round on the
    // device; angles in radians counter-clockwise from the positive x axis as
    // seen on the screen, from startAngle to endAngle.
    virtual void Arc(
        CanvasPoint centre, double radius, double startAngle, double endAngle, Rgb colour, double width = 1) = 0;
    // Glyphs only, no background box, with the text's top-left corner at the point.
    virtual void Text(CanvasPoint topLeft, const std::string& text, Rgb colour, const CanvasFont& font) = 0;
    // The size the text would take, in layout units (the height is one line).
    virtual TextExtent MeasureText(const std::string& text, const CanvasFont& font) const = 0;
};

}  // namespace stelvane
