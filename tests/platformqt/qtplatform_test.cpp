#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/qt/qtplatform.h"
#include "windows/frmwritefiles.h"

namespace stelvane {
namespace {

// The dialogs and message boxes as a user meets them: a message box with its
// caption, text and an OK button only; file dialogs with their title, the
// filters and the name the program proposes, giving back the path the user
// chose, or nothing when cancelled.
TEST(QtPlatform, DialogsShowWhatTheProgramAsksAndReturnWhatTheUserChose)
{
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->windowTitle() == "Stelvane" && box->text() == "Gone" && box->icon() == QMessageBox::Warning);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->accept();
    });
    QtPlatform().ShowMessage("Gone", "Stelvane", MessageIcon::Exclamation);

    QTemporaryDir dir;
    QFile(dir.filePath("filter.QBX")).open(QIODevice::WriteOnly);
    const std::string path = dir.path().toStdString() + "/";
    const FileDialogRequest tabulated{kTabulatedDialogTitle, kTabulatedDialogFilter, path + "Default.DAT", true};
    const QStringList tabulatedFilters{"Tabulated-data files (*.DAT)", "Text files (*.TXT (*.TXT)", "All files (*.*)"};
    // The file the user picks (empty: the one proposed; null: the dialog cancelled) and what the program gets.
    using Path = std::optional<std::string>;
    struct Case {
        const char* name;
        FileDialogRequest ask;
        QStringList filters;
        const char* pick;
        Path got;
    };
    const std::vector<Case> cases = {
        {"a design opened", {"Read QUIBEX file", "QUIBEX files (*.QBX)|*.QBX", "", false}, {"QUIBEX files (*.QBX)"},
            "filter.QBX", path + "filter.QBX"},
        {"saved under the proposed name", tabulated, tabulatedFilters, "", path + "Default.DAT"},
        {"saving cancelled", tabulated, tabulatedFilters, nullptr, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool save = c.ask.confirmOverwrite;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            EXPECT_TRUE(dialog->windowTitle().toStdString() == c.ask.title && dialog->nameFilters() == c.filters);
            EXPECT_EQ(dialog->acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            if (c.pick && *c.pick) dialog->selectFile(dir.filePath(c.pick));
            c.pick ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();  // as its buttons do
        });
        QtPlatform platform;
        EXPECT_EQ(save ? platform.SaveFileDialog(c.ask) : platform.OpenFileDialog(c.ask), c.got);
    }
}

}  // namespace
}  // namespace stelvane
