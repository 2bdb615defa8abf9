#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/canvas.h"

namespace stelvane {

// The picture formats an image file can take, chosen by its name's ending.
enum class ImageFormat { Png, Svg };
// ".png" or ".svg" in any case; nothing for any other name.
std::optional<ImageFormat> ImageFormatOf(std::string_view fileName);

// What an image file holds: a picture of width x height pixels, layout units
// drawn at the given scale, text at the given pixels per point.
struct ImageRequest {
    int widthPixels = 800;
    int heightPixels = 600;
    double pixelsPerUnitX = 800.0 / 12000.0;
    double pixelsPerUnitY = 600.0 / 9000.0;
    double pixelsPerPoint = 96.0 / 72.0;
    Rgb background{255, 255, 255};
};
// The image size a picture of layout units gets when it fills the pixels:
// 12000 x 9000 units, as every window is laid out.
ImageRequest WholeWindowImage(int widthPixels, int heightPixels, Rgb background);

// The largest side an image may have: a typed size beyond it would ask for
// gigabytes.
inline constexpr int kLargestImageSide = 10000;
inline constexpr int kSmallestImageSide = 16;

// Draws a picture on the canvas the writer gives it.
using Picture = std::function<void(Canvas&)>;

// Writes pictures into PNG or SVG files through the same canvas interface as
// the screen; the command line gets one only where it was built with Qt.
class ImageWriter {
public:
    virtual ~ImageWriter() = default;
    // Draws the picture on a cleared image and writes it; the format follows
    // the name. Empty on success, else what went wrong (the file is then not
    // left half written).
    virtual std::string WriteImage(
        const std::string& fileName, const ImageRequest& request, const Picture& picture) = 0;
};

}  // namespace stelvane
