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

namespace stelvane {

// Test double for the whole platform: a fixed screen, file dialogs answered
// from a script in order, and a record of every request, message box, beep,
// print job and window drawing.
class ScriptedPlatform : public Platform {
public:
    enum class DialogKind { Open, Save };
    struct DialogCall {
        DialogKind kind;
        FileDialogRequest request;
        std::optional<std::string> answer;  // what the script gave back
    };
    struct Message {
        std::string text;
        std::string caption;
        MessageIcon icon;
    };
    struct PrintedJob {
        PrintRequest request;
        std::unique_ptr<RecordingCanvas> page;  // what was drawn on the page
        bool ended = false;                     // End was called (the page was "printed")
    };
    // How the next print dialog is answered: go ahead, or fail with a text.
    struct PrintAnswer {
        bool proceed = true;
        std::string failure;           // used when proceed is false
        std::string endFailure;        // what End reports; empty for success
    };

    // 800 x 600 pixels at 15 twips per pixel unless told otherwise.
    explicit ScriptedPlatform(ScreenMetrics screen = ScreenMetrics{});

    // Script: the next file dialog returns this path / is cancelled.
    void AnswerFileDialog(const std::string& path) { dialogAnswers.push_back(path); }
    void CancelFileDialog() { dialogAnswers.push_back(std::nullopt); }
    // Script: the next print dialog is cancelled (kPrintCancelledText) or fails.
    void CancelPrintDialog() { printAnswers.push_back({false, kPrintCancelledText, {}}); }

    ScreenMetrics Screen() const override { return screen; }
    std::optional<std::string> OpenFileDialog(const FileDialogRequest& request) override
    {
        return Answer(DialogKind::Open, request);
    }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override
    {
        return Answer(DialogKind::Save, request);
    }
    PrintStart BeginPrintJob(const PrintRequest& request) override;
    void ShowMessage(const std::string& text, const std::string& caption = kProgramCaption,
                     MessageIcon icon = MessageIcon::None) override;
    void Beep() override;
    // Recorded in `questions`; answered from `yesNoAnswers` in order, No when none is left.
    bool AskYesNo(const std::string& text, const std::string& = kProgramCaption) override
    {
        questions.push_back(text);
        const bool yes = !yesNoAnswers.empty() && yesNoAnswers.front();
        if (!yesNoAnswers.empty()) yesNoAnswers.pop_front();
        return yes;
    }

    // The recorder of a window's drawing (created empty on first use).
    RecordingCanvas& Drawing(const std::string& windowName);

    ScreenMetrics screen;
    // Answers still to be given; a dialog asked for with none left counts as cancelled.
    std::deque<std::optional<std::string>> dialogAnswers;
    std::deque<PrintAnswer> printAnswers;  // none left: the job goes ahead

    std::deque<bool> yesNoAnswers;
    std::vector<std::string> questions;

    std::vector<DialogCall> dialogs;
    std::vector<Message> messages;
    int beeps = 0;
    std::vector<PrintedJob> printJobs;      // jobs begun, ended or not
    std::map<std::string, std::unique_ptr<RecordingCanvas>> drawings;
    // Called at every message box as it is shown (e.g. to see what was drawn by then).
    std::function<void(const Message&)> onMessage;

private:
    std::optional<std::string> Answer(DialogKind kind, const FileDialogRequest& request);
};

} // namespace stelvane
