#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/recordingcanvas.h"
#include "tests/support/recordingnotifier.h"

namespace stelvane {

// Test double for the whole platform: a fixed screen, file dialogs answered
// from a script in order, and a record of every request, message box,
// question, print job and window drawing.
class ScriptedPlatform : public Platform {
public:
    using Message = RecordingNotifier::Message;
    struct PrintedJob {
        PrintRequest request;
        std::unique_ptr<RecordingCanvas> page;                    // what was drawn on the page
        bool ended = false;                                       // End was called (the page was "printed")
        std::vector<std::unique_ptr<RecordingCanvas>> morePages;  // the pages after the first, in order
    };
    // 800 x 600 pixels at 15 twips per pixel unless told otherwise.
    explicit ScriptedPlatform(ScreenMetrics screen = ScreenMetrics{});

    // Script: the next file dialog returns this path / is cancelled.
    void AnswerFileDialog(const std::string& path) { dialogAnswers.push_back(path); }
    void CancelFileDialog() { dialogAnswers.push_back(std::nullopt); }
    // Script: the next print dialog is cancelled (kPrintCancelledText).
    void CancelPrintDialog() { ++printCancels; }

    ScreenMetrics Screen() const override { return screen; }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override { return Answer(request); }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override { return Answer(request); }
    PrintStart BeginPrintJob(const PrintRequest& request) override;
    void ShowMessage(const std::string& text, const std::string& caption = kProgramCaption,
        MessageIcon icon = MessageIcon::None) override;
    void Beep() override {}
    // Recorded in `questions` and answered No.
    bool AskYesNo(const std::string& text, const std::string& = kProgramCaption) override
    {
        questions.push_back(text);
        return false;
    }

    // The recorder of a window's drawing (created empty on first use).
    RecordingCanvas& Drawing(const std::string& windowName);

    ScreenMetrics screen;
    // Answers still to be given; a dialog asked for with none left counts as cancelled.
    std::deque<std::optional<std::string>> dialogAnswers;
    int printCancels = 0;  // print dialogs still to be cancelled; the others go ahead
    std::vector<std::string> questions;

    std::vector<FileDialogRequest> dialogs;  // every file dialog asked for
    std::vector<Message> messages;
    std::vector<PrintedJob> printJobs;  // jobs begun, ended or not
    std::map<std::string, std::unique_ptr<RecordingCanvas>> drawings;
    // Called at every message box as it is shown (e.g. to see what was drawn by then).
    std::function<void(const Message&)> onMessage;

private:
    std::optional<std::string> Answer(const FileDialogRequest& request);
};

}  // namespace stelvane
