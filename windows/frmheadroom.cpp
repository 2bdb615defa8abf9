#include "windows/frmheadroom.h"

#include <QPushButton>

#include "render/headroomdrawing.h"
#include "windows/layout.h"

namespace stelvane {

frmHeadroom::frmHeadroom(Navigator& navigator) : FormWindow(navigator, WindowKind::Headroom)
{
    cmdReturn = new QPushButton("Return", this);
    cmdReturn->setObjectName("cmdReturn");
    connect(cmdReturn, &QPushButton::clicked, this, [this] { Nav().Close(WindowKind::Headroom); });
}

void frmHeadroom::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::Headroom);
    // Right of the table, whose width is fixed and whose length grows with the stages.
    Place(*cmdReturn, layout, 9000, 800, 1000, 300);
    font_ = CanvasFont{kControlFace, layout.FontPoints(kFontOrdinary), false};
    Redraw();
}

void frmHeadroom::Redraw()
{
    canvas().Clear(BackgroundColour(WindowKind::Headroom));
    DrawHeadroomTable(canvas(), Record(), font_);
}

}  // namespace stelvane
