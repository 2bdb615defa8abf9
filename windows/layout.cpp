#include "windows/layout.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <QFont>
#include <QPalette>
#include <QWidget>

#include "platform/qt/canvaswidget.h"

namespace stelvane {

namespace {

// The height of an option inside a frame, as a fraction of the screen height.
constexpr double kFrameOptionHeight = 0.035;
// The left edge of an option inside a frame, in twips.
constexpr double kFrameOptionLeft = 120;

// A screen measure that is zero, negative or not a number would make every
// unit infinite; fall back to the 800 x 600 screen the layout was made for.
ScreenMetrics Sane(const ScreenMetrics& s)
{
    auto good = [](double v) { return std::isfinite(v) && v > 0; };
    ScreenMetrics out = s;
    if (!good(out.twipsPerPixelX)) {
        out.twipsPerPixelX = 15;
    }
    if (!good(out.twipsPerPixelY)) {
        out.twipsPerPixelY = 15;
    }
    if (!good(out.widthTwips)) {
        out.widthTwips = kDesignScreenWidthTwips;
    }
    if (!good(out.heightTwips)) {
        out.heightTwips = kDesignScreenHeightTwips;
    }
    return out;
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

TwipSize CreationSizeTwips(WindowKind kind)
{
    switch (kind) {
    case WindowKind::Design:
    case WindowKind::Tabulated:
    case WindowKind::WriteFiles: return {11760, 8415};
    case WindowKind::Opening:
    case WindowKind::Plot:
    case WindowKind::Schematic:
    case WindowKind::Poles:
    case WindowKind::Headroom:
    case WindowKind::Noise:
    case WindowKind::Time:
    case WindowKind::OpampTest:
    case WindowKind::Requirement: return {11880, 8490};
    case WindowKind::About: return {6855, 5415};
    }
    return {11760, 8415};
}

Rgb BackgroundColour(WindowKind kind)
{
    switch (kind) {
    case WindowKind::Poles: return kPolesBackground;
    case WindowKind::About: return kAboutBackground;
    default: return kWindowBackground;
    }
}

bool ShownMaximized(WindowKind kind) { return kind != WindowKind::About; }

Layout::Layout(const ScreenMetrics& screen, TwipSize creationSize) : screen_(Sane(screen)), creation_(creationSize)
{
    // The creation width counts 12000 x 12000 / Sw units, so one unit is
    // W0 x Sw / 12000^2 twips; likewise vertically with 9000.
    unitTwipsX_ = creation_.width * screen_.widthTwips / (kDesignScreenWidthTwips * kDesignScreenWidthTwips);
    unitTwipsY_ = creation_.height * screen_.heightTwips / (kDesignScreenHeightTwips * kDesignScreenHeightTwips);
    if (!(std::isfinite(unitTwipsX_) && unitTwipsX_ > 0)) {
        unitTwipsX_ = 1;
    }
    if (!(std::isfinite(unitTwipsY_) && unitTwipsY_ > 0)) {
        unitTwipsY_ = 1;
    }
}

namespace {

// The About window keeps its size in twips while the unit grows with the
// screen, so on a screen wider than about 1370 or taller than 800 pixels its
// Return button would lie beyond its edges. It is laid out as on the largest
// screen on which its content (up to 6800 x 6550 units) fits with a margin of
// 200 units, its fonts with it.
constexpr double kAboutContentWidthUnits = 7000;
constexpr double kAboutContentHeightUnits = 6750;

ScreenMetrics ScreenFor(const ScreenMetrics& screen, WindowKind kind)
{
    if (kind != WindowKind::About) return screen;
    ScreenMetrics fitted = screen;
    fitted.widthTwips =
        std::min(screen.widthTwips, kDesignScreenWidthTwips * kDesignScreenWidthTwips / kAboutContentWidthUnits);
    fitted.heightTwips =
        std::min(screen.heightTwips, kDesignScreenHeightTwips * kDesignScreenHeightTwips / kAboutContentHeightUnits);
    return fitted;
}

}  // namespace

Layout::Layout(const ScreenMetrics& screen, WindowKind kind) : Layout(ScreenFor(screen, kind), CreationSizeTwips(kind))
{}

PixelRect Layout::Rect(double left, double top, double width, double height) const
{
    const int x0 = Round(ToPixelsX(left));
    const int y0 = Round(ToPixelsY(top));
    const int x1 = Round(ToPixelsX(left + width));
    const int y1 = Round(ToPixelsY(top + height));
    return {x0, y0, x1 - x0, y1 - y0};
}

PixelRect Layout::FrameOptionRect(double topFactor, double widthFactor) const
{
    const double tx = screen_.twipsPerPixelX;
    const double ty = screen_.twipsPerPixelY;
    const double top = screen_.heightTwips * topFactor;
    const double width = screen_.widthTwips * widthFactor;
    const double height = screen_.heightTwips * kFrameOptionHeight;
    const int x0 = Round(kFrameOptionLeft / tx);
    const int y0 = Round(top / ty);
    return {x0, y0, Round((kFrameOptionLeft + width) / tx) - x0, Round((top + height) / ty) - y0};
}

int Layout::CreationWidthPixels() const { return Round(creation_.width / screen_.twipsPerPixelX); }
int Layout::CreationHeightPixels() const { return Round(creation_.height / screen_.twipsPerPixelY); }

const BarButton* FindBarButton(const char* name)
{
    for (const auto& b : kButtonBar) {
        if (std::strcmp(b.name, name) == 0) {
            return &b;
        }
    }
    return nullptr;
}

Layout SetUpWindow(CanvasWidget& window, Platform& platform, WindowKind kind)
{
    const Layout layout(platform.Screen(), kind);
    window.resize(layout.CreationWidthPixels(), layout.CreationHeightPixels());
    window.SetScale(layout.PixelsPerUnitX(), layout.PixelsPerUnitY());
    SetFont(window, layout, kFontOrdinary);
    window.SetBackground(BackgroundColour(kind));
    return layout;
}

void SetFont(QWidget& control, const Layout& layout, double factor, bool bold, const char* face)
{
    QFont font(QString::fromUtf8(face));
    const double points = layout.FontPoints(factor);
    font.setPointSizeF(std::isfinite(points) && points > 1 ? points : 1);
    font.setBold(bold);
    control.setFont(font);
}

void Place(
    QWidget& control, const Layout& layout, double left, double top, double width, double height, double fontFactor)
{
    const PixelRect r = layout.Rect(left, top, width, height);
    control.setGeometry(r.left, r.top, r.width, r.height);
    SetFont(control, layout, fontFactor, control.font().bold());
}

void PlaceInFrame(QWidget& option, const Layout& layout, double topFactor, double widthFactor, double fontFactor)
{
    const PixelRect r = layout.FrameOptionRect(topFactor, widthFactor);
    option.setGeometry(r.left, r.top, r.width, r.height);
    SetFont(option, layout, fontFactor, option.font().bold());
}

void SetBackgroundColour(QWidget& control, Rgb colour)
{
    QPalette p = control.palette();
    const QColor c(colour.r, colour.g, colour.b);
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Button, c);
    p.setColor(QPalette::Base, c);
    control.setPalette(p);
    control.setAutoFillBackground(true);
}

void MakeTransparent(QWidget& control)
{
    control.setAutoFillBackground(false);
    control.setAttribute(Qt::WA_TranslucentBackground, true);
}

}  // namespace stelvane
