#include "platform/scriptedplatform.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace stelvane {
namespace {

using Answer = std::optional<std::string>;

const FileDialogRequest kSaveDesign{"Save QUIBEX file", "QUIBEX files (*.QBX)|*.QBX", "", true};
const FileDialogRequest kGetDesign{"Read QUIBEX file", "QUIBEX files (*.QBX)|*.QBX", "", true};
const FileDialogRequest kWriteSpice{"Write LTspice schematic", "LTspice files (*.ASC)|*.ASC", "QUIBEXdefault.ASC",
                                    true};

TEST(ScriptedPlatform, AnswersFileDialogsFromTheScriptInOrder)
{
    struct Case {
        const char* name;
        std::vector<Answer> script;
        std::vector<Answer> expected;  // one per dialog asked
        int unscripted;
    };
    const std::vector<Case> cases = {
        {"one name", {"/tmp/a.QBX"}, {"/tmp/a.QBX"}, 0},
        {"cancel is reported as cancel", {std::nullopt}, {std::nullopt}, 0},
        {"names and cancels in order", {"/tmp/a.QBX", std::nullopt, "/tmp/b.ASC"},
         {"/tmp/a.QBX", std::nullopt, "/tmp/b.ASC"}, 0},
        {"script runs out: cancelled and counted", {"/tmp/a.QBX"}, {"/tmp/a.QBX", std::nullopt, std::nullopt}, 2},
        {"empty script", {}, {std::nullopt}, 1},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        ScriptedPlatform platform;
        for (const auto& a : tc.script) {
            if (a) {
                platform.AnswerFileDialog(*a);
            } else {
                platform.CancelFileDialog();
            }
        }
        Platform& p = platform;
        for (std::size_t i = 0; i < tc.expected.size(); ++i) {
            const Answer got = (i % 2 == 0) ? p.SaveFileDialog(kSaveDesign) : p.OpenFileDialog(kGetDesign);
            EXPECT_EQ(got, tc.expected[i]) << "dialog " << i;
        }
        EXPECT_EQ(platform.unscriptedDialogs, tc.unscripted);
        ASSERT_EQ(platform.dialogs.size(), tc.expected.size());
        for (std::size_t i = 0; i < tc.expected.size(); ++i) {
            EXPECT_EQ(platform.dialogs[i].answer, tc.expected[i]);
        }
    }
}

TEST(ScriptedPlatform, RecordsEveryDialogRequest)
{
    struct Case {
        const char* name;
        bool save;
        FileDialogRequest request;
    };
    const std::vector<Case> cases = {
        {"design save", true, kSaveDesign},
        {"design get", false, kGetDesign},
        {"schematic with proposal", true, kWriteSpice},
    };
    ScriptedPlatform platform;
    for (const auto& tc : cases) {
        if (tc.save) {
            platform.SaveFileDialog(tc.request);
        } else {
            platform.OpenFileDialog(tc.request);
        }
    }
    ASSERT_EQ(platform.dialogs.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(platform.dialogs[i].kind,
                  cases[i].save ? ScriptedPlatform::DialogKind::Save : ScriptedPlatform::DialogKind::Open);
        EXPECT_EQ(platform.dialogs[i].request, cases[i].request);
    }
}

TEST(ScriptedPlatform, RecordsMessagesAndBeepsAsTheyHappen)
{
    struct Case {
        const char* name;
        std::string text;
        std::optional<std::string> caption;  // nothing: the default caption
        MessageIcon icon;
        std::string expectedCaption;
    };
    const std::vector<Case> cases = {
        {"default caption", "Last-session file not found; defaults installed", std::nullopt, MessageIcon::None,
         "Stelvane"},
        {"own caption", "Printing was cancelled.", "We had a plot-printing problem", MessageIcon::Exclamation,
         "We had a plot-printing problem"},
    };
    ScriptedPlatform platform;
    std::vector<std::size_t> drawnWhenShown;
    platform.onMessage = [&](const ScriptedPlatform::Message&) {
        drawnWhenShown.push_back(platform.Drawing("frmOpening").primitives.size());
    };
    Notifier& n = platform;
    for (const auto& tc : cases) {
        platform.Drawing("frmOpening").Line({0, 0}, {1, 1}, kBlack);
        if (tc.caption) {
            n.ShowMessage(tc.text, *tc.caption, tc.icon);
        } else {
            n.ShowMessage(tc.text);
        }
        n.Beep();
    }
    ASSERT_EQ(platform.messages.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(platform.messages[i].text, cases[i].text);
        EXPECT_EQ(platform.messages[i].caption, cases[i].expectedCaption);
        EXPECT_EQ(platform.messages[i].icon, cases[i].icon);
        EXPECT_EQ(drawnWhenShown[i], i + 1);  // the hook saw the drawing made before the message
    }
    EXPECT_EQ(platform.beeps, 2);
}

TEST(ScriptedPlatform, RunsPrintJobsIntoRecordedPages)
{
    struct Case {
        const char* name;
        std::optional<ScriptedPlatform::PrintAnswer> answer;  // nothing: no script, the job goes ahead
        bool cancel;
        bool jobExpected;
        std::string beginFailure;
        std::string endFailure;
        bool ended;
    };
    const std::vector<Case> cases = {
        {"unscripted job prints", std::nullopt, false, true, "", "", true},
        {"cancelled dialog", std::nullopt, true, false, kPrintCancelledText, "", false},
        {"printer fails to start", ScriptedPlatform::PrintAnswer{false, "No printer", ""}, false, false,
         "No printer", "", false},
        {"page fails at the end", ScriptedPlatform::PrintAnswer{true, "", "Out of paper"}, false, true, "",
         "Out of paper", false},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        ScriptedPlatform platform;
        if (tc.cancel) {
            platform.CancelPrintDialog();
        }
        if (tc.answer) {
            platform.printAnswers.push_back(*tc.answer);
        }
        PrintStart start = platform.BeginPrintJob(PrintRequest{});
        EXPECT_EQ(platform.printDialogs, 1);
        EXPECT_EQ(start.failure, tc.beginFailure);
        ASSERT_EQ(start.job != nullptr, tc.jobExpected);
        if (!start.job) {
            EXPECT_TRUE(platform.printJobs.empty());
            continue;
        }
        start.job->Page().FillBox({2000, 1000}, {11000, 7000}, {240, 255, 255});
        start.job->Page().Text({2000, 9000}, "Filter design:", kBlack, {"Arial", 10, false});
        EXPECT_EQ(start.job->End(), tc.endFailure);
        start.job.reset();
        ASSERT_EQ(platform.printJobs.size(), 1u);
        EXPECT_EQ(platform.printJobs[0].ended, tc.ended);
        EXPECT_EQ(platform.printJobs[0].request.pageHeight, 18000);
        EXPECT_EQ(platform.printJobs[0].page->Texts(), std::vector<std::string>{"Filter design:"});
    }
}

TEST(ScriptedPlatform, GivesEachWindowItsOwnRecorderAndAFixedScreen)
{
    struct Case {
        const char* name;
        ScreenMetrics screen;
        double sw;
        double sh;
    };
    const std::vector<Case> cases = {
        {"default 800 x 600", ScreenMetrics{}, 12000, 9000},
        {"1024 x 768", ScreenMetrics{15360, 11520, 15, 15}, 15360, 11520},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        ScriptedPlatform platform(tc.screen);
        EXPECT_EQ(platform.Screen().widthTwips, tc.sw);
        EXPECT_EQ(platform.Screen().heightTwips, tc.sh);
        Canvas* design = platform.DrawingRecorder("frmDesign");
        Canvas* plot = platform.DrawingRecorder("frmPlot");
        ASSERT_NE(design, nullptr);
        EXPECT_NE(design, plot);
        EXPECT_EQ(design, platform.DrawingRecorder("frmDesign"));
        design->FillBox({1700, 1300}, {5000, 8000}, kWhite);
        EXPECT_EQ(platform.Drawing("frmDesign").primitives.size(), 1u);
        EXPECT_TRUE(platform.Drawing("frmPlot").primitives.empty());
    }
}

} // namespace
} // namespace stelvane
