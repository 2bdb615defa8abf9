#include "engine/designsession.h"

#include <algorithm>

#include "engine/numbertext.h"
#include "engine/opampfigures.h"
#include "engine/response.h"
#include "engine/stageanalysis.h"
#include "engine/synthesis.h"

namespace stelvane {

namespace {

// One tuning step is a ratio, so ten steps up and ten down come back.
constexpr Single kStepRatio = 1.01f;

// Typed parts are kept within what can be built.
constexpr Single kLowestResistor = 10;
constexpr Single kHighestResistor = 1e7f;
constexpr Single kLowestCapacitor = 1e-12f;
constexpr Single kHighestCapacitor = 1e-5f;

Single Stepped(Single value, bool up) { return up ? value * kStepRatio : value / kStepRatio; }

} // namespace

EnterNotes DesignSession::Enter(DesignInputs& in, const ShowMessage& showMessage)
{
    EnterNotes notes = EnterStep(s_, in, showMessage);
    // Parts entered by hand (rounded ones among them) are kept as they stand.
    if (s_.ManualEntry != 1) roundedSeries_.reset();
    return notes;
}

Single& DesignSession::Part(int stage, StagePart part)
{
    const int k = std::clamp(stage, 1, kMaxStages);
    const int index = static_cast<int>(part);
    return IsResistor(part) ? s_.R[k][index + 1] : s_.C[k][index - 2];
}

void DesignSession::PartsChanged()
{
    // The specified opamp's resistors follow the parts the user holds.
    CorrectPartsForOpamp(s_);
    AnalyzeStageParts(s_);
    ComputeResponse(s_);
}

void DesignSession::StepPart(int stage, StagePart part, bool up)
{
    Single& value = Part(stage, part);
    value = Stepped(value, up);
    PartsChanged();
}

EnterNotes DesignSession::EnterParts(int stage, const std::array<std::optional<std::string>, kStageParts>& texts)
{
    static constexpr const char* kNames[kStageParts] = {"R1", "R2", "R3", "C1", "C2"};
    EnterNotes notes;
    for (int p = 0; p < kStageParts; ++p) {
        if (!texts[p]) continue;
        const auto part = static_cast<StagePart>(p);
        Single& value = Part(stage, part);
        ParseNumberText(*texts[p], value);
        const Single read = value;
        const Single low = IsResistor(part) ? kLowestResistor : kLowestCapacitor;
        const Single high = IsResistor(part) ? kHighestResistor : kHighestCapacitor;
        value = std::min(std::max(value, low), high);
        const std::string note = TakenNote(*texts[p], read, value, {kNames[p], IsResistor(part) ? " ohms" : "F"});
        if (!note.empty()) notes.push_back(note);
    }
    PartsChanged();
    return notes;
}

void DesignSession::StartTuning() { s_.ManualEntry = 1; }

void DesignSession::StepAndRedesign(Single& field, bool up)
{
    field = Stepped(field, up);
    RunDesignChain(s_);
    ComputeFrequencyGrid(s_);
}

void DesignSession::StepCenter(bool up) { StepAndRedesign(s_.Center, up); }
void DesignSession::StepWidth(bool up) { StepAndRedesign(s_.Width, up); }

void DesignSession::RoundToStandardValues(StandardSeries series, bool specifiedOpampToo)
{
    for (int k = 1; k <= StageCount(s_); ++k) {
        s_.SavedR[k] = s_.R[k];
        s_.SavedC[k] = s_.C[k];
    }
    manualBeforeRounding_ = s_.ManualEntry;
    rsBeforeRounding_ = s_.Rs;
    // E24 goes through the very rounding of "Nearest 5%".
    auto round = [&](ResArray& r) {
        for (int k = 1; k <= StageCount(s_); ++k)
            for (int j = 1; j <= 3; ++j) r[k][j] = RoundToSeries(r[k][j], series);
    };
    round(s_.R);
    roundedSeries_ = series;
    PartsChanged();
    // The specified opamp's resistors follow the rounded parts, and are rounded in turn when asked.
    if (specifiedOpampToo) round(s_.Rs);
    s_.ManualEntry = 1;
}

void DesignSession::RestoreParts()
{
    for (int k = 1; k <= StageCount(s_); ++k) {
        s_.R[k] = s_.SavedR[k];
        s_.C[k] = s_.SavedC[k];
    }
    roundedSeries_.reset();
    PartsChanged();
    s_.ManualEntry = manualBeforeRounding_;
    // And the specified opamp's resistors that were there (a design run's, for a family design).
    s_.Rs = rsBeforeRounding_;
}

void DesignSession::PreparePlot() { ComputeFrequencyGrid(s_); }

void DesignSession::PrepareOpampTest()
{
    ClampOpampDCGain(s_);
    ComputeDecadeGrid(s_);
}

} // namespace stelvane
