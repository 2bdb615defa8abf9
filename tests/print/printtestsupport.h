#pragma once

#include <QApplication>
#include <QtGlobal>

namespace stelvane::testing {

// One application object for the printout tests, on Qt's offscreen platform
// unless the environment asks for another.
inline QApplication& PrintTestApplication()
{
    return *qApp; // made by the test program's main
}

} // namespace stelvane::testing
