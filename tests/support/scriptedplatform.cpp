#include "tests/support/scriptedplatform.h"

namespace stelvane {

namespace {

// A print job whose page is a recording canvas kept by the platform, so the
// test can look at the page after the job is gone.
class ScriptedPrintJob : public PrintJob {
public:
    // The job last begun on the platform.
    explicit ScriptedPrintJob(ScriptedPlatform& platform) : platform_(platform), index_(platform.printJobs.size() - 1)
    {}
    Canvas& Page() override
    {
        auto& job = platform_.printJobs[index_];
        return job.morePages.empty() ? *job.page : *job.morePages.back();
    }
    std::string NewPage() override
    {
        platform_.printJobs[index_].morePages.push_back(std::make_unique<RecordingCanvas>(20.0));
        return {};
    }
    std::string End() override
    {
        platform_.printJobs[index_].ended = true;
        return {};
    }

private:
    ScriptedPlatform& platform_;
    std::size_t index_;
};

}  // namespace

ScriptedPlatform::ScriptedPlatform(ScreenMetrics screenMetrics) : screen(screenMetrics) {}

std::optional<std::string> ScriptedPlatform::Answer(const FileDialogRequest& request)
{
    // A dialog the script did not foresee is cancelled.
    std::optional<std::string> answer;
    if (!dialogAnswers.empty()) {
        answer = dialogAnswers.front();
        dialogAnswers.pop_front();
    }
    dialogs.push_back(request);
    return answer;
}

PrintStart ScriptedPlatform::BeginPrintJob(const PrintRequest& request)
{
    if (printCancels > 0) {
        --printCancels;
        return {nullptr, kPrintCancelledText};
    }
    // A page of the requested size counts one unit per twip: 12000 units
    // across a sheet about 8.3 inches wide.
    printJobs.push_back({request, std::make_unique<RecordingCanvas>(20.0), false, {}});
    return {std::make_unique<ScriptedPrintJob>(*this), {}};
}

RecordingCanvas& ScriptedPlatform::Drawing(const std::string& windowName)
{
    auto& slot = drawings[windowName];
    if (!slot) slot = std::make_unique<RecordingCanvas>();
    return *slot;
}

void ScriptedPlatform::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon)
{
    messages.push_back({text, caption, icon});
    if (onMessage) onMessage(messages.back());
}

}  // namespace stelvane
