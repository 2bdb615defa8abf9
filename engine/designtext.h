#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/designstate.h"
#include "engine/practicalparts.h"

namespace stelvane {

// The texts the windows, the printout and the command line show alike, each
// made here once.

// The text in ASCII lower case (names typed on the command line or in a netlist).
std::string LowerCase(std::string_view text);

// --- Stages ---

// What a figure of a stage reads when its parts give none.
inline constexpr const char* kInvalidFigureText = "invalid";
// Whether the analysis of stage k's parts gave it figures of its own (the
// ideal-opamp parts all above 0, its frequency, Q and gain within reach of a
// Single): not so for a stage that cannot be built.
bool StageFiguresValid(const DesignState& s, int k);

// A stage's figures as its parts give them: frequency (FormatEng), Q
// (FormatValue) and gain in dB, blanks removed. A stage that cannot be built
// reads "invalid" in all three, wherever it is shown.
struct StageFigureTexts {
    std::string frequency;
    std::string q;
    std::string gain;
};
StageFigureTexts StageFigures(const DesignState& s, int k);
// 20 log10 of a stage's gain with "dB", or "invalid" when the gain is not positive.
std::string StageGainText(Single gainVolts);

// The sensitivities (x/y)(dy/dx) of stage k as a table in fixed columns: a
// header of the five parts, then a row each for f0, Q and gain, three decimals.
std::string SensitivityTable(const DesignState& s, int stage);

// --- Parts and the practical range ---

// "1k to 1M ohms".
std::string ResistorRangeText(const ResistorRange& range);
// "3 resistors outside 1k to 1M ohms, outlined in orange", or that every one is inside.
std::string RangeNoteText(const DesignState& s, PartsType parts, const ResistorRange& range = kPracticalResistors);
// The resistors outside the range, a line per stage: "Stage 2: R1 820, R3 2.2M".
std::vector<std::string> OutsideRangeLines(const DesignState& s, PartsType parts, const ResistorRange& range);
// "Cap for resistors in 1k to 1M ohms:" and a line per series, E6 and E12:
// "E6: 10nF, resistors 1.5k to 680k"; empty when there are no resistors to scale.
std::string CapSuggestionText(const DesignState& s, PartsType parts, const ResistorRange& range);
// "Opamp GBW: 10MHz   DCgain: 100kv/v": the opamp the corrected resistors are for.
std::string OpampInfoText(const DesignState& s);
// The warning for stages beyond what the GBW correction can hold (q f0 / GBW
// above 0.1), naming every one; empty when there are none.
std::string GbwCorrectionWarning(const DesignState& s);

// --- The design summary ---

// The caption of the family's bandwidth ("3 dB bandwidth: "); empty for an unknown family.
std::string BandwidthCaption(FilterFamily family);
// The title of the design summary.
inline constexpr const char* kSummaryTitle = "Filter design:";
// The summary's lines after its title: the family, centre frequency and
// bandwidths of a designed filter, then the number of stages.
std::vector<std::string> DesignSummaryLines(const DesignState& s);

}  // namespace stelvane
