// Design files from anywhere: the reader must never crash or index past an
// array; a file it refuses leaves the record bit for bit as it was; a file it
// accepts changes only the fields a design file holds, to finite values in
// range, and what it read can be saved and read back.

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "files/designfile.h"
#include "fuzz/fuzzfiles.h"
#include "fuzz/recordcheck.h"
#include "tests/support/recordingnotifier.h"

using namespace stelvane;
using namespace stelvane::reliability;

namespace {

constexpr const char* kTarget = "fuzz_designfile";

// Copies the fields a design file holds from one record to another.
void CopyFileFields(const DesignState& from, DesignState& to)
{
    to.Center = from.Center;
    to.Width = from.Width;
    to.Gain = from.Gain;
    to.Order = from.Order;
    to.Family = from.Family;
    to.Apass = from.Apass;
    to.Fstart = from.Fstart;
    to.Fstop = from.Fstop;
    to.NrInts = from.NrInts;
    to.Sweep = from.Sweep;
    to.dBTop = from.dBTop;
    to.dBBottom = from.dBBottom;
    to.DelayTop = from.DelayTop;
    to.NrY = from.NrY;
    to.NrX = from.NrX;
    for (int i = 1; i <= from.Order && i <= kMaxStages; ++i) {
        to.PoleRe[i] = from.PoleRe[i];
        to.PoleIm[i] = from.PoleIm[i];
        to.C[i] = from.C[i];
        to.R[i] = from.R[i];
    }
}

bool FileFieldsFinite(const DesignState& s)
{
    bool finite = true;
    for (float v : {s.Center, s.Width, s.Gain, s.Apass, s.Fstart, s.Fstop, s.dBTop, s.dBBottom, s.DelayTop})
        finite = finite && std::isfinite(v);
    for (int i = 1; i <= s.Order; ++i) {
        finite = finite && std::isfinite(s.PoleRe[i]) && std::isfinite(s.PoleIm[i]);
        for (int j = 1; j <= 2; ++j) finite = finite && std::isfinite(s.C[i][j]);
        for (int j = 1; j <= 3; ++j) finite = finite && std::isfinite(s.R[i][j]);
    }
    return finite;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const DesignState before = DistinctiveRecord();
    const std::string path = WriteScratch("fuzz.QBX", data, size);

    auto s = std::make_unique<DesignState>(before);
    RecordingNotifier notifier;
    if (!ReadDesignFile(*s, path, notifier)) {
        const std::string changed = FirstDifference(before, *s);
        if (!changed.empty()) FuzzFailure(kTarget, "a refused file changed " + changed);
        if (notifier.messages.size() != 1 || notifier.messages[0].text != kDesignNotReadMessage)
            FuzzFailure(kTarget, "a refused file was not reported once");
        return 0;
    }

    if (!notifier.messages.empty() || notifier.beeps != 0) FuzzFailure(kTarget, "a good file was reported");
    if (s->Order < 0 || s->Order > kMaxStages) FuzzFailure(kTarget, "Order out of range");
    if (s->NrInts < 0 || s->NrInts > kMaxPoints) FuzzFailure(kTarget, "NrInts out of range");
    if (!FileFieldsFinite(*s)) FuzzFailure(kTarget, "a non-finite value was read");
    auto expected = std::make_unique<DesignState>(before);
    CopyFileFields(*s, *expected);
    const std::string stray = FirstDifference(*expected, *s);
    if (!stray.empty()) FuzzFailure(kTarget, "reading changed a field the file does not hold: " + stray);

    // Whatever was read can be saved again, and the saved file reads back.
    const std::string again = ScratchFolder() + "/again.QBX";
    if (!WriteDesignFile(*s, again, notifier)) FuzzFailure(kTarget, "a design just read cannot be saved");
    auto reread = std::make_unique<DesignState>(before);
    if (!ReadDesignFile(*reread, again, notifier)) FuzzFailure(kTarget, "a saved design does not read back");
    if (reread->Order != s->Order || reread->NrInts != s->NrInts || reread->Family != s->Family ||
        reread->Sweep != s->Sweep || reread->NrX != s->NrX || reread->NrY != s->NrY)
        FuzzFailure(kTarget, "a whole-number field changed on saving and reading");
    return 0;
}
