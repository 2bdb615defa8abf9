#pragma once

#include <optional>
#include <string>

#include "engine/designstate.h"
#include "engine/standardseries.h"
#include "platform/platform.h"
#include "windows/navigation.h"

class QLabel;
class QPushButton;

namespace stelvane {

// What an export button asks its save dialog and where it keeps its name.
enum class ExportKind { TabulatedScientific, TabulatedEasy, SpiceSchematic, Netlist, PartsList, KicadSchematic };

inline constexpr const char* kTabulatedDialogTitle = "QUIBEX - write tabulated data file";
// The second filter's unclosed "(*.TXT" is the text users know; kept as it stands.
inline constexpr const char* kTabulatedDialogFilter =
    "Tabulated-data files (*.DAT)|*.DAT|Text files (*.TXT|*.TXT|All files (*.*)|*.*";
inline constexpr const char* kSpiceDialogTitle = "Write LTspice schematic";
inline constexpr const char* kSpiceDialogFilter = "LTspice files (*.ASC)|*.ASC";
inline constexpr const char* kTabulatedDefaultName = "Default.DAT";
inline constexpr const char* kSpiceDefaultName = "QUIBEXdefault.ASC";
inline constexpr const char* kNetlistDialogTitle = "Write ngspice netlist";
inline constexpr const char* kNetlistDialogFilter = "ngspice netlists (*.cir)|*.cir";
inline constexpr const char* kNetlistDefaultName = "Stelvane.cir";
inline constexpr const char* kPartsListDialogTitle = "Write parts list";
inline constexpr const char* kPartsListDialogFilter = "Parts lists (*.csv)|*.csv|All files (*.*)|*.*";
inline constexpr const char* kPartsListDefaultName = "QUIBEXparts.csv";
inline constexpr const char* kKicadDialogTitle = "Write KiCad schematic";
inline constexpr const char* kKicadDialogFilter = "KiCad schematics (*.kicad_sch)|*.kicad_sch";
inline constexpr const char* kKicadDefaultName = "Stelvane.kicad_sch";

// The run's remembered name for the kind of export.
std::string& RememberedName(ViewState& view, ExportKind kind);
// ".DAT" for the tabulated files, ".ASC" for the schematic, ".cir" for the
// netlist, ".csv" for the parts list, ".kicad_sch" for the KiCad schematic.
const char* ExportExtension(ExportKind kind);
// The name a save dialog proposes: the remembered name with its extension
// replaced by the button's own (a name that has it already keeps it). A name without a three-letter extension
// (shorter than four characters, or with no dot four from the end) keeps
// all it has and gets the extension appended.
std::string ProposedExportName(const std::string& remembered, ExportKind kind);
// The dialog's title, filter and proposal for the kind; an empty remembered
// name becomes the first proposal ("Default.DAT", "QUIBEXdefault.ASC", "Stelvane.cir", "QUIBEXparts.csv").
FileDialogRequest ExportDialogRequest(ViewState& view, ExportKind kind);
// One export button from start to end: asks for a name, remembers it and
// writes the file. A cancelled dialog writes nothing and keeps the name
// remembered before. The parts list names the series the resistors were
// rounded to. Returns whether a file was written.
bool ExportFile(const DesignState& s, ViewState& view, Platform& platform, ExportKind kind,
    std::optional<StandardSeries> roundedTo = std::nullopt);

// The file-writing window, modal over the window that opened it: tabulated
// data in two formats, the LTspice schematic and the ngspice netlist (both
// for the opamp chosen on the schematic window) and the parts list, as many
// files as wanted before "Return".
class frmWriteFiles : public FormWindow {
    Q_OBJECT
public:
    explicit frmWriteFiles(Navigator& navigator);

    void Load() override;
    void Shown() override;

    QPushButton* cmdWriteTabulatedS;
    QPushButton* cmdWriteTabulatedE;
    QPushButton* cmdWriteSpiceSchematic;
    QPushButton* cmdWriteNetlist;
    QLabel* Label1;
    QPushButton* cmdWritePartsList;
    QPushButton* cmdWriteKicadSchematic;
    QPushButton* cmdExit;
};

}  // namespace stelvane
