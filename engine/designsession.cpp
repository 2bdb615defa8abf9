#include "engine/designsession.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <utility>

#include "engine/headroom.h"
#include "engine/numbertext.h"
#include "engine/opampfigures.h"
#include "engine/response.h"
#include "engine/standardvalues.h"
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

// Fields an undo leaves alone: the response, swept anew from the parts, and
// the grid each view lays for itself. Everything else the design chain
// derived is kept, since the sweep does not derive it again.
bool KeptOutOfUndo(std::string_view name)
{
    static constexpr std::string_view kNames[] = {"Freq", "GainDB", "Phase", "Delay", "GridF", "NrGridX"};
    return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

template <class T>
void Pack(std::vector<std::byte>& out, const T& value)
{
    static_assert(std::is_trivially_copyable_v<T>);
    const auto* bytes = reinterpret_cast<const std::byte*>(&value);
    out.insert(out.end(), bytes, bytes + sizeof value);
}

void Pack(std::vector<std::byte>& out, const std::string& text)
{
    Pack(out, text.size());
    const auto* bytes = reinterpret_cast<const std::byte*>(text.data());
    out.insert(out.end(), bytes, bytes + text.size());
}

template <class T>
void Unpack(const std::byte*& in, T& value)
{
    std::memcpy(&value, in, sizeof value);
    in += sizeof value;
}

void Unpack(const std::byte*& in, std::string& text)
{
    std::size_t size = 0;
    Unpack(in, size);
    text.assign(reinterpret_cast<const char*>(in), size);
    in += size;
}

}  // namespace

int DesignSession::Listen(Listener listener)
{
    listeners_.emplace_back(++nextHandle_, std::move(listener));
    return nextHandle_;
}

void DesignSession::StopListening(int handle)
{
    std::erase_if(listeners_, [handle](const auto& l) { return l.first == handle; });
}

void DesignSession::Changed()
{
    ++revision_;
    // A listener may stop listening (its window closes) while it is told.
    const auto listeners = listeners_;
    for (const auto& [handle, listener] : listeners)
        if (std::any_of(listeners_.begin(), listeners_.end(), [h = handle](const auto& l) { return l.first == h; }))
            listener();
}

DesignSession::Snapshot DesignSession::Take() const
{
    Snapshot out;
    out.reserve(16 * 1024);
    VisitFields(
        [&out](const char* name, const auto& field) {
            if (!KeptOutOfUndo(name)) Pack(out, field);
        },
        s_);
    Pack(out, savedR_);
    Pack(out, savedC_);
    Pack(out, manualBeforeRounding_);
    Pack(out, rsBeforeRounding_);
    Pack(out, roundedSeries_.has_value());
    Pack(out, roundedSeries_.value_or(StandardSeries::E24));
    Pack(out, designed_);
    return out;
}

void DesignSession::Put(const Snapshot& snapshot)
{
    const std::byte* in = snapshot.data();
    VisitFields(
        [&in](const char* name, auto& field) {
            if (!KeptOutOfUndo(name)) Unpack(in, field);
        },
        s_);
    Unpack(in, savedR_);
    Unpack(in, savedC_);
    Unpack(in, manualBeforeRounding_);
    Unpack(in, rsBeforeRounding_);
    bool rounded = false;
    StandardSeries series = StandardSeries::E24;
    Unpack(in, rounded);
    Unpack(in, series);
    Unpack(in, designed_);
    roundedSeries_ = rounded ? std::optional(series) : std::nullopt;
    if (StageCount(s_) > 0) ComputeResponse(s_);
}

template <class Change>
auto DesignSession::Step(Change&& change)
{
    Snapshot before = Take();
    // A record whose stages and sweep are not yet worked out from its stored
    // design (just started, or just read) is no place to come back to.
    const bool designedBefore = designed_;
    auto record = [&] {
        if (designedBefore && Take() != before) {
            undo_.push_back(std::move(before));
            if (undo_.size() > static_cast<std::size_t>(kUndoSteps)) undo_.pop_front();
            redo_.clear();
        }
        Changed();
    };
    if constexpr (std::is_void_v<decltype(change())>) {
        change();
        record();
    } else {
        auto result = change();
        record();
        return result;
    }
}

void DesignSession::Apply(const std::function<void(DesignState&)>& change)
{
    Step([&] { change(s_); });
}

ProgramSettings SettingsOf(const DesignState& s) { return {s.GBW, s.DCGain, s.Zin, s.Bench}; }

bool DesignSession::StartUp(const DesignReader& readLastSession, const ProgramSettings* kept)
{
    InitEngine(s_);
    const bool read = readLastSession && readLastSession(s_);
    if (!readLastSession) {
        InstallDefaults(s_);
        InstallCapacitorDefaults(s_);
    }
    if (kept) {
        s_.GBW = kept->GBW;
        s_.DCGain = kept->DCGain;
        s_.Zin = kept->Zin;
        s_.Bench = kept->Bench;
    }
    InstallOpampDefaults(s_);
    // Every design has a first capacitor to scale from.
    if (!(s_.C[1][1] > 0)) s_.C[1][1] = kStartupCapacitor;
    roundedSeries_.reset();
    designed_ = false;
    ClearHistory();
    Changed();
    return read;
}

bool DesignSession::Get(const DesignReader& read)
{
    const bool done = Step([&] { return read(s_); });
    if (done) designed_ = false;
    return done;
}

void DesignSession::Type(const std::function<void(StoredDesign&)>& change)
{
    change(s_);
    Changed();
}

