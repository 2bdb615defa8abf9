#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace stelvane {

// Integer fields of the record are 16-bit, Single fields are 32-bit floats.
using Integer = std::int16_t;
using Single = float;

constexpr int kMaxStages = 21;   // stages 1..21; index 0 is never used by the engine
constexpr int kMaxPoints = 2000; // sweep points 0..2000

using StageArray = std::array<Single, kMaxStages + 1>;
using StageFlags = std::array<Integer, kMaxStages + 1>;
using CapArray = std::array<std::array<Single, 3>, kMaxStages + 1>; // (0..21, 0..2)
using ResArray = std::array<std::array<Single, 4>, kMaxStages + 1>; // (0..21, 0..3)
using SweepArray = std::array<Single, kMaxPoints + 1>;

// The one design record of the program. Every field is zero at construction;
// the start-up defaults are installed by InstallDefaults and friends.
struct DesignState {
    // Design inputs
    Single Center = 0;
    Single Width = 0;
    Single Gain = 0;
    Integer Order = 0;
    Integer Family = 0;
    Single Apass = 0;
    Single Caps = 0;
    Integer ManualEntry = 0;
    Single GBW = 0;
    Single DCGain = 0;
    Single Zin = 0;

    // Sweep and graph settings
    Single Fstart = 0;
    Single Fstop = 0;
    Integer NrInts = 0;
    Integer Sweep = 0;
    Integer NrX = 0;
    Integer NrY = 0;
    Single dBTop = 0;
    Single dBBottom = 0;
    Single DelayTop = 0;

    // Per-stage arrays, stages 1..Order
    StageArray PoleRe{};
    StageArray PoleIm{};
    StageArray StageF{};
    StageArray StageQ{};
    StageArray StageGain{};
    CapArray C{};
    ResArray R{};
    ResArray Rs{};
    StageArray FreqFactor{};
    StageArray QFactor{};
    StageArray GainFactor{};
    StageArray StageFoActual{};
    StageArray StageQActual{};
    StageArray StageGainActual{};
    // 1 when the stage's present parts give no sensible centre frequency, Q or
    // gain (a part of 0 or below, a negative value under a root); the analysis
    // then stores 0 for those readouts and the views say the stage is invalid.
    StageFlags StageInvalid{};

    // Sweep results, points 0..NrInts
    SweepArray Freq{};
    SweepArray GainDB{};
    SweepArray Phase{};
    SweepArray Delay{};
    SweepArray GridF{};
    Integer NrGridX = 0;

    // Constants and derived values
    Single Pi = 0;
    Single Qbp = 0;
    std::string VersionText;

    // Fields owned by windows
    Integer ShowPhase = 0;
    Integer ShowDelay = 0;
    SweepArray GridPos{};
    ResArray SavedR{};
    CapArray SavedC{};
    Integer PartsType = 0;
    SweepArray OverlayFreq{};
    SweepArray OverlayValue{};
    Integer OverlayLast = 0;
    std::string EasyFileName;       // remembered export names of the file-writing window
    std::string ScientificFileName;
    std::string SpiceFileName;
    std::string NetlistFileName;
    std::string PartsListFileName;
};

// The opamp a design starts with, and what an unset opamp field becomes.
constexpr Single kDefaultDCGain = 1e5f;
constexpr Single kDefaultGBW = 1e7f;
constexpr Single kDefaultZin = 1e6f;

// The stage count the arrays can hold, 0..21, whatever Order a file brought.
int StageCount(const DesignState& s);
// The record's Pi, or pi itself while the constants are not set yet.
Single PiOf(const DesignState& s);
// "Butterworth", "Chebyshev" or "Bessel" for families 1 to 3; null for another number.
const char* FamilyName(Integer family);

// Calls visit("Center", first.Center, others.Center...) for every field of
// the records, in the order they are declared above (for comparing, copying
// and filling whole records without listing their fields again).
template <class Visit, class... Records>
void VisitFields(Visit&& visit, Records&... r)
{
    visit("Center", r.Center...), visit("Width", r.Width...), visit("Gain", r.Gain...);
    visit("Order", r.Order...), visit("Family", r.Family...), visit("Apass", r.Apass...);
    visit("Caps", r.Caps...), visit("ManualEntry", r.ManualEntry...), visit("GBW", r.GBW...);
    visit("DCGain", r.DCGain...), visit("Zin", r.Zin...);
    visit("Fstart", r.Fstart...), visit("Fstop", r.Fstop...), visit("NrInts", r.NrInts...);
    visit("Sweep", r.Sweep...), visit("NrX", r.NrX...), visit("NrY", r.NrY...);
    visit("dBTop", r.dBTop...), visit("dBBottom", r.dBBottom...), visit("DelayTop", r.DelayTop...);
    visit("PoleRe", r.PoleRe...), visit("PoleIm", r.PoleIm...), visit("StageF", r.StageF...);
    visit("StageQ", r.StageQ...), visit("StageGain", r.StageGain...), visit("C", r.C...);
    visit("R", r.R...), visit("Rs", r.Rs...), visit("FreqFactor", r.FreqFactor...);
    visit("QFactor", r.QFactor...), visit("GainFactor", r.GainFactor...);
    visit("StageFoActual", r.StageFoActual...), visit("StageQActual", r.StageQActual...);
    visit("StageGainActual", r.StageGainActual...), visit("StageInvalid", r.StageInvalid...);
    visit("Freq", r.Freq...), visit("GainDB", r.GainDB...), visit("Phase", r.Phase...);
    visit("Delay", r.Delay...), visit("GridF", r.GridF...), visit("NrGridX", r.NrGridX...);
    visit("Pi", r.Pi...), visit("Qbp", r.Qbp...), visit("VersionText", r.VersionText...);
    visit("ShowPhase", r.ShowPhase...), visit("ShowDelay", r.ShowDelay...), visit("GridPos", r.GridPos...);
    visit("SavedR", r.SavedR...), visit("SavedC", r.SavedC...), visit("PartsType", r.PartsType...);
    visit("OverlayFreq", r.OverlayFreq...), visit("OverlayValue", r.OverlayValue...);
    visit("OverlayLast", r.OverlayLast...), visit("EasyFileName", r.EasyFileName...);
    visit("ScientificFileName", r.ScientificFileName...), visit("SpiceFileName", r.SpiceFileName...);
    visit("NetlistFileName", r.NetlistFileName...);
    visit("PartsListFileName", r.PartsListFileName...);
}

// Installs the default design settings (everything but capacitors and opamp data).
void InstallDefaults(DesignState& s);
// Installs 10 nF for both capacitors of stages 1 and 2.
void InstallCapacitorDefaults(DesignState& s);
// Gives each opamp field that is still 0 its default (DCGain 1e5, GBW 1e7, Zin 1e6).
void InstallOpampDefaults(DesignState& s);

} // namespace stelvane
