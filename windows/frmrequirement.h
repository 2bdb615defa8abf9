#pragma once

#include <array>
#include <optional>
#include <vector>

#include "engine/designsession.h"
#include "engine/mask.h"
#include "windows/navigation.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace stelvane {

// The requirement window: the mask a design is held to (the passband with
// the most it may lose, the stopbands with the least they must be down, the
// delay spread), the least order of every family that meets it side by side,
// and the step that takes a candidate into the design window and designs it.
// The fields show the record's mask and follow every change of it.
class frmRequirement : public FormWindow {
    Q_OBJECT
public:
    explicit frmRequirement(Navigator& navigator);

    void Load() override;

    // The six figures and the delay spread, in the order of the mask's fields.
    QLabel* lblFp1;
    QLineEdit* txtFp1;
    QLabel* lblFp2;
    QLineEdit* txtFp2;
    QLabel* lblAp;
    QLineEdit* txtAp;
    QLabel* lblFs1;
    QLineEdit* txtFs1;
    QLabel* lblFs2;
    QLineEdit* txtFs2;
    QLabel* lblAs;
    QLineEdit* txtAs;
    QLabel* lblDelaySpread;
    QLineEdit* txtDelaySpread;

    QPushButton* cmdSetMask;
    QPushButton* cmdClearMask;
    QPushButton* cmdTake;
    QPushButton* cmdReturn;
    QLabel* lblVerdict;
    QLabel* lblWidthNote;
    QTableWidget* tblCandidates;

protected:
    void DesignChanged() override { Refresh(); }

private:
    // The mask the fields show, or nothing (said, naming the field) when a
    // figure is no number, out of range or out of order.
    std::optional<FilterMask> ShownMask();
    void SetMask();
    void ClearMask();
    void TakeCandidate();
    // Shows the record's mask when it is not the one shown, and searches the
    // candidates again when the mask or what the base lends them changed.
    void Refresh();
    void FillFields(const FilterMask& mask);
    void FillTable();
    void ShowVerdict();

    // What a search depends on: the mask and what every candidate takes from
    // the design as it stands (its gain, capacitor, opamp and bench).
    struct SearchKey {
        FilterMask mask;
        Single gain = 0, capacitor = 0;
        ProgramSettings settings;
        friend bool operator==(const SearchKey&, const SearchKey&) = default;
    };
    SearchKey KeyOf(const DesignState& s) const;

    std::optional<FilterMask> shownMask_;  // the record's mask as the fields last showed it
    std::optional<SearchKey> searched_;    // what the table was found for
    std::vector<MaskCandidate> candidates_;
};

}  // namespace stelvane
