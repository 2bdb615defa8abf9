#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/designsession.h"
#include "engine/enterstep.h"
#include "engine/mask.h"
#include "tools/cliargs.h"
#include "tools/clijson.h"

namespace stelvane {

// What the order search found for --mask and which candidate is designed.
struct CliMask {
    std::vector<MaskCandidate> candidates;  // empty with --load: the loaded design is only checked
    std::optional<std::size_t> chosen;
    bool named = false;  // chosen by --family rather than as the lowest order that meets
};

// Designs the inputs as typed (the gain, capacitor, opamp and bench the
// candidates take) without a word, then searches the least order per family
// and chooses the one --family names, else the lowest order that meets, else
// the one that comes nearest. Says on err when what is chosen does not meet.
CliMask SearchMask(const CliOptions& o, DesignSession& session, const DesignInputs& typed, std::ostream& err);

// With --mask and neither --start nor --stop, the sweep runs from one
// transition band below FS1 (at least half of it) to one above FS2.
void SweepOverTheMask(const CliOptions& o, DesignInputs& in);

// The requirement paragraph of the summary: the mask, the candidates side
// by side, which is designed, and the designed response's pass or fail.
std::string MaskSummary(const DesignState& s, const CliMask& search);
// The "mask" member: the figures, the candidates, "chosen", and "check" for the design's response.
Json MaskJson(const DesignState& s, const CliMask& search);

// 3 when the design as written does not meet the mask, else 0.
constexpr int kMaskMissed = 3;
int MaskCode(const DesignState& s);

}  // namespace stelvane
