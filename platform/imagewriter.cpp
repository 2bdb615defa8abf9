#include "platform/imagewriter.h"

#include <algorithm>
#include <cctype>

namespace stelvane {

std::optional<ImageFormat> ImageFormatOf(std::string_view fileName)
{
    auto endsWith = [&](std::string_view ending) {
        return fileName.size() > ending.size() &&
            std::equal(ending.rbegin(), ending.rend(), fileName.rbegin(),
                [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    };
    if (endsWith(".png")) return ImageFormat::Png;
    if (endsWith(".svg")) return ImageFormat::Svg;
    return std::nullopt;
}

ImageRequest WholeWindowImage(int widthPixels, int heightPixels, Rgb background)
{
    ImageRequest r;
    r.widthPixels = widthPixels;
    r.heightPixels = heightPixels;
    r.pixelsPerUnitX = widthPixels / 12000.0;
    r.pixelsPerUnitY = heightPixels / 9000.0;
    r.background = background;
    return r;
}

}  // namespace stelvane
