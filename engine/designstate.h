#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace stelvane {

// Integer fields of the record are 16-bit, Single fields are 32-bit floats.
using Integer = std::int16_t;
using Single = float;

constexpr int kMaxStages = 21;    // stages 1..21; index 0 is never used by the engine
constexpr int kMaxPoints = 2000;  // sweep points 0..2000

using StageArray = std::array<Single, kMaxStages + 1>;
using StageFlags = std::array<Integer, kMaxStages + 1>;
using CapArray = std::array<std::array<Single, 3>, kMaxStages + 1>;  // (0..21, 0..2)
using ResArray = std::array<std::array<Single, 4>, kMaxStages + 1>;  // (0..21, 0..3)
using SweepArray = std::array<Single, kMaxPoints + 1>;

// The filter family of a design. The Enter step sets only the first three; a
// design file may bring FromPoles (its poles are kept as they stand), and any
// other number a record holds is designed as Chebyshev.
enum class FilterFamily : Integer { None = 0, Butterworth = 1, Chebyshev = 2, Bessel = 3, FromPoles = 4 };
// How the sweep spaces its points; a number other than these two lays no grid.
enum class SweepSpacing : Integer { None = 0, Linear = 1, Log = 2 };
// Where the parts come from: the family design, or the user's own hand (typed,
// tuned or rounded), in which case the Enter step keeps them as they stand.
enum class PartsEntry : Integer { Designed = 0, Manual = 1 };
// Which resistors the circuit is built with: R for an ideal opamp, or Rs
// corrected for the specified opamp.
enum class PartsType : Integer { Ideal = 0, Specified = 1 };

// How the passband gain is shared over the stages: equally (with equal
// capacitors, a stage takes at most 2Q^2), or so that every stage can be built.
enum class StageGains : Integer { Equal = 0, Buildable = 1 };
// How Rs is corrected for the specified opamp: to first order in q f0 / GBW,
// or solved exactly for the single-pole opamp.
enum class OpampCorrection : Integer { FirstOrder = 0, Exact = 1 };
// The order of the stages in the cascade: the family's, or the one that keeps
// the largest intermediate peak smallest.
enum class StageOrder : Integer { Family = 0, Headroom = 1 };

// What the bench asks of a design beyond the design file: the choices above
// and the signal and opamp figures that headroom and noise are worked out
// with. Kept for the run by the session and between runs in the settings.
struct BenchSettings {
    StageGains Gains = StageGains::Equal;
    OpampCorrection Correction = OpampCorrection::FirstOrder;
    StageOrder Order = StageOrder::Family;
    double InputLevel = 1;  // V peak at the filter's input
    double Swing = 10;      // V peak the opamp's output can reach
    double Slew = 10;       // V/us, the opamp's slew rate
    double TempC = 27;      // of the resistors, degrees Celsius
    double En = 0;          // the opamp's voltage noise, nV/rtHz (0: none)
    double In = 0;          // the opamp's current noise, pA/rtHz (0: none)
    double NoiseStart = 0;  // the band the noise is integrated over, Hz;
    double NoiseStop = 0;   // 0 and 0: the sweep's
    friend bool operator==(const BenchSettings&, const BenchSettings&) = default;
};

// A requirement the response is held to: between Fp1 and Fp2 it may lose at
// most Ap dB, below Fs1 and above Fs2 it must be at least As dB down, both
// relative to the highest gain in the passband; when DelaySpread is above 0
// the group delay may vary over the passband by at most that many percent
// of its least value there. Not part of the design file; all 0: no mask.
struct FilterMask {
    double Fp1 = 0, Fp2 = 0, Ap = 0;  // Hz, Hz, dB
    double Fs1 = 0, Fs2 = 0, As = 0;  // Hz, Hz, dB
    double DelaySpread = 0;           // percent; 0: not asked
    bool Active() const { return Fp1 > 0 && Fp2 > Fp1; }
    friend bool operator==(const FilterMask&, const FilterMask&) = default;
};

// The design as the files hold it and the Enter step reads it. Every field
// is zero at construction; the start-up defaults are installed by
// InstallDefaults and friends.
struct StoredDesign {
    // Design inputs
    Single Center = 0;
    Single Width = 0;
    Single Gain = 0;
    Integer Order = 0;
    FilterFamily Family = FilterFamily::None;
    Single Apass = 0;
    Single Caps = 0;
    PartsEntry ManualEntry = PartsEntry::Designed;
    Single GBW = 0;
    Single DCGain = 0;
    Single Zin = 0;

    // Sweep and graph settings
    Single Fstart = 0;
    Single Fstop = 0;
    Integer NrInts = 0;
    SweepSpacing Sweep = SweepSpacing::None;
    Integer NrX = 0;
    Integer NrY = 0;
    Single dBTop = 0;
    Single dBBottom = 0;
    Single DelayTop = 0;

