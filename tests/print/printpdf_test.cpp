#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/response.h"
#include "engine/synthesis.h"
#include "platform/qt/qtplatform.h"
#include "tests/support/scriptedplatform.h"
#include "print/plotprintout.h"
#include "printtestsupport.h"
#include "windows/frmplot.h"
#include "windows/navigation.h"
#include "windows/programwindows.h"

namespace stelvane {
namespace {

using testing::PrintTestApplication;

DesignState DesignedRecord(const std::function<void(DesignState&)>& prepare)
{
    DesignState s;
    InstallDefaults(s);
    InstallCapacitorDefaults(s);
    InstallOpampDefaults(s);
    prepare(s);
    RunDesignChain(s);
    ComputeFrequencyGrid(s);
    return s;
}

// The lines of the PDF's text as pdftotext reads them, blanks at the ends removed.
std::vector<std::string> PdfLines(const QString& pdf)
{
    QProcess process;
    process.start("pdftotext", {"-layout", pdf, "-"});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    std::vector<std::string> lines;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n'))
        lines.push_back(line.trimmed().toStdString());
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted)
{
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

bool Mentions(const std::vector<std::string>& lines, const std::string& wanted)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(wanted) != std::string::npos; });
}

TEST(PlotPrintoutPdf, SummaryLinesReachARealPdfFile)
{
    PrintTestApplication();
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    struct Case {
        const char* name;
        std::function<void(DesignState&)> prepare;
        Integer showDelay;
        std::vector<std::string> summary;
    };
    const std::vector<Case> cases = {
        {"Butterworth with the delay",
         [](DesignState&) {}, 1,
         {"Filter design:", "Family: Butterworth", "Center frequency: 1000", "3 dB bandwidth: 200",
          "Number of stages: 2"}},
        {"Chebyshev, gain only",
         [](DesignState& s) {
             s.Family = 2;
             s.Apass = 0.5f;
             s.Order = 3;
         },
         0,
         {"Filter design:", "Family: Chebyshev", "Center frequency: 1000", "Ripple bandidth: 200",
          "Passband ripple: 0.5", "Number of stages: 3"}},
        {"Bessel",
         [](DesignState& s) {
             s.Family = 3;
             s.Center = 12000;
             s.Width = 3000;
             s.Fstart = 6000;
             s.Fstop = 24000;
         },
         0,
         {"Filter design:", "Family: Bessel", "Center frequency: 12000", "One radian/sec bandwidth: 3000",
          "Number of stages: 2"}},
        {"manual entry",
         [](DesignState& s) { s.ManualEntry = 1; }, 1,
         {"Filter design:", "Manually entered values", "Number of stages: 2"}},
    };
    int n = 0;
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        DesignState s = DesignedRecord(tc.prepare);
        s.ShowDelay = tc.showDelay;
        const QString pdf = dir.filePath(QString("plot-%1.pdf").arg(++n));
        QtPlatform platform;
        int dialogs = 0;
        // Stands in for the user choosing "Print to file (PDF)" in the dialog.
        platform.SetPrintDialog([&](QPrinter& printer) {
            ++dialogs;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageOrientation(QPageLayout::Portrait);
            return true;
        });
        PrintPlot(s, platform);
        EXPECT_EQ(dialogs, 1);
        ASSERT_TRUE(QFile::exists(pdf));

        const auto lines = PdfLines(pdf);
        ASSERT_FALSE(lines.empty());
        for (const std::string& line : tc.summary)
            EXPECT_TRUE(HasLine(lines, line)) << line;
        EXPECT_FALSE(Mentions(lines, "Family:") && tc.summary.size() == 3) << "manual entry names no family";
        EXPECT_TRUE(Mentions(lines, "Gain, dB:"));
        EXPECT_EQ(Mentions(lines, "Delay, s:"), tc.showDelay != 0);
        // The summary comes after the plot on the page.
        const auto gain = std::find_if(lines.begin(), lines.end(),
                                       [](const std::string& l) { return l.find("Gain, dB:") != std::string::npos; });
        const auto title = std::find(lines.begin(), lines.end(), "Filter design:");
        EXPECT_LT(gain - lines.begin(), title - lines.begin());
    }
}

// --- The Print button of the plot window ---

struct PlotProgram {
    PlotProgram()
    {
        PrintTestApplication();
        InstallDefaults(record);
        InstallCapacitorDefaults(record);
        InstallOpampDefaults(record);
        RunDesignChain(record);
        RegisterProgramWindows(navigator);
        RegisterPlotWindows(navigator);
        SetPlotPrinter(PrintPlot);
    }
    ~PlotProgram()
    {
        SetPlotPrinter({});
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    ScriptedPlatform platform;
    DesignState record;
    Navigator navigator{record, platform, [] {}};
};

TEST(PlotWindowPrint, PrintButtonPrintsThePageOrReportsTheProblem)
{
    struct Case {
        const char* name;
        bool cancel;
    };
    for (const Case& tc : {Case{"printed", false}, Case{"dialog cancelled", true}}) {
        SCOPED_TRACE(tc.name);
        PlotProgram program;
        program.record.ShowDelay = 1;
        program.record.DelayTop = 2e-3f;
        if (tc.cancel)
            program.platform.CancelPrintDialog();
        FormWindow* plot = program.navigator.Open(WindowKind::Plot);
        ASSERT_NE(plot, nullptr);
        auto* print = plot->findChild<QPushButton*>("cmdPrint");
        ASSERT_NE(print, nullptr);
        EXPECT_TRUE(print->isEnabled());
        QTest::mouseClick(print, Qt::LeftButton);

        EXPECT_EQ(program.platform.printDialogs, 1);
        if (tc.cancel) {
            EXPECT_TRUE(program.platform.printJobs.empty());
            ASSERT_EQ(program.platform.messages.size(), 1u);
            EXPECT_EQ(program.platform.messages[0].caption, "We had a plot-printing problem");
            EXPECT_EQ(program.platform.messages[0].text, kPrintCancelledText);
        } else {
            ASSERT_EQ(program.platform.printJobs.size(), 1u);
            EXPECT_TRUE(program.platform.printJobs[0].ended);
            EXPECT_TRUE(program.platform.messages.empty());
            const RecordingCanvas& page = *program.platform.printJobs[0].page;
            EXPECT_NE(page.FindText("Gain, dB:"), nullptr);
            EXPECT_NE(page.FindText("Delay, s:"), nullptr);
            EXPECT_NE(page.FindText("Family: Butterworth"), nullptr);
            EXPECT_NE(page.FindText("Number of stages: 2"), nullptr);
        }
        // The plot window stays as it was.
        EXPECT_EQ(program.navigator.Find(WindowKind::Plot), plot);
        EXPECT_EQ(program.record.DelayTop, 2e-3f);
    }
}

} // namespace
} // namespace stelvane
