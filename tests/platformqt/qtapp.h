#pragma once

#include <QApplication>
#include <QtGlobal>

namespace stelvane {

// One application object for all tests of the program, on Qt's offscreen
// platform unless the environment asks for another.
inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "stelvane_platformqt_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace stelvane
