#pragma once

#include "platform/imagewriter.h"

namespace stelvane {

// Image files through Qt: a PNG painted on a QImage, an SVG through Qt SVG's
// generator, both with the painter canvas the screen draws with. Where no Qt
// application runs yet (the command line) it starts one without a screen.
// This header names no Qt type, so the command line can hold one.
class QtImageWriter : public ImageWriter {
public:
    std::string WriteImage(const std::string& fileName, const ImageRequest& request, const Picture& picture) override;
};

}  // namespace stelvane
