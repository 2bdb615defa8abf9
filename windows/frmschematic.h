#pragma once

#include <string>

#include "engine/designstate.h"
#include "render/schematicdrawing.h"
#include "windows/navigation.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace stelvane {

class UpDown;

// How the schematic scrolls, in layout units.
constexpr double kSchematicScrollPerStage = 3500;
constexpr int kSchematicScrollMaximum = 32767;  // the scroll bar's whole range, whatever the order

// How far the drawing can be scrolled: Order x 3500 units once more than two
// stages are drawn, nothing for one or two (they fit the window).
double SchematicScrollSpan(Integer order);
// The drawing's left end for a scroll bar at value (0..32767).
double SchematicOriginX(int value, double scrollSpan);
// The stages that can be drawn: Order kept within 0..21.
int DrawableStages(Integer order);

// The schematic view: the circuit of the present design with its part
// values, each stage's frequency, Q and gain as its parts give them, the
// choice between the ideal-opamp and the specified-opamp resistors, and a
// scroll bar once the stages no longer fit.
class frmSchematic : public BarWindow {
    Q_OBJECT
public:
    explicit frmSchematic(Navigator& navigator);

    // Lays out, brings the parts-type options in line with the run's parts type and
    // draws the circuit from the record.
    void Load() override;
    // Draws the whole picture at the present origin.
    void Draw();

    QGroupBox* fraPartsType;
    QRadioButton* optIdeal;
    QRadioButton* optSpecd;
    QLabel* lblOpampInfo;
    QScrollBar* HScroll1;
    // The sensitivities of one stage at a time, and the practical-range note.
    QLabel* lblSensitivityStage;
    QLabel* lblSensStage;
    UpDown* UpDown1;
    QLabel* lblSensitivity;
    QLabel* lblRangeNote;
    // Off by default, so the drawing is as it always was; on, each part's designator is written beside it.
    QCheckBox* chkDesignators;
    QPushButton* cmdSaveImage;  // the circuit as shown into a PNG or SVG file

    // Window state.
    double OriginX = kSchematicOriginX;
    double ScrollSpan = 0;

protected:
    void DesignChanged() override;

private:
    void BuildControls();
    void PlaceControls(const Layout& layout);
    void SelectPartsType();
    // Fills the controls and draws the design from its first stage.
    void ShowDesign();
    void DrawFromStageOne();

    // Reactions
    void IdealClicked();
    void SpecdClicked();
    void ScrollChanged(int value);
    void ShowSensitivities();

    double screenHeightTwips_ = kDesignScreenHeightTwips;
};

}  // namespace stelvane
