#include "windows/frmopening.h"

#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include <memory>

#include "engine/standardvalues.h"
#include "files/designfile.h"
#include "windows/layout.h"
#include "render/symbols.h"

namespace stelvane {

const char* const kMakerLine = "from Brellin Software:     www.brellin-software.example";
const char* const kNoticeLine = "Free to use and to pass on; it comes without any warranty.";

namespace {

constexpr Rgb kTitleColour{0, 0, 192};
constexpr Rgb kBandEdge{17, 170, 170};
constexpr double kTitleFont = 0.0035;
constexpr double kSubtitleFont = 0.0015;
constexpr double kStartFont = 0.001;

}  // namespace

frmOpening::frmOpening(Navigator& navigator) : FormWindow(navigator, WindowKind::Opening)
{
    auto label = [this](const char* name, const char* text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignCenter);
        MakeTransparent(*l);
        QPalette palette = l->palette();
        palette.setColor(QPalette::WindowText, QColor(kTitleColour.r, kTitleColour.g, kTitleColour.b));
        l->setPalette(palette);
        return l;
    };
    Label1 = label("Label1", "Stelvane");
    Label5 = label("Label5", "The program to design and analyze multiple-feedback bandpass filters");
    Label2 = label("Label2", "");
    Label3 = label("Label3", kMakerLine);
    Label4 = label("Label4", "");
    cmdStart = new QPushButton("Start", this);
    cmdStart->setObjectName("cmdStart");
    connect(cmdStart, &QPushButton::clicked, this, [this] { Nav().GoTo(WindowKind::Design, WindowKind::Opening); });
}

void frmOpening::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::Opening);

    // The picture band.
    canvas().FillBox({1, 500}, {12400, 3600}, kWhite);
    canvas().Line({1, 500}, {12400, 500}, kBandEdge, 2);
    canvas().Line({1, 3600}, {12400, 3600}, kBandEdge, 2);

    Place(*Label1, layout, 100, 4000, 11600, 900);
    SetFont(*Label1, layout, kTitleFont, true, "Times New Roman");
    Place(*Label5, layout, 100, 5300, 11800, 400, kSubtitleFont);
    Place(*Label2, layout, 100, 5800, 11800, 400, kFontHeading);
    Place(*Label3, layout, 100, 6200, 11800, 400, kFontHeading);
    Place(*Label4, layout, 100, 6600, 11800, 400, kFontHeading);
    Place(*cmdStart, layout, 5400, 7300, 1200, 400, kStartFont);
    SetFont(*cmdStart, layout, kStartFont, true);
    SetBackgroundColour(*cmdStart, kOwnButtonColour);

    Label2->setText(kVersionText);
    Label4->setText(kNoticeLine);

    // The picture always shows two stages of the record as it stands: it is
    // drawn before the start-up brings the design.
    const auto picture = std::make_unique<DesignState>(Record());
    picture->Order = 2;
    DrawDemonstrationCircuit(canvas(), *picture, layout.Sh());
}

void frmOpening::Shown()
{
    Nav().StartUp([this](DesignState& s) { return ReadLastSession(s, GetPlatform()); });
}

}  // namespace stelvane
