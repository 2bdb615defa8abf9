#pragma once

#include "platform/canvas.h"
#include "windows/navigation.h"

class QPushButton;

namespace stelvane {

// The headroom window: for every cascade stage its place in the family's
// order, the highest gain from the filter's input to its output and where,
// its headroom at the bench's input level and the slew its output needs,
// then the largest input that clips nowhere. It reads the record, changes
// nothing in it, and draws anew on every change of the design.
class frmHeadroom : public FormWindow {
    Q_OBJECT
public:
    explicit frmHeadroom(Navigator& navigator);

    void Load() override;
    // Clears the window and draws the table for the design as it stands.
    void Redraw();

    QPushButton* cmdReturn;

protected:
    void DesignChanged() override { Redraw(); }

private:
    CanvasFont font_;
};

}  // namespace stelvane
