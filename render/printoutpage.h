#pragma once

#include <string>

#include "engine/designstate.h"
#include "platform/canvas.h"

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
    {
    }

    Canvas& canvas;
    double screenWidthTwips;   // Sw: the delay labels use the screen's width estimate
    Rgb textColour = kBlack;   // every printout starts in black
    double fontPoints = 8;
    CanvasPoint textAt{0, 0};

    CanvasFont Font() const;
    // Prints one line of text at the text position and moves it down a line.
    void PrintLine(const std::string& text);
};

// The whole printed page: the gain plot, the delay plot when the delay is
// shown, the frame drawn again over both, and the design summary. Writes
// GridPos and raises DelayTop as the two plots do.
void DrawPrintedPage(PrintedPage& page, DesignState& s);

// Frame, horizontal grid, gain axis, frequency grid and gain curve. Writes GridPos.
void PrintGainPlot(PrintedPage& page, DesignState& s);
// Delay axis and curve when ShowDelay is not 0; raises DelayTop to 1e-9 first.
void PrintDelayPlot(PrintedPage& page, DesignState& s);
// The design summary below the plot, in the text colour the plot left.
void PrintDesignSummary(PrintedPage& page, const DesignState& s);

} // namespace stelvane
