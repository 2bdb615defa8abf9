#include "tests/support/recordingcanvas.h"

#include <algorithm>

namespace stelvane {

TextExtent RecordingCanvas::MeasureText(const std::string& text, const CanvasFont& font) const
{
    // Counts characters, not bytes, so that a UTF-8 text is measured like its glyphs.
    const auto characters = std::count_if(text.begin(), text.end(), [](unsigned char c) { return (c & 0xC0) != 0x80; });
    const double pointUnits = font.points * unitsPerPoint_;
    return {0.5 * pointUnits * double(characters), 1.2 * pointUnits};
}

std::vector<CanvasPrimitive> RecordingCanvas::OfKind(Kind kind, std::optional<Rgb> colour) const
{
    std::vector<CanvasPrimitive> found;
    for (const CanvasPrimitive& p : primitives)
        if (p.kind == kind && (!colour || p.colour == *colour)) found.push_back(p);
    return found;
}

std::vector<std::string> RecordingCanvas::Texts() const
{
    std::vector<std::string> texts;
    for (const CanvasPrimitive& p : OfKind(Kind::Text)) texts.push_back(p.text);
    return texts;
}

const CanvasPrimitive* RecordingCanvas::FindText(const std::string& text) const
{
    const auto found = std::find_if(primitives.rbegin(), primitives.rend(),
        [&](const CanvasPrimitive& p) { return p.kind == Kind::Text && p.text == text; });
    return found == primitives.rend() ? nullptr : &*found;
}

}  // namespace stelvane
