#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "platform/qt/qtplatform.h"
#include "print/plotprintout.h"
#include "tests/windows/windowtestsupport.h"
#include "windows/frmplot.h"

namespace stelvane::testing {

// The page as a real printer gets it: printed from the plot window on the Qt
// platform to a PDF file (as the print dialog offers), its text read back by
// pdftotext: the plot's titles, then the design summary.
TEST(PlotPrintoutPdf, PrintedPdfCarriesThePlotAndTheSummary)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    WorkingDirectory dir;
    // The last session: a Bessel design at 12 kHz, so that no message box waits for a click.
    ASSERT_EQ(RunCli("--family bessel --center 12k --width 3k --start 6k --stop 24k --save QUIBEX.LAST"), 0);
    QtPlatform platform;
    platform.SetPrintDialog([](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName("plot.pdf");
        return true;
    });
    SetPlotPrinter(PrintPlot);
    DesignState record;
    Navigator navigator(record, platform, [] {});
    RegisterProgramWindows(navigator);
    navigator.Open(Opening);
    for (const auto& [on, button] : std::vector<std::pair<WindowKind, const char*>>{
             {Opening, "cmdStart"}, {Design, "cmdPlot"}, {Plot, "cmdDelay"}, {Plot, "cmdPrint"}}) {
        QTest::mouseClick(Control(navigator.Find(on), button), Qt::LeftButton);
        FlushDeletes();
    }
    SetPlotPrinter({});

    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", "plot.pdf", "-"});
    ASSERT_TRUE(pdftotext.waitForFinished(60000) && pdftotext.exitCode() == 0);
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    qsizetype at = 0;
    for (const char* wanted :
        {"Gain, dB:", "Delay, s:", "Filter design:", "Family: Bessel", "Center frequency: 12000"}) {
        at = text.indexOf(wanted, at);  // each after the one before
        EXPECT_GE(at, 0) << wanted;
    }
}

}  // namespace stelvane::testing
