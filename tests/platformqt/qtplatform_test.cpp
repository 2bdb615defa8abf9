#include "platform/qt/qtplatform.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include "tests/platformqt/qtapp.h"

namespace stelvane {
namespace {

// Runs `look` on the modal dialog that the next platform call opens, once
// the dialog is up; `look` must close it.
void WhenDialogOpens(std::function<void(QWidget&)> look)
{
    QTimer::singleShot(0, [look = std::move(look)] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr) {
            ADD_FAILURE() << "no dialog was shown";
            return;
        }
        look(*dialog);
    });
}

TEST(QtPlatform, MeasuresTheScreenInTwips)
{
    TestApplication();
    const QScreen& screen = *QApplication::primaryScreen();
    const ScreenMetrics m = MetricsOf(screen);
    // 1440 twips per inch over the screen's logical dots per inch.
    struct Case {
        const char* name;
        double got;
        double expected;
    };
    const double dpiX = screen.logicalDotsPerInchX();
    const double dpiY = screen.logicalDotsPerInchY();
    const std::vector<Case> cases = {
        {"twips per pixel across", m.twipsPerPixelX, 1440.0 / dpiX},
        {"twips per pixel down", m.twipsPerPixelY, 1440.0 / dpiY},
        {"Sw", m.widthTwips, screen.geometry().width() * 1440.0 / dpiX},
        {"Sh", m.heightTwips, screen.geometry().height() * 1440.0 / dpiY},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        EXPECT_DOUBLE_EQ(tc.got, tc.expected);
    }
    if (dpiX == 96.0) {
        EXPECT_DOUBLE_EQ(m.twipsPerPixelX, 15.0);  // the usual desktop
    }
    EXPECT_EQ(QtPlatform().Screen(), m);
}

TEST(QtPlatform, TurnsBarFiltersIntoQtFilters)
{
    struct Case {
        const char* name;
        std::string bars;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {"design files", "QUIBEX files (*.QBX)|*.QBX", {"QUIBEX files (*.QBX)"}},
        {"schematics", "LTspice files (*.ASC)|*.ASC", {"LTspice files (*.ASC)"}},
        {"tabulated data, with the unclosed parenthesis kept readable",
         "Tabulated-data files (*.DAT)|*.DAT|Text files (*.TXT|*.TXT|All files (*.*)|*.*",
         {"Tabulated-data files (*.DAT)", "Text files (*.TXT (*.TXT)", "All files (*.*)"}},
        {"description without patterns", "Designs|*.QBX", {"Designs (*.QBX)"}},
        {"pattern missing at the end", "Designs", {"Designs (*)"}},
        {"nothing", "", {"(*)"}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        EXPECT_EQ(QtFileFilters(tc.bars), tc.expected);
    }
}

TEST(QtPlatform, ShowsMessagesWithTheirCaptionAndOnlyAnOkButton)
{
    TestApplication();
    struct Case {
        const char* name;
        std::string text;
        std::string caption;
        MessageIcon icon;
        QMessageBox::Icon expectedIcon;
    };
    const std::vector<Case> cases = {
        {"last session", "Last-session file not found; defaults installed", "Stelvane", MessageIcon::None,
         QMessageBox::NoIcon},
        {"print failure", kPrintCancelledText, "We had a plot-printing problem", MessageIcon::Exclamation,
         QMessageBox::Warning},
        {"critical", "x", "Stelvane", MessageIcon::Critical, QMessageBox::Critical},
        {"information", "y", "Stelvane", MessageIcon::Information, QMessageBox::Information},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        QtPlatform platform;
        bool seen = false;
        WhenDialogOpens([&](QWidget& w) {
            auto* box = qobject_cast<QMessageBox*>(&w);
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(box->windowTitle().toStdString(), tc.caption);
            EXPECT_EQ(box->text().toStdString(), tc.text);
            EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            EXPECT_EQ(box->icon(), tc.expectedIcon);
            box->accept();
        });
        platform.ShowMessage(tc.text, tc.caption, tc.icon);
        EXPECT_TRUE(seen);
    }
}

TEST(QtPlatform, FileDialogsReturnTheChosenPathOrNothing)
{
    TestApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString existing = dir.filePath("filter.QBX");
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());

    struct Case {
        const char* name;
        bool save;
        FileDialogRequest request;
        bool accept;
        std::optional<std::string> expected;
        QFileDialog::AcceptMode mode;
        bool confirms;
    };
    const std::vector<Case> cases = {
        {"open accepted", false, {"Read QUIBEX file", "QUIBEX files (*.QBX)|*.QBX", "", true}, true,
         existing.toStdString(), QFileDialog::AcceptOpen, true},
        {"open cancelled", false, {"Read QUIBEX file", "QUIBEX files (*.QBX)|*.QBX", "", true}, false, std::nullopt,
         QFileDialog::AcceptOpen, true},
        {"save proposes a name in the working folder", true,
         {"Write LTspice schematic", "LTspice files (*.ASC)|*.ASC", "QUIBEXdefault.ASC", true}, true,
         dir.filePath("QUIBEXdefault.ASC").toStdString(), QFileDialog::AcceptSave, true},
        {"save cancelled", true, {"Save QUIBEX file", "QUIBEX files (*.QBX)|*.QBX", "", true}, false, std::nullopt,
         QFileDialog::AcceptSave, true},
        {"save without overwrite prompt", true, {"Save QUIBEX file", "QUIBEX files (*.QBX)|*.QBX", "a.QBX", false},
         true, dir.filePath("a.QBX").toStdString(), QFileDialog::AcceptSave, false},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        QtPlatform platform;
        bool seen = false;
        WhenDialogOpens([&](QWidget& w) {
            auto* dialog = qobject_cast<QFileDialog*>(&w);
            ASSERT_NE(dialog, nullptr);
            seen = true;
            EXPECT_EQ(dialog->windowTitle().toStdString(), tc.request.title);
            EXPECT_EQ(dialog->nameFilters(), QtFileFilters(tc.request.filter));
            EXPECT_EQ(dialog->acceptMode(), tc.mode);
            EXPECT_EQ(dialog->testOption(QFileDialog::DontConfirmOverwrite), !tc.confirms);
            if (!tc.request.proposedName.empty()) {
                ASSERT_FALSE(dialog->selectedFiles().isEmpty());
                EXPECT_EQ(dialog->selectedFiles().front().toStdString(), *tc.expected);
            }
            if (!tc.accept) {
                dialog->reject();
                return;
            }
            if (!tc.save) {
                dialog->selectFile(existing);
            }
            static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
        });
        const auto got = tc.save ? platform.SaveFileDialog(tc.request) : platform.OpenFileDialog(tc.request);
        EXPECT_TRUE(seen);
        EXPECT_EQ(got, tc.expected);
    }
    QDir::setCurrent(previous);
}

