#pragma once

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "windows/navigation.h"
#include "render/plotdrawing.h"
#include "spice/verify.h"
#include "windows/simulationtask.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QPushButton;

namespace stelvane {

class PlotTolerance;
class UpDown;

// What "Print" on the plot window runs. The printout lives in its own
// module and installs itself here when the program starts; until then the
// button does nothing.
using PlotPrinter = std::function<void(const DesignState&, const PlotCurvesShown&, Platform&)>;
void SetPlotPrinter(PlotPrinter printer);

// Said when "Restore" takes away parts tuned after the rounding.
inline constexpr const char* kRestoreDropsTuneMessage =
    "Restore put back the parts from before the rounding, so the parts tuned since are gone. "
    "Ctrl+Z brings them back.";

// The plot window: gain, phase and delay of the present design over the
// sweep, stage markers, the mouse-over readout, overlays, the tuning
// panel below the frame, and the design simulated in ngspice over it. Every change of the design made here ends with
// the plot drawn anew on the window's persistent canvas.
class frmPlot : public BarWindow {
    Q_OBJECT
public:
    explicit frmPlot(Navigator& navigator);

    // Lays out, fills the tuning panel for stage 1 and draws the plot from
    // the record (the response is not recomputed).
    void Load() override;

    // Plot operations on the window's canvas.
    void RedrawPlot();
    void CheckNegativeParts();
    void ShowReadout(double x, double y);
    // Reads the three overlay files and draws each curve over the plot.
    void GetPlotOverlay();

    // Window state.
    int CurrentStage = 1;
    int ReadoutOff = 0;
    int NegativeParts = 0;

    // The controls of one part (R1, R2, R3, C1, C2) in the tuning group.
    struct TuneControls {
        QLabel* caption;
        QLabel* value;
        QPushButton* down;
        QPushButton* up;
    };
    // The controls of one part in the editing group.
    struct EditControls {
        QLabel* caption;
        QLabel* value;
        QLineEdit* text;
    };
    static constexpr int kParts = kStageParts;

    // Side buttons
    QPushButton* cmdPoles;
    QPushButton* cmdDelay;
    QPushButton* cmdPhase;
    QPushButton* cmdSavePlot;
    QPushButton* cmdGetPlot;
    QPushButton* cmdNearest5;
    QPushButton* cmdRestore;
    QPushButton* cmdTuneCenterWidth;
    QPushButton* cmdTunePart;
    QPushButton* cmdEditPart;
    QPushButton* cmdReset;
    QPushButton* cmdSimulate;
    QPushButton* cmdUndo;
    QPushButton* cmdRedo;
    QLabel* lblSimulation;  // how closely ngspice agrees
    // The series "Nearest 5%" rounds to; E24, the 5% series, until the user
    // picks another, which then holds for the run of the program.
    QComboBox* cboSeries;

    // Part tuning group
    QLabel* lblStageNr;
    QLabel* lblStage;
    UpDown* UpDown1;
    QLabel* lblStageFreq;
    QLabel* lblStageQ;
    std::array<TuneControls, kParts> tune{};

    // Part editing group
    QLabel* lblStageNrEdit;
    QLabel* lblStageEdit;
    UpDown* UpDown2;
    QPushButton* cmdEnterAll;
    std::array<EditControls, kParts> edit{};

    // Centre and width group
    QLabel* lblCenter;
    QPushButton* cmdCenterDown;
    QPushButton* cmdCenterUp;
    QLabel* lblWidth;
    QPushButton* cmdWidthDown;
    QPushButton* cmdWidthUp;

    QLabel* lblNegative;

    // The bench: the headroom window, and which stages cannot be built and
    // why, in words above the plot.
    QPushButton* cmdHeadroom;
    QLabel* lblUnbuildable;

    // The tolerance run and its band.
    PlotTolerance* tolerance;

    // The noise: its curve on the plot, and the window of its shares.
    QCheckBox* chkNoise;
    QPushButton* cmdNoiseTable;
    // the time window's button, under "Clear"
    QPushButton* cmdTimeResponse;
    // ---- images and the full printout ----
    QPushButton* cmdSaveImage;  // the plot as shown into a PNG or SVG file
    QPushButton* cmdPrintAll;   // every curve shown, the summary with units, the schematic and the parts

protected:
    void OnPrint() override;
    void DesignChanged() override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void BuildNoiseControls();
    // ---- images and the full printout ----
    void BuildReportControls();
    void PrintAllClicked();
    bool overlayShown_ = false;         // the overlay files' curves are on the plot until it is drawn anew
    std::vector<double> noiseDensity_;  // at the sweep's points, while the noise is shown

    void BuildControls();
    void PlaceControls();
    ScreenPlotContext PlotContext() const;

    // Reactions
    void PhaseClicked();
    void DelayClicked();
    void SavePlotClicked();
    void HideReadout();
    void TunePartClicked();
    void EditPartClicked();
    void TuneCenterWidthClicked();
    void StepPart(int part, bool up);
    void StepCenterOrWidth(bool center, bool up);
    void EnterAllClicked();
    void TuneStageChanged();
    void EditStageChanged();
    void Nearest5Clicked();
    void RestoreClicked();
    void ResetClicked();
    void SimulateClicked();
    void SeriesPicked(int index);
    // The side buttons that depend on the design and the open group.
    void ShowButtonStates();
    bool PartGroupOpen() const;

    // The last simulation, drawn over every redrawing while the parts and
    // the opamp it was run with are still those of the record. It runs off
    // the GUI thread; "Simulate" reads "Stop" meanwhile.
    SimulatedCircuit CircuitNow();
    void DrawSimulation();
    void SimulationDone(const Verification& v);
    void DropStaleSimulation();
    void ShowSimulationText(const std::string& text, bool good);
    void ShowUnbuildableWords();
    std::optional<Verification> simulation_;
    SimulatedCircuit simulated_;
    SimulationTask* simulationTask_;

    // Panel texts
    const Single& Part(int part);
    std::string PartText(int part);
    void ShowTuneValues();
    void ShowEditValues();
    void ShowEditValue(int part);
    void ShowStageReadouts();
    void ShowCenterAndWidth();
    void SetTuneGroupVisible(bool visible);
    void SetEditGroupVisible(bool visible);
    void SetCenterWidthGroupVisible(bool visible);

    std::optional<Layout> layout_;
    CanvasFont font_;
};

// Teaches the registry to create the plot window.
void RegisterPlotWindows(Navigator& navigator);

}  // namespace stelvane
