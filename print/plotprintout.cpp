#include "print/plotprintout.h"

#include <exception>
#include <utility>

namespace stelvane {

namespace {

// What the message says when the platform gives no reason of its own.
constexpr const char* kUnknownPrintFailure = "The page could not be printed.";

}  // namespace

void PrintPlot(const DesignState& s, const PlotCurvesShown& shown, Platform& platform)
{
    PrintRequest request;
    request.pageWidth = kPrintPageWidth;
    request.pageHeight = kPrintPageHeight;
    PrintStart start = platform.BeginPrintJob(request);

    std::string failure;
    if (!start.job) {
        failure = start.failure.empty() ? kUnknownPrintFailure : start.failure;
    } else {
        try {
            PrintedPage page(start.job->Page(), platform.Screen().widthTwips);
            DrawPrintedPage(page, s, shown);
            failure = start.job->End();
        } catch (const std::exception& e) {
            failure = e.what();
            if (failure.empty()) failure = kUnknownPrintFailure;
        }
    }
    if (failure.empty()) return;
    // A page that did not reach the printer is abandoned.
    start.job.reset();
    platform.ShowMessage(failure, kPrintProblemCaption);
}

}  // namespace stelvane
