// Overlay files from anywhere: the reader must never crash or write past the
// overlay arrays, must keep only finite points and must say when a file holds
// no usable point. The curve is all it can reach; the record is out of its way.

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "files/plotoverlay.h"
#include "fuzz/fuzzfiles.h"
#include "fuzz/recordcheck.h"

using namespace stelvane;
using namespace stelvane::reliability;

constexpr const char* kTarget = "fuzz_overlay";

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = WriteScratch(kOverlayGainFileName, data, size);

    // The curve is all the reader can reach; it starts from a stale curve.
    auto s = std::make_unique<OverlayCurve>();
    s->OverlayFreq.fill(NAN);
    s->OverlayLast = 7;
    std::string problem;
    if (!ReadPlotOverlay(*s, path, &problem)) FuzzFailure(kTarget, "an existing file was not read");
    // A file without one usable point is said; one with points is drawn without a word.
    if (problem.empty() != (s->OverlayLast >= 0))
        FuzzFailure(kTarget, "no point read but nothing said, or the reverse");
    if (s->OverlayLast < -1 || s->OverlayLast > kMaxPoints) FuzzFailure(kTarget, "OverlayLast out of range");
    for (int n = 0; n <= s->OverlayLast; ++n)
        if (!std::isfinite(s->OverlayFreq[n]) || !std::isfinite(s->OverlayValue[n]))
            FuzzFailure(kTarget, "a non-finite point was kept");
    return 0;
}