TEST(QtPlatform, PrintsAPageInUserUnitsOrReportsTheCancel)
{
    TestApplication();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* name;
        bool accept;
    };
    for (const Case& tc : {Case{"printed to a PDF file", true}, Case{"dialog cancelled", false}}) {
        SCOPED_TRACE(tc.name);
        const QString pdf = dir.filePath(QString("page-%1.pdf").arg(tc.accept));
        QtPlatform platform;
        int asked = 0;
        platform.SetPrintDialog([&](QPrinter& printer) {
            ++asked;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPageSize(QPageSize(QPageSize::A4));
            printer.setPageOrientation(QPageLayout::Portrait);
            printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
            return tc.accept;
        });
        PrintStart start = platform.BeginPrintJob(PrintRequest{});
        EXPECT_EQ(asked, 1);
        if (!tc.accept) {
            EXPECT_EQ(start.job, nullptr);
            EXPECT_EQ(start.failure, kPrintCancelledText);
            EXPECT_FALSE(QFile::exists(pdf));
            continue;
        }
        ASSERT_NE(start.job, nullptr);
        EXPECT_TRUE(start.failure.empty());
        Canvas& page = start.job->Page();
        // 12000 x 18000 units over 210 x 297 mm: a 10-point line of text
        // (3.53 mm per em) is about 214 units high, and a bit more with leading.
        const TextExtent e = page.MeasureText("Filter design:", {"Arial", 10, false});
        EXPECT_GT(e.height, 214);
        EXPECT_LT(e.height, 1.5 * 214);
        page.FillBox({2000, 1000}, {11000, 7000}, {240, 255, 255});
        page.OutlineBox({2000, 1000}, {11000, 7000}, {17, 17, 17}, 15);
        page.Text({2000, 9000}, "Filter design:", kBlack, {"Arial", 10, false});
        EXPECT_EQ(start.job->End(), "");
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.read(5).startsWith("%PDF"));
    }
}

} // namespace
} // namespace stelvane