    // Per-stage values, stages 1..Order
    StageArray PoleRe{};
    StageArray PoleIm{};
    CapArray C{};
    ResArray R{};
};

// What the design chain and the sweep derive from the stored design.
struct DerivedDesign {
    // Per-stage arrays, stages 1..Order
    StageArray StageF{};
    StageArray StageQ{};
    StageArray StageGain{};
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
    // 1 where the exact opamp correction found no resistors and the stage
    // keeps the first-order ones.
    StageFlags ExactMissed{};
    // Each cascade stage's place in the family's order (1..Order); 0 while
    // the stages stand in the family's order.
    StageFlags FamilyPlace{};

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
};

// The one design record of the program: the stored design and what is
// derived from it. What the windows show it with is theirs, not the record's.
struct DesignState : StoredDesign, DerivedDesign {
    BenchSettings Bench;
    FilterMask Mask;
};

// Points of a curve read from an overlay file, 0..OverlayLast (-1: none),
// drawn over the response; the plot's, never part of the design.
struct OverlayCurve {
    SweepArray OverlayFreq{};
    SweepArray OverlayValue{};
    Integer OverlayLast = 0;
};

// The opamp a design starts with, and what an unset opamp field becomes.
constexpr Single kDefaultDCGain = 1e5f;
constexpr Single kDefaultGBW = 1e7f;
constexpr Single kDefaultZin = 1e6f;
// The capacitor a design starts with, and what an unset first capacitor becomes.
constexpr Single kStartupCapacitor = 1e-8f;

// The stage count the arrays can hold, 0..21, whatever Order a file brought.
int StageCount(const StoredDesign& s);
// The record's Pi, or pi itself while the constants are not set yet.
Single PiOf(const DerivedDesign& s);
// "Butterworth", "Chebyshev" or "Bessel" for families 1 to 3; null for another number.
const char* FamilyName(FilterFamily family);
// The number a file or a report gives a code, and the code a number brings
// (any number is kept as it came, so that a record says what its file said).
template <class Code>
constexpr Integer NumberOf(Code code)
{
    return static_cast<Integer>(code);
}
template <class Code>
constexpr Code CodeOf(Integer number)
{
    return static_cast<Code>(number);
}

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
    visit("PoleRe", r.PoleRe...), visit("PoleIm", r.PoleIm...), visit("C", r.C...), visit("R", r.R...);
    visit("StageF", r.StageF...), visit("StageQ", r.StageQ...), visit("StageGain", r.StageGain...);
    visit("Rs", r.Rs...), visit("FreqFactor", r.FreqFactor...);
    visit("QFactor", r.QFactor...), visit("GainFactor", r.GainFactor...);
    visit("StageFoActual", r.StageFoActual...), visit("StageQActual", r.StageQActual...);
    visit("StageGainActual", r.StageGainActual...), visit("StageInvalid", r.StageInvalid...);
    visit("ExactMissed", r.ExactMissed...), visit("FamilyPlace", r.FamilyPlace...);
    visit("Freq", r.Freq...), visit("GainDB", r.GainDB...), visit("Phase", r.Phase...);
    visit("Delay", r.Delay...), visit("GridF", r.GridF...), visit("NrGridX", r.NrGridX...);
    visit("Pi", r.Pi...), visit("Qbp", r.Qbp...), visit("VersionText", r.VersionText...);
    visit("Gains", r.Bench.Gains...), visit("Correction", r.Bench.Correction...);
    visit("StageOrder", r.Bench.Order...), visit("InputLevel", r.Bench.InputLevel...);
    visit("Swing", r.Bench.Swing...), visit("Slew", r.Bench.Slew...), visit("TempC", r.Bench.TempC...);
    visit("En", r.Bench.En...), visit("In", r.Bench.In...);
    visit("NoiseStart", r.Bench.NoiseStart...), visit("NoiseStop", r.Bench.NoiseStop...);
    visit("MaskFp1", r.Mask.Fp1...), visit("MaskFp2", r.Mask.Fp2...), visit("MaskAp", r.Mask.Ap...);
    visit("MaskFs1", r.Mask.Fs1...), visit("MaskFs2", r.Mask.Fs2...), visit("MaskAs", r.Mask.As...);
    visit("MaskDelaySpread", r.Mask.DelaySpread...);
}

// Installs the default design settings (everything but capacitors and opamp data).
void InstallDefaults(StoredDesign& s);
// Installs 10 nF for both capacitors of stages 1 and 2.
void InstallCapacitorDefaults(StoredDesign& s);
// Gives each opamp field that is unset its default: a DC gain of 0 or below
// becomes 1e5, a GBW of 0 1e7, a Zin of 0 1e6.
void InstallOpampDefaults(StoredDesign& s);

}  // namespace stelvane
