#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/designstate.h"
#include "engine/enterstep.h"
#include "engine/standardseries.h"

namespace stelvane {

// The five parts of a stage in the order the tuning panel shows them.
enum class StagePart { R1, R2, R3, C1, C2 };
constexpr int kStageParts = 5;
constexpr bool IsResistor(StagePart part) { return part <= StagePart::R3; }

// What the program keeps between its runs: the specified opamp and the bench.
struct ProgramSettings {
    Single GBW = kDefaultGBW;
    Single DCGain = kDefaultDCGain;
    Single Zin = kDefaultZin;
    BenchSettings Bench;
    friend bool operator==(const ProgramSettings&, const ProgramSettings&) = default;
};
// The settings as the record holds them.
ProgramSettings SettingsOf(const DesignState& s);

// The design pipeline: every sequence of engine steps that the windows and
// the command line run on the one record, and the record's only writer.
// Callers draw and print; they do not order engine calls themselves.
// Every change of the design is one undo step, raises the revision and tells
// the listeners; views redraw from that, they never compare copies.
class DesignSession {
public:
    explicit DesignSession(DesignState& record) : s_(record) {}

    // The design as it stands; only the session's own operations change it.
    const DesignState& Record() const { return s_; }

    // Counts the changes of the design (undo and redo among them).
    std::uint64_t Revision() const { return revision_; }
    using Listener = std::function<void()>;
    // The listener is called after every change; the handle takes it off again.
    int Listen(Listener listener);
    void StopListening(int handle);

    // Reads a design into the record: gives whether it did. A reader that
    // cannot read leaves the record as it was (or, for the last session,
    // installs the default design) and says why itself.
    using DesignReader = std::function<bool(DesignState&)>;

    // Start-up, the one way a run's design comes to be, for the windows and
    // the command line alike: the engine's constants, then the last session
    // as readLastSession reads it or, without a reader, the default design;
    // then an unset opamp field or first capacitor (0 or below) gives way to
    // its default. No undo step: the history starts empty here. Gives whether
    // the last session was read.
    // Settings kept from an earlier run are put in after the last session.
    bool StartUp(const DesignReader& readLastSession = {}, const ProgramSettings* kept = nullptr);
    // Get: a design file read into the record; one undo step when it was read.
    bool Get(const DesignReader& read);

    // A change of the design made outside the engine steps below: one undo
    // step, a new revision, the listeners told.
    void Apply(const std::function<void(DesignState&)>& change);
    // A field of the design window that writes itself into the record as it
    // is typed or chosen (the sweep ends, the scales and grid counts, the
    // family options' ripple and parts entry): no undo step of its own (the
    // Enter step that follows is one), but a new revision and the listeners
    // told.
    void Type(const std::function<void(StoredDesign&)>& change);
    // What the typed sweep and scale fields may leave that the design file
    // would not read again is put right, as a typed change; gives what was changed.
    EnterNotes KeepStorable();

    // Undo and redo of whole design changes; an undo gives every part back
    // bit for bit and the response is swept anew. A change that left the
    // design as it was is no step.
    static constexpr int kUndoSteps = 100;
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    bool Undo();
    bool Redo();
    // Forgets every step (a new run of the program starts with none).
    void ClearHistory();

    // The Enter step: reads and clamps the inputs into the record and runs the
    // design chain; gives what was read otherwise than typed, or clamped, as
    // notes and as values.
    EnterResult Enter(DesignInputs& in, const ShowMessage& showMessage);

    // The bench choices and figures: one undo step. A change of the stage
    // gains, the correction or the stage order designs anew (parts entered
    // by hand keep their values and are only corrected again); the figures
    // alone change no part.
    void SetBench(const BenchSettings& bench);
    // Another opamp (its GBW, DC gain and input impedance, and its bench
    // figures) with the bench: one undo step; the resistors for the
    // specified opamp are worked out anew.
    void SetOpamp(const ProgramSettings& settings);
    // The requirement the response is held to: one undo step; no part changes.
    void SetMask(const FilterMask& mask);

    // A part of a stage (the stage kept within 1..21).
    const Single& Part(int stage, StagePart part) const;
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
    // The parts the last rounding kept for Restore.
    const ResArray& SavedR() const { return savedR_; }
    const CapArray& SavedC() const { return savedC_; }

    // What the plot needs besides the sweep: its grid frequencies.
    void PreparePlot();
    // What the opamp test needs: an excessive DC gain lowered, the decade grid.
    void PrepareOpampTest();
    // The opamp test's decade grid laid again (an undo leaves the grid to the
    // view); no change of the design.
    void LayDecadeGrid();

private:
    // The design and the session's own memory of the last rounding, packed
    // without the sweep arrays (they are swept anew from it).
    using Snapshot = std::vector<std::byte>;
    Snapshot Take() const;
    void Put(const Snapshot& snapshot);
    // Runs a change as one undo step and tells the listeners.
    template <class Change>
    auto Step(Change&& change);
    void Changed();

    Single& PartOf(int stage, StagePart part);
    EnterNotes TypedParts(int stage, const std::array<std::optional<std::string>, kStageParts>& texts);
    void RoundParts(StandardSeries series, bool specifiedOpampToo);
    void PartsChanged();
    void StepAndRedesign(Single& field, bool up);

    DesignState& s_;
    // The memory of the last rounding: the parts it replaced, whether they
    // were entered by hand, and the specified opamp's resistors then.
    ResArray savedR_{};
    CapArray savedC_{};
    PartsEntry manualBeforeRounding_ = PartsEntry::Designed;
    ResArray rsBeforeRounding_{};
    std::optional<StandardSeries> roundedSeries_;

    bool designed_ = true;  // the derived design follows the stored one
    std::uint64_t revision_ = 0;
    int nextHandle_ = 0;
    std::vector<std::pair<int, Listener>> listeners_;
    std::deque<Snapshot> undo_;
    std::vector<Snapshot> redo_;
};

}  // namespace stelvane
