#include "windows/saveimage.h"

#include "platform/qt/qtimagewriter.h"

namespace stelvane {

std::string ImageFileName(const std::string& chosen) { return ImageFormatOf(chosen) ? chosen : chosen + ".png"; }

bool SaveWindowImage(const CanvasWidget& window, Platform& platform, const std::string& proposedName)
{
    const std::optional<std::string> chosen =
        platform.SaveFileDialog({kSaveImageCaption, kSaveImageFilter, proposedName, true});
    if (!chosen || chosen->empty()) return false;
    QtImageWriter writer;
    const std::string failure = writer.WriteImage(
        ImageFileName(*chosen), window.DrawingImageRequest(), [&](Canvas& canvas) { window.Replay(canvas); });
    if (failure.empty()) return true;
    platform.ShowMessage(failure, kSaveImageCaption, MessageIcon::Exclamation);
    return false;
}

}  // namespace stelvane
