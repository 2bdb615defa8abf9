#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/enterstep.h"
#include "files/settingsfile.h"
#include "windows/navigation.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace stelvane {

class UpDown;

// The design window: the filter's design inputs, the analysis sweep, the
// plot scales and the opamp model, each field showing a field of the record.
// Only the sweep and scale fields and the grid counts write themselves back
// while the user types; everything else reaches the record through the
// Enter step that every button leading on runs first.
class frmDesign : public BarWindow {
    Q_OBJECT
public:
    explicit frmDesign(Navigator& navigator);

    // Lays out, paints the four panels and fills the fields from the record.
    void Load() override;
    // Reads the fields into the record and recomputes the design.
    void EnterStep();

    // Design panel
    QLabel* Label1;
    QLabel* lblCenter;
    QLineEdit* txtCenter;
    QLabel* lblWidth;
    QLineEdit* txtWidth;
    QLabel* lblGain;
    QLineEdit* txtGain;
    QLabel* lblCaps;
    QLineEdit* txtCaps;
    QLabel* lblOrder;
    QLabel* lblOrderInput;
    UpDown* UpDown1;
    QGroupBox* fraFamily;
    QRadioButton* optButterworth;
    QRadioButton* optChebyshev;
    QRadioButton* optBessel;
    QRadioButton* optSpecd;
    QRadioButton* optManual;
    QLabel* lblApass;
    QLineEdit* txtApass;

    // Analysis panel
    QLabel* Label2;
    QLabel* lblStart;
    QLineEdit* txtStart;
    QLabel* lblStop;
    QLineEdit* txtStop;
    QLabel* lblInts;
    QLineEdit* txtInts;
    QGroupBox* fraSweep;
    QRadioButton* optLinear;
    QRadioButton* optLog;

    // Graph panel
    QLabel* Label3;
    QLabel* lbldbTop;
    QLineEdit* txtdBTop;
    QLabel* lbldBBottom;
    QLineEdit* txtdBBottom;
    QLabel* lblDelay;
    QLineEdit* txtDelay;
    QLabel* lblNrYintervals;
    QLabel* lblNrY;
    UpDown* UpDown3;
    QLabel* lblPerYinterval;
    QLabel* lblPerYintervalDelay;
    QLabel* lblNrXintervals;
    QLabel* lblNrX;
    UpDown* UpDown2;
    QLabel* lblPerXinterval;

    // Opamp panel
    QLabel* Label4;
    QLabel* lblGainDC;
    QLineEdit* txtGainDC;
    QLabel* lblGBW;
    QLineEdit* txtGBW;
    QLabel* lblZin;
    QLineEdit* txtZin;
    QPushButton* cmdTest;

    // Below the graph panel: the capacitor that brings the resistors into
    // the practical range.
    QPushButton* cmdSuggestCap;
    QLabel* lblSuggestCap;

    // Left of the panels: the bench choices and figures; below them the
    // opamp list, whose entries fill the opamp fields and figures.
    QLabel* lblStageGains;
    QComboBox* cboStageGains;
    QLabel* lblCorrection;
    QComboBox* cboCorrection;
    QLabel* lblStageOrder;
    QComboBox* cboStageOrder;
    QLabel* lblInputLevel;
    QLineEdit* txtInputLevel;
    QLabel* lblTemp;
    QLineEdit* txtTemp;
    QLabel* lblEn;
    QLineEdit* txtEn;
    QLabel* lblIn;
    QLineEdit* txtIn;
    QLabel* lblSlew;
    QLineEdit* txtSlew;
    QLabel* lblSwing;
    QLineEdit* txtSwing;
    QLabel* lblOpampList;
    QComboBox* cboOpamp;
    QPushButton* cmdAddOpamp;

    // Below the ripple field: the requirement window, whose candidates come
    // back into the fields above.
    QPushButton* cmdRequirement;

protected:
    void BeforeLeaving() override { EnterStep(); }
    void OnSave() override;
    void OnGet() override;
    void DesignChanged() override;
    void OnPrint() override { EnterStep(); }
    void OnEdit() override { EnterStep(); }
    void OnAbout() override;

private:
    void BuildControls();
    void PlaceControls(const Layout& layout);
    void PaintPanels();
    void FillOnLoad();
    void FillAfterGet();
    void FillSpecification();
    void FillSweepAndScales();
    void FillSweepOption();
    void FillOpamp();

    // Reactions
    void FamilyReactionA();
    void FamilyReactionB();
    void FamilyReactionC();
    void SweepLinearClicked();
    void SweepLogClicked();
    void XCountChanged();
    void YCountChanged();
    void SetSpecificationEnabled(bool enabled);
    void SetXCountEnabled(bool enabled);

    // Per-interval labels
    void SetYLabel();
    void SetDelayLabel();
    void SetXLabelChangeWording();
    void SetXLabelLoadWording();

    DesignInputs ReadInputs() const;
    void ShowInputs(const DesignInputs& inputs);
    void Examine();
    void ShowCapSuggestion();

    // The bench controls.
    void BuildBenchControls();
    void PlaceBenchControls(const Layout& layout);
    void FillBench();
    void FillOpampList(const std::string& shown = {});
    void ShowChosenOpamp();
    // The bench as the controls show it, or nothing (said, and the
    // figures shown again) when a figure is no number or out of range.
    std::optional<BenchSettings> ShownBench();
    // Puts the bench the controls show into the record: one undo step.
    void EnterBench();
    void ChooseOpamp(int index);
    void AddOpamp();
    std::vector<OpampEntry> opamps_;  // the opamp list's entries as the picker shows them

    // The ripple text Chebyshev had when another family was chosen.
    std::string chebyshevRipple_;
    // While this window changes the design and shows the outcome itself.
    // Writes a typed field through the session as the window's own change.
    void Typed(const std::function<void(StoredDesign&)>& change);
    bool ownChange_ = false;
};

}  // namespace stelvane
