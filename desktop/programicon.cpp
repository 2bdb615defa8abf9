#include "desktop/programicon.h"

#include <QSize>

// The resource lives in a static library; naming its initialiser here makes
// the linker keep it in every program that asks for the icon.
static void InitIconResource() { Q_INIT_RESOURCE(stelvane); }

namespace stelvane {

QIcon ProgramIcon()
{
    InitIconResource();
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/stelvane-48.png"), QSize(48, 48));
    icon.addFile(QStringLiteral(":/icons/stelvane-256.png"), QSize(256, 256));
    return icon;
}

}  // namespace stelvane
