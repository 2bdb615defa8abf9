#include "windows/frmwritefiles.h"

#include <QLabel>
#include <QPushButton>

#include <optional>

#include "engine/partcheck.h"
#include "files/kicadschematic.h"
#include "files/partslist.h"
#include "files/spiceschematic.h"
#include "files/tabulatedfile.h"
#include "files/textfile.h"
#include "spice/netlist.h"
#include "platform/qt/windowservices.h"
#include "windows/layout.h"

namespace stelvane {

namespace {

constexpr Rgb kExportButtonColour{192, 255, 255};
constexpr Rgb kNoticeColour{224, 224, 224};
constexpr double kNoticeFont = 0.0007;
constexpr std::size_t kExtensionLength = 4;  // ".DAT", ".ASC", ".cir", ".csv"

bool IsTabulated(ExportKind kind)
{
    return kind == ExportKind::TabulatedScientific || kind == ExportKind::TabulatedEasy;
}

struct DialogTexts {
    const char* title;
    const char* filter;
    const char* firstName;
    const char* extension;
};

DialogTexts TextsOf(ExportKind kind)
{
    if (IsTabulated(kind)) return {kTabulatedDialogTitle, kTabulatedDialogFilter, kTabulatedDefaultName, ".DAT"};
    if (kind == ExportKind::Netlist) return {kNetlistDialogTitle, kNetlistDialogFilter, kNetlistDefaultName, ".cir"};
    if (kind == ExportKind::PartsList)
        return {kPartsListDialogTitle, kPartsListDialogFilter, kPartsListDefaultName, ".csv"};
    if (kind == ExportKind::KicadSchematic)
        return {kKicadDialogTitle, kKicadDialogFilter, kKicadDefaultName, kKicadExtension};
    return {kSpiceDialogTitle, kSpiceDialogFilter, kSpiceDefaultName, ".ASC"};
}

// Whether the name ends in a dot and three characters of the file's own
// name (not of a folder: "a.b/c" has no extension).
bool HasThreeLetterExtension(const std::string& name)
{
    if (name.size() < kExtensionLength) return false;
    const std::string tail = name.substr(name.size() - kExtensionLength);
    return tail[0] == '.' && tail.find_first_of("/\\") == std::string::npos;
}

// A circuit with a part of 0 is none: the user is told so. One with a negative
// part cannot be built, but may be wanted to study it: the user is asked.
bool CircuitWanted(const DesignState& s, PartsType parts, Platform& platform, const std::string& circuit)
{
    const bool specified = parts == PartsType::Specified;
    if (const int k = FirstStageWith(s, StageFault::Missing, specified)) {
        platform.ShowMessage(UnbuildableStageText(s, k, specified) + ". The " + circuit + " was not written.");
        return false;
    }
    const int k = FirstStageWith(s, StageFault::Negative, specified);
    return k == 0 ||
        platform.AskYesNo(UnbuildableStageText(s, k, specified) + ".\n\nWrite the " + circuit +
            " with its negative part all the same?");
}

}  // namespace

std::string& RememberedName(ViewState& s, ExportKind kind)
{
    switch (kind) {
    case ExportKind::TabulatedScientific: return s.ScientificFileName;
    case ExportKind::TabulatedEasy: return s.EasyFileName;
    case ExportKind::Netlist: return s.NetlistFileName;
    case ExportKind::PartsList: return s.PartsListFileName;
    case ExportKind::KicadSchematic: return s.KicadFileName;
    case ExportKind::SpiceSchematic: break;
    }
    return s.SpiceFileName;
}

const char* ExportExtension(ExportKind kind) { return TextsOf(kind).extension; }

std::string ProposedExportName(const std::string& remembered, ExportKind kind)
{
    // Cutting four characters off a name that has no extension would eat
    // into the name the user typed, so such a name keeps all of it.
    if (remembered.ends_with(ExportExtension(kind))) return remembered;
    if (!HasThreeLetterExtension(remembered)) return remembered + ExportExtension(kind);
    return remembered.substr(0, remembered.size() - kExtensionLength) + ExportExtension(kind);
}

FileDialogRequest ExportDialogRequest(ViewState& view, ExportKind kind)
{
    FileDialogRequest request;
    const DialogTexts texts = TextsOf(kind);
    request.title = texts.title;
    request.filter = texts.filter;
    std::string& remembered = RememberedName(view, kind);
    if (remembered.empty()) remembered = texts.firstName;
    request.proposedName = ProposedExportName(remembered, kind);
    request.confirmOverwrite = true;
    return request;
}

bool ExportFile(
    const DesignState& s, ViewState& view, Platform& platform, ExportKind kind, std::optional<StandardSeries> roundedTo)
{
    if (kind == ExportKind::SpiceSchematic && !CircuitWanted(s, view.parts, platform, "LTspice schematic"))
        return false;
    if (kind == ExportKind::Netlist && !CircuitWanted(s, view.parts, platform, "netlist")) return false;
    if (kind == ExportKind::KicadSchematic && !CircuitWanted(s, view.parts, platform, "KiCad schematic")) return false;
    const FileDialogRequest request = ExportDialogRequest(view, kind);
    const std::optional<std::string> chosen = platform.SaveFileDialog(request);
    // A cancelled dialog is no consent to write anything, not even the proposal.
    if (!chosen || chosen->empty()) return false;
    std::string& remembered = RememberedName(view, kind);
    remembered = WithExtension(*chosen, ExportExtension(kind));
    switch (kind) {
    case ExportKind::TabulatedScientific: return WriteTabulatedScientific(s, remembered, platform);
    case ExportKind::TabulatedEasy: return WriteTabulatedEasy(s, remembered, platform);
    case ExportKind::Netlist:
        return WriteNetlist(
            s, view.parts == PartsType::Specified ? OpampModel::Specified : OpampModel::Ideal, remembered, platform);
    case ExportKind::PartsList: return WritePartsList(s, view.parts, remembered, platform, roundedTo);
    case ExportKind::KicadSchematic: return WriteKicadSchematic(s, view.parts, roundedTo, remembered, platform);
    case ExportKind::SpiceSchematic: break;
    }
    return WriteSpiceSchematic(s, view.parts, remembered, platform);
}

frmWriteFiles::frmWriteFiles(Navigator& navigator) : FormWindow(navigator, WindowKind::WriteFiles)
{
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    cmdWriteTabulatedS = button("cmdWriteTabulatedS", "Write tabulated-data file (scientific format)");
    cmdWriteTabulatedE = button("cmdWriteTabulatedE", "Write tabulated-data file (easy format)");
    cmdWriteSpiceSchematic = button("cmdWriteSpiceSchematic", "Write LTspice schematic");
    cmdWriteNetlist = button("cmdWriteNetlist", "Write ngspice netlist");
    Label1 = new QLabel("Brellin Software has no connection with Linear Technology Corporation", this);
    Label1->setObjectName("Label1");
    // The notice is longer than its box is wide; two short lines fit its height.
    Label1->setWordWrap(true);
    cmdWritePartsList = button("cmdWritePartsList", "Write parts list (CSV)");
    cmdWriteKicadSchematic = button("cmdWriteKicadSchematic", "Write KiCad schematic");
    cmdExit = button("cmdExit", "Return");

    auto exportOn = [this](QPushButton* b, ExportKind kind) {
        connect(b, &QPushButton::clicked, this, [this, kind] { ExportFile(Record(), View(), GetPlatform(), kind); });
    };
    exportOn(cmdWriteTabulatedS, ExportKind::TabulatedScientific);
    exportOn(cmdWriteTabulatedE, ExportKind::TabulatedEasy);
    exportOn(cmdWriteSpiceSchematic, ExportKind::SpiceSchematic);
    exportOn(cmdWriteNetlist, ExportKind::Netlist);
    connect(cmdWritePartsList, &QPushButton::clicked, this,
        [this] { ExportFile(Record(), View(), GetPlatform(), ExportKind::PartsList, Session().RoundedSeries()); });
    connect(cmdWriteKicadSchematic, &QPushButton::clicked, this,
        [this] { ExportFile(Record(), View(), GetPlatform(), ExportKind::KicadSchematic, Session().RoundedSeries()); });
    connect(cmdExit, &QPushButton::clicked, this, [this] { Nav().Close(WindowKind::WriteFiles); });
}

void frmWriteFiles::Load()
{
    const Layout layout = SetUpWindow(*this, GetPlatform(), WindowKind::WriteFiles);
    Place(*cmdWriteTabulatedS, layout, 4000, 2000, 3300, 300);
    Place(*cmdWriteTabulatedE, layout, 4000, 2600, 3300, 300);
    Place(*cmdWriteSpiceSchematic, layout, 4000, 3500, 3300, 300);
    Place(*cmdWriteNetlist, layout, 7500, 3500, 3300, 300);  // beside the LTspice one
    Place(*Label1, layout, 4000, 3900, 3000, 300, kNoticeFont);
    Place(*cmdWritePartsList, layout, 4000, 4600, 3300, 300);
    Place(*cmdWriteKicadSchematic, layout, 7500, 4600, 3300, 300);  // beside the parts list, same designators
    Place(*cmdExit, layout, 4000, 6000, 1800, 300);
    for (QPushButton* b : {cmdWriteTabulatedS, cmdWriteTabulatedE, cmdWriteSpiceSchematic, cmdWriteNetlist,
             cmdWritePartsList, cmdWriteKicadSchematic})
        SetBackgroundColour(*b, kExportButtonColour);
    SetBackgroundColour(*Label1, kNoticeColour);
    SetBackgroundColour(*cmdExit, kOwnButtonColour);
}

// Modal, and like the main windows it covers the screen.
void frmWriteFiles::Shown() { ShowMaximized(*this); }

}  // namespace stelvane
