#include <QApplication>

#include "desktop/programicon.h"
#include "engine/designstate.h"
#include "files/settingsfile.h"
#include "platform/qt/qtplatform.h"
#include "print/plotprintout.h"
#include "windows/frmplot.h"
#include "windows/navigation.h"
#include "windows/programwindows.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Every window takes the program's icon from the application; the desktop
    // file name lets the desktop match the windows to the installed launcher.
    QApplication::setWindowIcon(stelvane::ProgramIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("stelvane"));
    // The registry ends the program: on Exit, or when the last window is
    // closed through its frame.
    QApplication::setQuitOnLastWindowClosed(false);

    stelvane::QtPlatform platform;
    stelvane::DesignState record;
    stelvane::Navigator navigator(record, platform, [] { QCoreApplication::quit(); });
    // The opamp and the bench are kept between runs in the user's folders.
    navigator.KeepSettings(stelvane::UserSettingsPlaces());
    stelvane::RegisterProgramWindows(navigator);
    stelvane::SetPlotPrinter(stelvane::PrintPlot);

    navigator.Open(stelvane::WindowKind::Opening);
    if (navigator.Ended()) return 0;
    return QApplication::exec();
}