void DesignSession::SetBench(const BenchSettings& bench)
{
    Step([&] {
        const BenchSettings before = s_.Bench;
        s_.Bench = bench;
        const bool redesign =
            before.Gains != bench.Gains || before.Correction != bench.Correction || before.Order != bench.Order;
        if (!redesign || !designed_ || StageCount(s_) == 0) return;
        if (s_.ManualEntry == PartsEntry::Designed && bench.Gains == StageGains::Equal) {
            // Equal gains are designed with equal capacitors: a C1 that
            // buildable gains raised goes back to C2.
            for (int k = 1; k <= StageCount(s_); ++k) s_.C[k][1] = s_.C[k][2];
        }
        if (s_.ManualEntry == PartsEntry::Manual && before.Order != bench.Order) {
            // Parts entered by hand are moved only when the order is asked for.
            RestoreFamilyOrder(s_);
            if (bench.Order == StageOrder::Headroom) {
                AnalyzeStageParts(s_);
                ComputeResponse(s_);
                PutStagesInHeadroomOrder(s_);
            }
        }
        RunDesignChain(s_);
    });
}

void DesignSession::SetOpamp(const ProgramSettings& settings)
{
    Step([&] {
        // The opamp changes the corrected resistors, and the bench choices the
        // design, as the Enter step and SetBench would.
        const bool redesign = SettingsOf(s_) != settings;
        s_.GBW = settings.GBW;
        s_.DCGain = settings.DCGain;
        s_.Zin = settings.Zin;
        s_.Bench = settings.Bench;
        if (redesign && designed_ && StageCount(s_) > 0) RunDesignChain(s_);
    });
}

void DesignSession::SetMask(const FilterMask& mask)
{
    Step([&] { s_.Mask = mask; });
}

EnterNotes DesignSession::KeepStorable()
{
    EnterNotes notes;
    Type([&](StoredDesign&) { notes = KeepSweepStorable(s_); });
    return notes;
}

bool DesignSession::Undo()
{
    if (undo_.empty()) return false;
    redo_.push_back(Take());
    Put(undo_.back());
    undo_.pop_back();
    Changed();
    return true;
}

bool DesignSession::Redo()
{
    if (redo_.empty()) return false;
    undo_.push_back(Take());
    Put(redo_.back());
    redo_.pop_back();
    Changed();
    return true;
}

void DesignSession::ClearHistory()
{
    undo_.clear();
    redo_.clear();
}

EnterResult DesignSession::Enter(DesignInputs& in, const ShowMessage& showMessage)
{
    return Step([&] {
        EnterResult result = EnterStep(s_, in, showMessage);
        designed_ = true;
        // Parts entered by hand (rounded ones among them) are kept as they stand.
        if (s_.ManualEntry != PartsEntry::Manual) roundedSeries_.reset();
        return result;
    });
}

const Single& DesignSession::Part(int stage, StagePart part) const
{
    const int k = std::clamp(stage, 1, kMaxStages);
    const int index = static_cast<int>(part);
    return IsResistor(part) ? s_.R[k][index + 1] : s_.C[k][index - 2];
}

Single& DesignSession::PartOf(int stage, StagePart part)
{
    return const_cast<Single&>(std::as_const(*this).Part(stage, part));
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
    Step([&] {
        Single& value = PartOf(stage, part);
        value = Stepped(value, up);
        PartsChanged();
    });
}

EnterNotes DesignSession::EnterParts(int stage, const std::array<std::optional<std::string>, kStageParts>& texts)
{
    return Step([&] { return TypedParts(stage, texts); });
}

EnterNotes DesignSession::TypedParts(int stage, const std::array<std::optional<std::string>, kStageParts>& texts)
{
    static constexpr const char* kNames[kStageParts] = {"R1", "R2", "R3", "C1", "C2"};
    EnterNotes notes;
    for (int p = 0; p < kStageParts; ++p) {
        if (!texts[p]) continue;
        const auto part = static_cast<StagePart>(p);
        Single& value = PartOf(stage, part);
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

void DesignSession::StartTuning()
{
    Step([&] { s_.ManualEntry = PartsEntry::Manual; });
}

void DesignSession::StepAndRedesign(Single& field, bool up)
{
    field = Stepped(field, up);
    RunDesignChain(s_);
    ComputeFrequencyGrid(s_);
}

void DesignSession::StepCenter(bool up)
{
    Step([&] { StepAndRedesign(s_.Center, up); });
}

void DesignSession::StepWidth(bool up)
{
    Step([&] { StepAndRedesign(s_.Width, up); });
}

void DesignSession::RoundToStandardValues(StandardSeries series, bool specifiedOpampToo)
{
    Step([&] { RoundParts(series, specifiedOpampToo); });
}

void DesignSession::RoundParts(StandardSeries series, bool specifiedOpampToo)
{
    for (int k = 1; k <= StageCount(s_); ++k) {
        savedR_[k] = s_.R[k];
        savedC_[k] = s_.C[k];
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
    s_.ManualEntry = PartsEntry::Manual;
}

void DesignSession::RestoreParts()
{
    Step([&] {
        for (int k = 1; k <= StageCount(s_); ++k) {
            s_.R[k] = savedR_[k];
            s_.C[k] = savedC_[k];
        }
        roundedSeries_.reset();
        PartsChanged();
        s_.ManualEntry = manualBeforeRounding_;
        // And the specified opamp's resistors that were there (a design run's, for a family design).
        s_.Rs = rsBeforeRounding_;
    });
}

// The grid is the view's own; laying it is no change of the design.
void DesignSession::PreparePlot() { ComputeFrequencyGrid(s_); }

void DesignSession::LayDecadeGrid() { ComputeDecadeGrid(s_); }

void DesignSession::PrepareOpampTest()
{
    Step([&] {
        ClampOpampDCGain(s_);
        ComputeDecadeGrid(s_);
    });
}

}  // namespace stelvane
