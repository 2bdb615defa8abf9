#pragma once

#include <QApplication>
#include <QtGlobal>

namespace stelvane {

// One application object for all tests of the program, on Qt's offscreen
// platform unless the environment asks for another.
inline QApplication& TestApplication()
{
    return *qApp; // made by the test program's main
}

} // namespace stelvane
