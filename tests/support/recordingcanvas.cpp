#include "tests/support/recordingcanvas.h"

#include <algorithm>
#include <iterator>

namespace stelvane {

namespace {

// Counts characters, not bytes, so that a UTF-8 text is measured like its glyphs.
std::size_t CharacterCount(const std::string& text)
{
    const auto count = std::count_if(text.begin(), text.end(), [](unsigned char c) { return (c & 0xC0) != 0x80; });
    return static_cast<std::size_t>(count);
}

}  // namespace

RecordingCanvas::RecordingCanvas(double unitsPerPoint) : unitsPerPoint_(unitsPerPoint) {}

void RecordingCanvas::Clear(Rgb background)
{
    primitives.push_back({CanvasPrimitive::Kind::Clear, {}, background, 0, 0, 0, 0, {}, {}});
}

void RecordingCanvas::Line(CanvasPoint from, CanvasPoint to, Rgb colour, double width)
{
    primitives.push_back({CanvasPrimitive::Kind::Line, {from, to}, colour, width, 0, 0, 0, {}, {}});
}

void RecordingCanvas::Polyline(const std::vector<CanvasPoint>& points, Rgb colour, double width)
{
    primitives.push_back({CanvasPrimitive::Kind::Polyline, points, colour, width, 0, 0, 0, {}, {}});
}

void RecordingCanvas::FillBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour)
{
    primitives.push_back({CanvasPrimitive::Kind::FillBox, {corner1, corner2}, colour, 0, 0, 0, 0, {}, {}});
}

void RecordingCanvas::FillPolygon(const std::vector<CanvasPoint>& points, Rgb colour)
{
    primitives.push_back({CanvasPrimitive::Kind::FillPolygon, points, colour, 0, 0, 0, 0, {}, {}});
}

void RecordingCanvas::OutlineBox(CanvasPoint corner1, CanvasPoint corner2, Rgb colour, double width)
{
    primitives.push_back({CanvasPrimitive::Kind::OutlineBox, {corner1, corner2}, colour, width, 0, 0, 0, {}, {}});
}

void RecordingCanvas::Dot(CanvasPoint at, Rgb colour, double width)
{
    primitives.push_back({CanvasPrimitive::Kind::Dot, {at}, colour, width, 0, 0, 0, {}, {}});
}

void RecordingCanvas::Arc(
    CanvasPoint centre, double radius, double startAngle, double endAngle, Rgb colour, double width)
{
    primitives.push_back({CanvasPrimitive::Kind::Arc, {centre}, colour, width, radius, startAngle, endAngle, {}, {}});
}

void RecordingCanvas::Text(CanvasPoint topLeft, const std::string& text, Rgb colour, const CanvasFont& font)
{
    primitives.push_back({CanvasPrimitive::Kind::Text, {topLeft}, colour, 0, 0, 0, 0, text, font});
}

TextExtent RecordingCanvas::MeasureText(const std::string& text, const CanvasFont& font) const
{
    const double pointUnits = font.points * unitsPerPoint_;
    return {0.5 * pointUnits * static_cast<double>(CharacterCount(text)), 1.2 * pointUnits};
}

std::vector<CanvasPrimitive> RecordingCanvas::OfKind(CanvasPrimitive::Kind kind, std::optional<Rgb> colour) const
{
    std::vector<CanvasPrimitive> found;
    std::copy_if(primitives.begin(), primitives.end(), std::back_inserter(found),
        [&](const CanvasPrimitive& p) { return p.kind == kind && (!colour || p.colour == *colour); });
    return found;
}

std::vector<std::string> RecordingCanvas::Texts() const
{
    std::vector<std::string> texts;
    for (const CanvasPrimitive& p : OfKind(CanvasPrimitive::Kind::Text)) texts.push_back(p.text);
    return texts;
}

const CanvasPrimitive* RecordingCanvas::FindText(const std::string& text) const
{
    const auto found = std::find_if(primitives.rbegin(), primitives.rend(),
        [&](const CanvasPrimitive& p) { return p.kind == CanvasPrimitive::Kind::Text && p.text == text; });
    return found == primitives.rend() ? nullptr : &*found;
}

}  // namespace stelvane
