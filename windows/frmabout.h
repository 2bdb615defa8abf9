#pragma once

#include <string>

#include "windows/navigation.h"

class QLabel;

namespace stelvane {

// A few lines about the program beside the design window; "Return" brings
// the design window to the front and closes this one.
class frmAbout : public FormWindow {
    Q_OBJECT
public:
    explicit frmAbout(Navigator& navigator);

    void Load() override;

    QLabel* Label2;
    QPushButton* cmdReturn;
};

// The About text: five lines, each ending in CR LF, and one more line break.
std::string AboutText();

}  // namespace stelvane
