#pragma once

#include "engine/timeresponse.h"
#include "windows/navigation.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace stelvane {

// The time window: the cascade's exact response to a unit step, a unit
// impulse or a tone burst (N cycles at F, the centre when F is left empty),
// drawn with its figures in words. It reads the record and changes nothing
// in it; every change of the design (a part tuned in the plot window, a new
// design entered) draws it anew.
class frmTime : public FormWindow {
    Q_OBJECT
public:
    explicit frmTime(Navigator& navigator);

    void Load() override;
    // Reads the kind and the burst's fields, computes the response and draws it.
    void Redraw();
    // The request the controls make; false (and lblTimeProblem says why)
    // when a burst field holds no sensible number.
    bool ReadRequest(TimeRequest& request);

    QPushButton* cmdExit;
    QRadioButton *optStep, *optImpulse, *optBurst;
    QLabel *lblBurstFreq, *lblBurstCycles, *lblTimeProblem;
    QLineEdit *txtBurstFreq, *txtBurstCycles;

protected:
    void DesignChanged() override;

private:
    CanvasFont font_;
    TimeRequest request_;
};

}  // namespace stelvane
