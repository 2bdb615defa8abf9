#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "engine/cascade.h"
#include "engine/designstate.h"

namespace stelvane {

// The four edges of a mask, in the order the margins are kept.
enum class MaskEdge { Fp1 = 0, Fp2 = 1, Fs1 = 2, Fs2 = 3 };
// "fp1", "fp2", "fs1" or "fs2".
const char* MaskEdgeName(MaskEdge edge);

// A margin this little below 0 dB still meets the mask: the parts are kept
// as Singles, and a Chebyshev design whose ripple is the mask's Ap touches
// the passband limit by construction.
constexpr double kMaskSlackDb = 1e-3;

// How a response stands against a mask. The margin on each side of the
// passband is the least, over that half of it (Fp1 to the geometric centre,
// the centre to Fp2), of Ap minus the loss; on each side of the stopband the
// least, over that stopband, of the attenuation minus As. Above 0 is to
// spare, below 0 a miss.
struct MaskCheck {
    bool meets = false;                // every margin at least -kMaskSlackDb, and the delay spread
    std::array<double, 4> marginDb{};  // by MaskEdge
    MaskEdge worst = MaskEdge::Fp1;    // the edge with the least margin
    double passbandGainDb = 0;         // the reference: the highest gain in the passband
    double delaySpreadPct = 0;         // (most - least) / least group delay over the passband, percent
};

// The cascade of the given ideal-opamp stage terms against the mask,
// evaluated in double precision at points of its own (both passband halves
// densely, the stop edges and points beyond them), not at the sweep's.
MaskCheck CheckMask(const StageTerms* terms, int count, const FilterMask& mask);
// The design's present parts (the ideal-opamp resistors R) against its mask.
MaskCheck CheckMask(const DesignState& s, const FilterMask& mask);

// One family's least order that meets a mask, designed with the margin
// shared evenly. Center and Width are what the design window's fields take,
// as the Singles the design holds: for Butterworth the -3 dB width, for
// Chebyshev the ripple width, for Bessel the field's one-rad/s width (the
// prototype's group delay normalised to 1 s; its -3 dB width is wider).
// Ripple is Ap for Chebyshev, less 0.002 dB of headroom for the rounding of
// high-Q stages (0.01 or 0.05 dB where that is not enough) (within the 0.001..20 dB the field takes), else 0.
struct MaskCandidate {
    FilterFamily family = FilterFamily::None;
    int order = 0;  // the least that meets; the highest tried when none does
    bool meets = false;
    MaskCheck check;  // of the designed candidate
    double center = 0, width = 0, ripple = 0;
    double maxStageQ = 0;
    bool buildable = true;  // every stage can be built at the design's gain, with R and with Rs
};

// The least order per family (Butterworth, Chebyshev, Bessel, in that order)
// for the mask, each designed from `base` (its gain, capacitor, opamp and
// bench choices, the stage-gain choice among them) at the least order that
// meets the mask, or at the best order tried (see below) when none does.
// Empty for a mask that is not six figures above 0 with Fs1 < Fp1 < Fp2 <
// Fs2 and As above Ap.
//
// The mask is carried to the lowpass prototype by the geometric bandpass
// transformation about sqrt(Fp1 Fp2): a design of width W puts both passband
// edges at (Fp2 - Fp1) / W and each stop edge at |f^2 - Fp1 Fp2| / (f W);
// the nearer stop edge (the smaller of the two) decides. Butterworth and
// Chebyshev take the textbook least order in closed form, Bessel the first
// order whose prototype meets with the margin shared evenly. The width then
// shares the margin evenly: for Butterworth and Bessel it is chosen so that
// the passband edges keep as many dB to spare below Ap as the nearer stop
// edge keeps above As; when that leaves both short, the passband edges lose
// Ap exactly and the stopband is left short. A Chebyshev of ripple Ap
// reaches Ap in its ripple troughs wherever its band edge lies, so its
// passband margin is 0 by construction (0.002 dB with the headroom above):
// its ripple band is the passband (widened by a guard against rounding) and
// all the spare goes to the stopband. Each candidate is then designed
// through a session of its own and checked with CheckMask; when
// rounding leaves it short, or the delay spread is too wide, the next order
// is tried, up to the highest, or until only the delay spread misses and a
// further order spreads it more (Butterworth and Chebyshev do): the order
// below is then the family's best.
std::vector<MaskCandidate> FindCandidates(const DesignState& base, const FilterMask& mask);

// The candidate that is designed: the one of `family` when given, else the
// lowest order that meets (the family order breaking ties); nullopt when no
// candidate meets and no family is given.
std::optional<std::size_t> ChooseCandidate(
    const std::vector<MaskCandidate>& candidates, std::optional<FilterFamily> family);

// The candidate that comes nearest to meeting: the greatest least margin
// (the family order breaking ties); for when none meets. 0 for an empty list.
std::size_t ClosestCandidate(const std::vector<MaskCandidate>& candidates);

}  // namespace stelvane
