#pragma once

#include <QApplication>
#include <QtGlobal>

namespace stelvane::testing {

// One application object for the printout tests, on Qt's offscreen platform
// unless the environment asks for another.
inline QApplication& PrintTestApplication()
{
    static int argc = 1;
    static char name[] = "stelvane_print_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace stelvane::testing
