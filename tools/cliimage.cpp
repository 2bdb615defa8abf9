#include "tools/cliimage.h"

#include <ostream>

#include "render/plotdrawing.h"
#include "render/screenstyle.h"

namespace stelvane {

namespace {

// Twips in one pixel on the 96-dots-per-inch screen an image stands for.
constexpr double kTwipsPerPixel = 15;

}  // namespace

bool WriteCliImage(const CliOptions& o, DesignSession& session, ImageWriter* images, std::ostream& err)
{
    if (!o.image) return true;
    if (images == nullptr) {
        err << "stelvane-cli: --image needs a stelvane-cli built with the windows (Qt); this one draws no images\n";
        return false;
    }
    const auto size = o.imageSize ? ImageSizeOf(*o.imageSize) : std::pair{kCliImageWidth, kCliImageHeight};
    const auto [width, height] = size.value_or(std::pair{kCliImageWidth, kCliImageHeight});
    session.PreparePlot();
    ScreenPlotContext ctx;
    ctx.shown.phase = ctx.shown.delay = true;
    ctx.screenWidthTwips = width * kTwipsPerPixel;
    ctx.font = CanvasFont{kControlFace, kFontOrdinary * height * kTwipsPerPixel, false};
    ctx.background = kWindowBackground;
    ctx.readoutOff = true;  // no pointer to read out on paper or in a file
    const DesignState& s = session.Record();
    const std::string failure = images->WriteImage(*o.image, WholeWindowImage(width, height, kWindowBackground),
        [&](Canvas& canvas) { RedrawPlot(canvas, s, ctx); });
    if (failure.empty()) return true;
    err << "stelvane-cli: " << failure << ": " << Quoted(*o.image) << '\n';
    return false;
}

}  // namespace stelvane
