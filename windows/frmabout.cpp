#include "windows/frmabout.h"

#include <QLabel>
#include <QPushButton>

#include <cmath>

#include "windows/layout.h"

namespace stelvane {

std::string AboutText()
{
    constexpr const char* kLineEnd = "\r\n";
    std::string text;
    // "welome" is the window's own text, kept as users know it; do not mend it
    for (const char* line : {"QUIBEX 2.03 by Tom Brellin", "of Brellin Software", "",
             "Feedback and suggestions are welome.", "Enjoy your filters!  -- Tom"})
        text += std::string(line) + kLineEnd;
    return text + kLineEnd;
}

frmAbout::frmAbout(Navigator& navigator) : FormWindow(navigator, WindowKind::About)
{
    Label2 = new QLabel(this);
    Label2->setObjectName("Label2");
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    MakeTransparent(*Label2);
    cmdReturn = new QPushButton("Return", this);
    cmdReturn->setObjectName("cmdReturn");
    connect(cmdReturn, &QPushButton::clicked, this, [this] { Nav().GoTo(WindowKind::Design, WindowKind::About); });
}

void frmAbout::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::About);
    Place(*cmdReturn, layout, 4800, 6100, 2000, 450);
    SetBackgroundColour(*cmdReturn, kOwnButtonColour);

    // The text's place is fixed in twips; the layout unit does not move it.
    const ScreenMetrics& screen = layout.Screen();
    auto px = [](double twips, double twipsPerPixel) { return int(std::lround(twips / twipsPerPixel)); };
    Label2->setGeometry(px(360, screen.twipsPerPixelX), px(1203, screen.twipsPerPixelY),
        px(6135, screen.twipsPerPixelX), px(2306, screen.twipsPerPixelY));
    QString text;
    text.append(QString::fromStdString(AboutText()));
    // A label breaks lines at LF; the CR before each would show as a blank.
    Label2->setText(text.remove('\r'));
}

}  // namespace stelvane
