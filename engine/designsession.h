#pragma once

#include <array>
#include <optional>
#include <string>

#include "engine/designstate.h"
#include "engine/enterstep.h"
#include "engine/standardseries.h"

namespace stelvane {

// The five parts of a stage in the order the tuning panel shows them.
enum class StagePart { R1, R2, R3, C1, C2 };
constexpr int kStageParts = 5;
constexpr bool IsResistor(StagePart part) { return part <= StagePart::R3; }

// The design pipeline: every sequence of engine steps that the windows and
// the command line run on the one record. Callers draw and print; they do
// not order engine calls themselves.
class DesignSession {
public:
    explicit DesignSession(DesignState& record) : s_(record) {}

    DesignState& Record() { return s_; }
    const DesignState& Record() const { return s_; }

    // The Enter step: reads and clamps the inputs into the record and runs the
    // design chain; gives what was read otherwise than typed, or clamped.
    EnterNotes Enter(DesignInputs& in, const ShowMessage& showMessage);

    // A part of a stage (the stage kept within 1..21).
    Single& Part(int stage, StagePart part);
    // Every change of parts below corrects them for the specified opamp (Rs)
    // as they stand, then analyses them and sweeps.
    // Steps one part by 1% up or down, then analyses the parts and sweeps.
    void StepPart(int stage, StagePart part, bool up);
    // Sets the parts of a stage that have a typed text, each kept within what
    // can be built (the others stay bit for bit), then analyses the parts and
    // sweeps; gives what was read otherwise than typed, or clamped.
    EnterNotes EnterParts(int stage, const std::array<std::optional<std::string>, kStageParts>& texts);
    // The user takes the parts into his own hands: they are kept from now on.
    void StartTuning();

    // Steps Center or Width by 1% and designs anew from the family (the parts
    // stay while they are entered by hand), then the plot's grid.
    void StepCenter(bool up);
    void StepWidth(bool up);

    // Keeps the parts, rounds every resistor R to the nearest value of the
    // series (5%, E24, unless told otherwise; the specified-opamp resistors
    // Rs too when asked), and analyses and sweeps; the rounded parts count
    // as entered by hand.
    void RoundToStandardValues(StandardSeries series = StandardSeries::E24, bool specifiedOpampToo = false);
    // Gives back the parts kept by the rounding, and whether they were
    // entered by hand, and analyses and sweeps.
    void RestoreParts();
    // The series of the last rounding while its parts stand, else nothing.
    std::optional<StandardSeries> RoundedSeries() const { return roundedSeries_; }

    // What the plot needs besides the sweep: its grid frequencies.
    void PreparePlot();
    // What the opamp test needs: an excessive DC gain lowered, the decade grid.
    void PrepareOpampTest();

private:
    void PartsChanged();
    void StepAndRedesign(Single& field, bool up);

    DesignState& s_;
    Integer manualBeforeRounding_ = 0;
    ResArray rsBeforeRounding_{};
    std::optional<StandardSeries> roundedSeries_;
};

} // namespace stelvane
