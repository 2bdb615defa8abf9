#pragma once

#include "windows/navigation.h"

class QLabel;

namespace stelvane {

// The first window of every run: the program's title, version and a picture
// of a two-stage filter; while it loads the engine's constants are set and
// the last session is read. "Start" leads to the design window.
class frmOpening : public FormWindow {
    Q_OBJECT
public:
    explicit frmOpening(Navigator& navigator);

    // Layout, the picture band, the texts, the start-up constants and the
    // demonstration circuit.
    void Load() override;
    // Reads the last session once the picture is on the screen, so that a
    // message about it appears over the finished window.
    void Shown() override;

    QLabel* Label1;
    QLabel* Label5;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QPushButton* cmdStart;
};

// The maker's line and the notice line under the version.
extern const char* const kMakerLine;
extern const char* const kNoticeLine;

}  // namespace stelvane
