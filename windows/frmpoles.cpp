#include "windows/frmpoles.h"

#include <QPushButton>

#include "platform/qt/windowservices.h"
#include "windows/layout.h"
#include "windows/saveimage.h"

namespace stelvane {

frmPoles::frmPoles(Navigator& navigator) : FormWindow(navigator, WindowKind::Poles)
{
    cmdGrid = new QPushButton("Grid", this);
    cmdGrid->setObjectName("cmdGrid");
    cmdExit = new QPushButton("Return", this);
    cmdExit->setObjectName("cmdExit");
    connect(cmdGrid, &QPushButton::clicked, this, [this] { GridClicked(); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { Nav().Close(WindowKind::Poles); });
    cmdSaveImage = new QPushButton(kSaveImageCaption, this);
    cmdSaveImage->setObjectName("cmdSaveImage");
    connect(cmdSaveImage, &QPushButton::clicked, this, [this] { SaveWindowImage(*this, GetPlatform(), "poles.png"); });
}

void frmPoles::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::Poles);
    Place(*cmdGrid, layout, 300, 1900, 1000, 300);
    Place(*cmdExit, layout, 300, 1500, 1000, 300);
    Place(*cmdSaveImage, layout, 300, 2300, 1000, 300);  // below "Grid"
    font_ = CanvasFont{kControlFace, layout.FontPoints(kFontOrdinary), false};

    S = PolesPlotRadius(Record());
    GridState = 0;
    DrawPolesPicture(canvas(), Record(), S, false, font_);
}

void frmPoles::Shown()
{
    // The list of pole values lies beyond the creation size's width.
    ShowMaximized(*this);
}

void frmPoles::Redraw()
{
    canvas().Clear(BackgroundColour(WindowKind::Poles));
    DrawPolesPicture(canvas(), Record(), S, GridState == 1, font_);
}

void frmPoles::DesignChanged()
{
    S = PolesPlotRadius(Record());
    Redraw();
}

void frmPoles::GridClicked()
{
    GridState = GridState == 0 ? 1 : 0;
    Redraw();
}

}  // namespace stelvane
