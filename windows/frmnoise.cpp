#include "windows/frmnoise.h"

#include <QPushButton>

#include "engine/noise.h"
#include "platform/qt/windowservices.h"
#include "render/noisedrawing.h"
#include "windows/layout.h"

namespace stelvane {

frmNoise::frmNoise(Navigator& navigator) : FormWindow(navigator, WindowKind::Noise)
{
    cmdExit = new QPushButton("Return", this);
    cmdExit->setObjectName("cmdExit");
    connect(cmdExit, &QPushButton::clicked, this, [this] { Nav().Close(WindowKind::Noise); });
}

void frmNoise::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::Noise);
    Place(*cmdExit, layout, 300, 600, 1000, 300);
    font_ = CanvasFont{kControlFace, layout.FontPoints(kFontOrdinary), false};
    Redraw();
}

void frmNoise::Redraw()
{
    canvas().Clear(BackgroundColour(WindowKind::Noise));
    DrawNoiseTable(canvas(), Record(), View().parts, ComputeNoise(Record(), View().parts), font_);
}

void frmNoise::DesignChanged() { Redraw(); }

}  // namespace stelvane
