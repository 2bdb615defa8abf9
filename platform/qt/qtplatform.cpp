#include "platform/qt/qtplatform.h"

#include <cmath>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmapCache>
#include <QMessageBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>

#include "platform/qt/paintercanvas.h"

namespace stelvane {

namespace {

// Line widths of a printout are counted in dots of a 600 dot-per-inch printer
// and scaled to the real one, so a width of 15 looks the same on any printer.
constexpr double kNominalPrinterDpi = 600.0;

QWidget* DialogParent() { return QApplication::activeWindow(); }

// The dialog starts in the proposed name's folder, or the working folder.
void Propose(QFileDialog& dialog, const FileDialogRequest& request)
{
    dialog.setNameFilters(QtFileFilters(request.filter));
    QFileInfo proposed(QString::fromStdString(request.proposedName));
    const QString folder =
        request.proposedName.empty() || proposed.path() == "." ? QDir::currentPath() : proposed.absolutePath();
    dialog.setDirectory(folder);
    if (!request.proposedName.empty()) {
        dialog.selectFile(proposed.fileName());
    }
}

std::optional<std::string> Run(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

class QtPrintJob : public PrintJob {
public:
    QtPrintJob(std::unique_ptr<QPrinter> printer, const PrintRequest& request)
        : printer_(std::move(printer)), request_(request)
    {}
    ~QtPrintJob() override
    {
        if (painter_.isActive()) {
            printer_->abort();
            painter_.end();
        }
    }

    bool Begin()
    {
        if (!painter_.begin(printer_.get())) {
            return false;
        }
        const QRect page = printer_->pageLayout().paintRectPixels(printer_->resolution());
        PainterMapping m;
        m.pixelsPerUnitX = page.width() / request_.pageWidth;
        m.pixelsPerUnitY = page.height() / request_.pageHeight;
        m.pixelsPerWidth = printer_->resolution() / kNominalPrinterDpi;
        m.pixelsPerPoint = printer_->resolution() / 72.0;
        m.surface = QRectF(0, 0, page.width(), page.height());
        if (!std::isfinite(m.pixelsPerUnitX) || m.pixelsPerUnitX <= 0 || !std::isfinite(m.pixelsPerUnitY) ||
            m.pixelsPerUnitY <= 0) {
            return false;
        }
        canvas_ = std::make_unique<PainterCanvas>(painter_, m);
        return true;
    }
    Canvas& Page() override { return *canvas_; }
    std::string NewPage() override
    {
        if (!painter_.isActive()) return "The print job has already ended.";
        return printer_->newPage() ? std::string() : "A new page could not be started.";
    }
    std::string End() override
    {
        if (!painter_.isActive()) {
            return "The print job has already ended.";
        }
        canvas_.reset();
        if (!painter_.end()) {
            return "The page could not be sent to the printer.";
        }
        return {};
    }

private:
    std::unique_ptr<QPrinter> printer_;
    PrintRequest request_;
    QPainter painter_;
    std::unique_ptr<PainterCanvas> canvas_;
};

}  // namespace

ScreenMetrics MetricsOf(const QScreen& screen)
{
    ScreenMetrics m;
    const double dpiX = screen.logicalDotsPerInchX() > 0 ? screen.logicalDotsPerInchX() : 96.0;
    const double dpiY = screen.logicalDotsPerInchY() > 0 ? screen.logicalDotsPerInchY() : 96.0;
    m.twipsPerPixelX = 1440.0 / dpiX;
    m.twipsPerPixelY = 1440.0 / dpiY;
    m.widthTwips = screen.geometry().width() * m.twipsPerPixelX;
    m.heightTwips = screen.geometry().height() * m.twipsPerPixelY;
    return m;
}

QStringList QtFileFilters(const std::string& barFilter)
{
    const QStringList parts = QString::fromStdString(barFilter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString pattern = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString("*");
        // Qt reads the patterns from the last parenthesis of the entry; a
        // description that already ends with exactly its pattern is kept as
        // it is, any other gets the pattern appended.
        const QString tail = "(" + pattern + ")";
        if (description.endsWith(tail)) {
            filters << description;
        } else if (description.isEmpty()) {
            filters << tail;
        } else {
            filters << description + " " + tail;
        }
    }
    if (filters.isEmpty()) {
        filters << "(*)";
    }
    return filters;
}

QtPlatform::QtPlatform()
{
    // The style keeps drawn button faces; at a pixel ratio of 2 its cache
    // grows to 10 MB. 3 MB holds what a tuning click draws again (with none
    // kept the click costs 9 ms of CPU at 3840 x 2160 at 2 instead of 5.5).
    QPixmapCache::setCacheLimit(3 * 1024);
}

ScreenMetrics QtPlatform::Screen() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? MetricsOf(*screen) : ScreenMetrics{};
}

std::optional<std::string> QtPlatform::OpenFileDialog(const FileDialogRequest& request)
{
    QFileDialog dialog(DialogParent(), QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    Propose(dialog, request);
    return Run(dialog);
}

std::optional<std::string> QtPlatform::SaveFileDialog(const FileDialogRequest& request)
{
    QFileDialog dialog(DialogParent(), QString::fromStdString(request.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    Propose(dialog, request);
    return Run(dialog);
}

PrintStart QtPlatform::BeginPrintJob(const PrintRequest& request)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(QString::fromStdString(request.documentName));
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        // No printer installed: offer a PDF file instead of failing.
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(
            QDir::current().absoluteFilePath(QString::fromStdString(request.documentName) + ".pdf"));
    }
    bool accepted = false;
    if (printDialog_) {
        accepted = printDialog_(*printer);
    } else {
        QPrintDialog dialog(printer.get(), DialogParent());
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted) {
        return {nullptr, kPrintCancelledText};
    }
    auto job = std::make_unique<QtPrintJob>(std::move(printer), request);
    if (!job->Begin()) {
        return {nullptr, "The printer could not be started."};
    }
    return {std::move(job), {}};
}

void QtPlatform::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon)
{
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::None: boxIcon = QMessageBox::NoIcon; break;
    case MessageIcon::Information: boxIcon = QMessageBox::Information; break;
    case MessageIcon::Exclamation: boxIcon = QMessageBox::Warning; break;
    case MessageIcon::Critical: boxIcon = QMessageBox::Critical; break;
    }
    QMessageBox box(
        boxIcon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok, DialogParent());
    box.exec();
}

void QtPlatform::Beep() { QApplication::beep(); }

bool QtPlatform::AskYesNo(const std::string& text, const std::string& caption)
{
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(text),
        QMessageBox::Yes | QMessageBox::No, DialogParent());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtPlatform::SetPrintDialog(std::function<bool(QPrinter&)> dialog) { printDialog_ = std::move(dialog); }

}  // namespace stelvane
