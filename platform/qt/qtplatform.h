#pragma once

#include <functional>

#include <QStringList>

#include "platform/platform.h"

class QPrinter;
class QScreen;

namespace stelvane {

// The platform on a real Qt desktop: the primary screen's metrics, Qt's file
// and print dialogs, message boxes with an OK button only, the system beep.
// Dialogs are parented to the active window so they stay in front of it.
class QtPlatform : public Platform {
public:
    QtPlatform();

    ScreenMetrics Screen() const override;
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    PrintStart BeginPrintJob(const PrintRequest& request) override;
    void ShowMessage(const std::string& text, const std::string& caption = kProgramCaption,
        MessageIcon icon = MessageIcon::None) override;
    void Beep() override;
    bool AskYesNo(const std::string& text, const std::string& caption = kProgramCaption) override;

    // Replaces the print dialog (tests: choose a PDF file without a dialog).
    // It gets the printer to set up and returns false for a cancel.
    void SetPrintDialog(std::function<bool(QPrinter&)> dialog);

private:
    std::function<bool(QPrinter&)> printDialog_;
};

// The screen size in twips: pixels x 1440 / logical dots per inch.
ScreenMetrics MetricsOf(const QScreen& screen);
// A bar-separated filter list ("QUIBEX files (*.QBX)|*.QBX") in Qt's form
// ("QUIBEX files (*.QBX)"), one entry per description and pattern pair.
QStringList QtFileFilters(const std::string& barFilter);

}  // namespace stelvane
