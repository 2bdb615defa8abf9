#pragma once

#include <QIcon>

namespace stelvane {

// The program's icon, from the pictures compiled into the program: the same
// 48 and 256 pixel drawings that are installed in the desktop's icon theme.
QIcon ProgramIcon();

}  // namespace stelvane
