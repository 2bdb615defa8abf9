#pragma once

#include <string>

#include "engine/designstate.h"
#include "platform/canvas.h"
#include "render/plotdrawing.h"

namespace stelvane {

// Printed colours that differ from the screen's.
inline constexpr Rgb kPrintFrameFill{240, 255, 255};
inline constexpr Rgb kPrintDelayCurveColour{102, 17, 17};

// A page being printed with the printer's state between the steps: the text
// colour and font size in effect, and where the next line of text goes
// (each line printed moves it to the start of the next).
struct PrintedPage {
    explicit PrintedPage(Canvas& page, double screenWidthTwips = 12000)
        : canvas(page), screenWidthTwips(screenWidthTwips)
    {}

    Canvas& canvas;
    double screenWidthTwips;  // Sw: the delay labels use the screen's width estimate
    Rgb textColour = kBlack;  // every printout starts in black
    double fontPoints = 8;
    CanvasPoint textAt{0, 0};

    CanvasFont Font() const;
    // Prints one line of text at the text position and moves it down a line.
    void PrintLine(const std::string& text);
};

// The whole printed page: the gain plot, the delay plot when the delay is
// shown, the frame drawn again over both, and the design summary.
void DrawPrintedPage(PrintedPage& page, const DesignState& s, const PlotCurvesShown& shown);

// Frame, horizontal grid, gain axis, frequency grid and gain curve.
void PrintGainPlot(PrintedPage& page, const DesignState& s);
// Delay axis and curve, scaled by a DelayTop of at least 1e-9.
void PrintDelayPlot(PrintedPage& page, const DesignState& s);
// The design summary below the plot, in the text colour the plot left.
void PrintDesignSummary(PrintedPage& page, const DesignState& s);

}  // namespace stelvane
