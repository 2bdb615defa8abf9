#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/canvas.h"
#include "platform/notifier.h"

namespace stelvane {

// The screen as the layout sees it, in twips (1/1440 inch).
struct ScreenMetrics {
    double widthTwips = 12000;   // Sw
    double heightTwips = 9000;   // Sh
    double twipsPerPixelX = 15;  // 15 at 96 dots per inch
    double twipsPerPixelY = 15;
    friend bool operator==(const ScreenMetrics&, const ScreenMetrics&) = default;
};

// What a file dialog shows. The filter lists description and pattern pairs
// separated by bars: "QUIBEX files (*.QBX)|*.QBX".
struct FileDialogRequest {
    std::string title;
    std::string filter;
    std::string proposedName;      // the name the dialog starts with; may be empty
    bool confirmOverwrite = true;  // save dialogs only: ask before replacing a file
    friend bool operator==(const FileDialogRequest&, const FileDialogRequest&) = default;
};

// A page being printed. Destroying a job that was not ended abandons it:
// nothing of it reaches the printer.
class PrintJob {
public:
    virtual ~PrintJob() = default;
    // The page, addressed in the user units asked for when the job began.
    virtual Canvas& Page() = 0;
    // Sends the page to the printer; an empty text on success, else what went wrong.
    virtual std::string End() = 0;
    // Finishes the page and goes on with a fresh one, addressed as the first;
    // an empty text on success, else what went wrong. A job that cannot
    // (a printer of one page) says so.
    virtual std::string NewPage() { return "This print job has one page only."; }
};

// How a print job is asked for: the page is addressed as width x height user
// units with the origin at the top left of the printable area.
struct PrintRequest {
    std::string documentName = "Stelvane";
    double pageWidth = 12000;
    double pageHeight = 18000;
};

// Either a job, or the reason there is none (the cancel text when the user
// cancelled the print dialog).
struct PrintStart {
    std::unique_ptr<PrintJob> job;
    std::string failure;
};

// What a cancelled print dialog reports as its failure.
constexpr const char* kPrintCancelledText = "Printing was cancelled.";

// The one narrow interface to the machine for windows and printing: screen
// size, file dialogs, message boxes and beep (from Notifier), yes-or-no
// questions, and the printer.
// Windows themselves are Qt widgets; showing, maximizing and modality are in
// platform/qt/windowservices.h because a test can observe them on the widgets.
class Platform : public Notifier {
public:
    // The screen size Sw x Sh in twips and the twips in one pixel.
    virtual ScreenMetrics Screen() const = 0;
    // An open dialog; the chosen full path, or nothing when cancelled.
    virtual std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
    // A save dialog (asking before overwriting when the request says so); the
    // chosen full path, or nothing when cancelled.
    virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
    // Shows the print dialog (which also offers printing to a PDF file) and
    // starts a job on a fresh page.
    virtual PrintStart BeginPrintJob(const PrintRequest& request) = 0;
    // A modal question with Yes and No; true for Yes. Closing it is No.
    virtual bool AskYesNo(const std::string& text, const std::string& caption = kProgramCaption) = 0;
};

}  // namespace stelvane
