#pragma once

#include "engine/designstate.h"
#include "render/opamptestdrawing.h"
#include "windows/layout.h"
#include "windows/navigation.h"

class QLabel;
class QPushButton;

namespace stelvane {

class SimulationTask;

// The opamp test: for every stage the opamp's open-loop gain at the stage
// frequency against the gain the stage asks of it, and the opamp's gain
// curve with the stages marked; below the plot, how far the specified opamp
// with the corrected resistors takes the passband from the ideal design in
// ngspice (simulated off the GUI thread, with a Stop beside "Return"), and
// the stages beyond the GBW correction. Opened beside the design window.
class frmOpampTest : public FormWindow {
    Q_OBJECT
public:
    explicit frmOpampTest(Navigator& navigator);

    // Lays out, lowers an excessive DCGain, writes the decade grid into the
    // record and draws the whole content once.
    void Load() override;

    QPushButton* cmdReturn;
    QPushButton* cmdStopSimulation;  // shown while ngspice runs
    QPushButton* cmdSaveImage;       // the table and plot as shown into a PNG or SVG file
    QLabel* lblSimulation;
    QLabel* lblGbwWarning;

protected:
    void DesignChanged() override;

private:
    void ShowWarning();

    SimulationTask* simulationTask_;
    std::optional<Layout> layout_;
};

}  // namespace stelvane
