#pragma once

#include "engine/designstate.h"
#include "render/polesdrawing.h"
#include "windows/navigation.h"

class QPushButton;

namespace stelvane {

// The poles window: the lowpass prototype poles in the left half of the
// s-plane over a polar grid, with their values listed beside. It reads the
// record and changes nothing in it.
class frmPoles : public FormWindow {
    Q_OBJECT
public:
    explicit frmPoles(Navigator& navigator);

    // Lays out, works out the plot radius and draws the picture without the
    // rectangular grid.
    void Load() override;
    // Modal, and maximized like the plot window it covers.
    void Shown() override;
    // Clears the window and draws the picture for the present grid state.
    void Redraw();

    QPushButton* cmdGrid;
    QPushButton* cmdExit;
    QPushButton* cmdSaveImage;  // the picture as shown into a PNG or SVG file

    // Window state.
    Integer S = 1;
    Integer GridState = 0;

protected:
    void DesignChanged() override;

private:
    void GridClicked();

    CanvasFont font_;
};

}  // namespace stelvane
