#pragma once

#include <optional>
#include <string>

#include "engine/designstate.h"
#include "engine/standardseries.h"
#include "platform/notifier.h"

namespace stelvane {

inline constexpr const char* kPartsListNotWrittenMessage = "The parts list was not written";
inline constexpr const char* kPartsListHeader = "stage,reference,value (ohm or F),kind,series,tolerance (%)";

// The parts list as CSV text: a header row, then per stage R1, R2, R3, C1,
// C2 with references R101, R102, R103, C101, C102 for stage 1 (R201... for
// stage 2), values in plain numbers of up to seven digits (the built
// resistors: Rs for the specified opamp, else R; a series value as its round
// number), and the series each value belongs to with the tolerance
// that series stands for. A resistor of the series it was rounded to is
// listed in that series, every other value in the coarsest series holding
// it; a value of no series leaves both columns empty.
std::string PartsListText(const DesignState& state, PartsType parts, std::optional<StandardSeries> roundedTo);

// A part's value as the parts list writes it ("82000", "4.7e-08"): a series
// value as its round number, anything else in up to seven digits.
std::string PartsListValue(double value, bool resistor, std::optional<StandardSeries> roundedTo);

// Writes the parts list. On failure it beeps and says so, and an existing
// file is left as it was. The record is not changed. Returns whether the
// file was written.
bool WritePartsList(const DesignState& state, PartsType parts, const std::string& fileName, Notifier& notifier,
    std::optional<StandardSeries> roundedTo);

}  // namespace stelvane
