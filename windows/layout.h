#pragma once

#include <array>

#include "platform/canvas.h"
#include "platform/platform.h"
#include "render/screenstyle.h"

class QWidget;

namespace stelvane {

class CanvasWidget;

// Colours shared by the windows (their background and fonts are in render/screenstyle.h).
constexpr Rgb kPolesBackground{255, 255, 255};
constexpr Rgb kAboutBackground{240, 255, 255};
constexpr Rgb kBarButtonColour{192, 255, 255};
constexpr Rgb kExitButtonColour{224, 224, 224};
constexpr Rgb kOwnButtonColour{0, 255, 255};  // the bar button of the window it is on; also Start/Return
constexpr Rgb kPanelOutline{17, 17, 17};

enum class WindowKind {
    Opening,
    Design,
    Plot,
    Schematic,
    Tabulated,
    OpampTest,
    Poles,
    WriteFiles,
    Headroom,
    About,
    Noise,
    Time,
    Requirement
};
constexpr int kWindowKinds = int(WindowKind::Requirement) + 1;

struct TwipSize {
    double width = 0;
    double height = 0;
};

// The client size a window of the kind is created at, in twips.
TwipSize CreationSizeTwips(WindowKind kind);
// The background colour of a window of the kind.
Rgb BackgroundColour(WindowKind kind);
// Whether the kind is shown maximized (every window but About).
bool ShownMaximized(WindowKind kind);

// A rectangle in whole pixels, relative to the parent widget.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The layout unit of one window, fixed when the window is created: its
// creation width counts 12000 x 12000 / Sw units and its creation height
// 9000 x 9000 / Sh units. Resizing later only shows more or fewer units.
class Layout {
public:
    Layout(const ScreenMetrics& screen, TwipSize creationSize);
    Layout(const ScreenMetrics& screen, WindowKind kind);

    double Sw() const { return screen_.widthTwips; }
    double Sh() const { return screen_.heightTwips; }
    const ScreenMetrics& Screen() const { return screen_; }
    // Size of one layout unit in twips.
    double UnitTwipsX() const { return unitTwipsX_; }
    double UnitTwipsY() const { return unitTwipsY_; }
    // Size of one layout unit in (logical) pixels.
    double PixelsPerUnitX() const { return unitTwipsX_ / screen_.twipsPerPixelX; }
    double PixelsPerUnitY() const { return unitTwipsY_ / screen_.twipsPerPixelY; }
    // Layout units to pixels and back.
    double ToPixelsX(double units) const { return units * PixelsPerUnitX(); }
    double ToPixelsY(double units) const { return units * PixelsPerUnitY(); }
    double ToUnitsX(double pixels) const { return pixels / PixelsPerUnitX(); }
    double ToUnitsY(double pixels) const { return pixels / PixelsPerUnitY(); }
    // A control's rectangle from left, top, width, height in layout units;
    // edges are rounded, so controls that touch in units touch in pixels.
    PixelRect Rect(double left, double top, double width, double height) const;
    // An option inside a frame, in twips relative to the frame: left 120,
    // top Sh x topFactor, width Sw x widthFactor, height Sh x 0.035.
    PixelRect FrameOptionRect(double topFactor, double widthFactor) const;
    // A font size in points: Sh x factor.
    double FontPoints(double factor) const { return screen_.heightTwips * factor; }
    // The creation client size in pixels.
    int CreationWidthPixels() const;
    int CreationHeightPixels() const;

private:
    ScreenMetrics screen_;
    TwipSize creation_;
    double unitTwipsX_;
    double unitTwipsY_;
};

// The button bar carried by the design, plot, schematic and tabulated windows.
struct BarButton {
    const char* name;  // object name, e.g. "cmdSave"
    const char* caption;
    double left;  // layout units; top is 0
    double width;
    bool alwaysHidden;  // cmdEdit and cmdAnalysis sit hidden under Plot and Tabulate
};
constexpr double kBarTop = 0;
constexpr double kBarHeight = 300;
inline constexpr std::array<BarButton, 12> kButtonBar{{
    {"cmdSave", "Save", 0, 700, false},
    {"cmdGet", "Get", 700, 700, false},
    {"cmdDesign", "Enter", 1400, 900, false},
    {"cmdSchematic", "Schematic", 2300, 1100, false},
    {"cmdEdit", "Edit", 3400, 600, true},
    {"cmdPlot", "Plot", 3400, 600, false},
    {"cmdAnalysis", "Analyze", 4000, 1000, true},
    {"cmdTabulate", "Tabulate", 4000, 1000, false},
    {"cmdPrint", "Print", 5000, 600, false},
    {"cmdWrite", "Write", 5600, 600, false},
    {"cmdAbout", "About", 6200, 600, false},
    {"cmdQuit", "Exit", 6800, 600, false},
}};
// The bar entry with the object name, or null.
const BarButton* FindBarButton(const char* name);

// --- Qt side: applying the layout to widgets ---

// First step of every window's load: measures the screen, fixes the layout
// unit, sizes the window to its creation size, sets the drawing scale, the
// background colour and the default font (Arial, Sh x 0.0008), and connects
// the platform's drawing recorder for the window's object name (set it first).
Layout SetUpWindow(CanvasWidget& window, Platform& platform, WindowKind kind);
// Sets a control's font: Arial (or the face given), Sh x factor points.
void SetFont(QWidget& control, const Layout& layout, double factor, bool bold = false, const char* face = kControlFace);
// Places a control at left, top, width, height in layout units and sets its
// font to Arial at Sh x fontFactor points.
void Place(QWidget& control, const Layout& layout, double left, double top, double width, double height,
    double fontFactor = kFontOrdinary);
// Places an option inside its frame (twips relative to the frame, sized from the screen).
void PlaceInFrame(
    QWidget& option, const Layout& layout, double topFactor, double widthFactor, double fontFactor = kFontOrdinary);
// Gives a control an opaque background colour (buttons, bordered labels, frames).
void SetBackgroundColour(QWidget& control, Rgb colour);
// Lets the window's drawing show through a label or frame.
void MakeTransparent(QWidget& control);

}  // namespace stelvane
