#pragma once

#include "engine/designstate.h"
#include "windows/navigation.h"

class QPushButton;

namespace stelvane {

// The noise window: the rms noise of the design at its output and referred
// to its input, and each stage's and source's share, as a table, for the
// resistors the schematic's parts type chooses. It reads the record and
// changes nothing in it; it is drawn anew after every change of the design.
class frmNoise : public FormWindow {
    Q_OBJECT
public:
    explicit frmNoise(Navigator& navigator);

    void Load() override;
    // Clears the window and draws the table for the design as it stands.
    void Redraw();

    QPushButton* cmdExit;

protected:
    void DesignChanged() override;

private:
    CanvasFont font_;
};

}  // namespace stelvane
