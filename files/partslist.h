#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/designstate.h"
#include "engine/standardseries.h"
#include "files/settingsfile.h"
#include "platform/notifier.h"

namespace stelvane {

inline constexpr const char* kPartsListNotWrittenMessage = "The parts list was not written";
inline constexpr const char* kPartsListHeader = "stage,reference,value (ohm or F),kind,series,tolerance (%)";
inline constexpr const char* kPartsSubtotalHeader = "stage,resistors,capacitors,opamps,parts";
inline constexpr const char* kPartsOrderHeader = "count,value (ohm or F),kind,series,tolerance (%),references";
inline constexpr const char* kPartsTotalStage = "all";

// One part to buy: its designator (R101, C102, U1), what it is, its value as
// listed (a series value as its round number; 0 for an opamp, which has a
// name instead) and the series it is listed in.
enum class PartKind { Resistor, Capacitor, Opamp };
struct ListedPart {
    int stage = 0;
    std::string reference;
    PartKind kind = PartKind::Resistor;
    double value = 0;
    std::string name;  // the opamp's
    std::optional<StandardSeries> series;
};
// What one stage is built of.
struct StageSubtotal {
    int stage = 0;
    int resistors = 0, capacitors = 0, opamps = 0;
    int Parts() const { return resistors + capacitors + opamps; }
};
// The parts of one kind and value, for ordering, with their designators.
struct OrderLine {
    PartKind kind = PartKind::Resistor;
    double value = 0;
    std::string name;
    std::optional<StandardSeries> series;
    std::vector<std::string> references;
};
// The complete list: every part stage by stage (resistors and capacitors,
// then the opamps), what each stage holds, and a line per value to order.
struct PartsTable {
    std::vector<ListedPart> parts;
    std::vector<StageSubtotal> stages;
    std::vector<OrderLine> order;  // resistors, capacitors, opamps; each by rising value
};

// The name of the opamp of the list whose figures the record holds, if any.
std::optional<std::string> ListedOpampName(const DesignState& state, const std::vector<OpampEntry>& opamps);
// The opamp every stage is built with: its name from the list, else its
// figures ("GBW 10MHz DC gain 100k").
std::string OpampPartName(const DesignState& state, const std::vector<OpampEntry>& opamps);
// The complete parts list of the design.
PartsTable MakePartsTable(const DesignState& state, PartsType parts, std::optional<StandardSeries> roundedTo,
    const std::vector<OpampEntry>& opamps = GenericOpamps());
// "resistor", "capacitor" or "opamp".
const char* PartKindWord(PartKind kind);

// The parts list as CSV text: a header row, then per stage R1, R2, R3, C1,
// C2 with references R101, R102, R103, C101, C102 for stage 1 (R201... for
// stage 2), values in plain numbers of up to seven digits (the built
// resistors: Rs for the specified opamp, else R; a series value as its round
// number), and the series each value belongs to with the tolerance
// that series stands for. A resistor of the series it was rounded to is
// listed in that series, every other value in the coarsest series holding
// it; a value of no series leaves both columns empty. Then an opamp row per
// stage (U1, U2... with its name), a blank line, the parts per stage with
// their total, a blank line, and a row per value to order: how many, the
// value, kind, series and the designators that take it.
std::string PartsListText(const DesignState& state, PartsType parts, std::optional<StandardSeries> roundedTo,
    const std::vector<OpampEntry>& opamps = GenericOpamps());

// A part's value as the parts list writes it ("82000", "4.7e-08"): a series
// value as its round number, anything else in up to seven digits.
std::string PartsListValue(double value, bool resistor, std::optional<StandardSeries> roundedTo);

// Writes the parts list. On failure it beeps and says so, and an existing
// file is left as it was. The record is not changed. Returns whether the
// file was written.
bool WritePartsList(const DesignState& state, PartsType parts, const std::string& fileName, Notifier& notifier,
    std::optional<StandardSeries> roundedTo, const std::vector<OpampEntry>& opamps = GenericOpamps());

}  // namespace stelvane
