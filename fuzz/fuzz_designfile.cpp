// Design files from anywhere: the reader must never crash or index past an
// array; a file it refuses leaves the record bit for bit as it was and is
// reported by its name; a file it accepts holds values in their ranges (Order
// 1..21, 1..10 for Bessel; Family 1..4; Sweep 1..2; NrX, NrY 1..12; the
// frequencies above 0; dBTop above dBBottom) and changes only the fields a design file holds (and marks parts that
// are not the family design as entered by hand), to finite values in range,
// and what it read can be saved and read back.

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "files/designfile.h"
#include "files/storedfields.h"
#include "fuzz/fuzzfiles.h"
#include "fuzz/recordcheck.h"
#include "tests/support/recordingnotifier.h"

using namespace stelvane;
using namespace stelvane::reliability;

constexpr const char* kTarget = "fuzz_designfile";

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const DesignState before = DistinctiveRecord();
    const std::string path = WriteScratch("fuzz.QBX", data, size);

    auto s = std::make_unique<DesignState>(before);
    RecordingNotifier notifier;
    if (!ReadDesignFile(*s, path, notifier)) {
        const std::string changed = FirstDifference(before, *s);
        if (!changed.empty()) FuzzFailure(kTarget, "a refused file changed " + changed);
        if (notifier.messages.size() != 1 || notifier.messages[0].text.rfind(kDesignNotReadMessage, 0) != 0 ||
            notifier.messages[0].text.find(path) == std::string::npos)
            FuzzFailure(kTarget, "a refused file was not reported once, by its name");
        return 0;
    }

    if (!notifier.messages.empty() || notifier.beeps != 0) FuzzFailure(kTarget, "a good file was reported");
    if (s->Order < 1 || s->Order > (s->Family == FilterFamily::Bessel ? 10 : kMaxStages))
        FuzzFailure(kTarget, "Order out of range");
    if (s->NrInts < 0 || s->NrInts > kMaxPoints) FuzzFailure(kTarget, "NrInts out of range");
    const int family = NumberOf(s->Family), sweep = NumberOf(s->Sweep);
    if (family < 1 || family > 4 || sweep < 1 || sweep > 2 || s->NrX < 1 || s->NrX > 12 || s->NrY < 1 || s->NrY > 12)
        FuzzFailure(kTarget, "a whole-number field out of its range");
    if (!(s->Center > 0 && s->Width > 0 && s->Fstart > 0 && s->Fstop > 0 && s->dBTop > s->dBBottom))
        FuzzFailure(kTarget, "a frequency not above 0 or a gain scale upside down");
    VisitStoredFields(
        [](const char* name, auto v) {
            if (!std::isfinite(v)) FuzzFailure(kTarget, std::string("a non-finite value was read: ") + name);
        },
        *s);
    auto expected = std::make_unique<DesignState>(before);
    VisitStoredFields([](const char*, auto from, auto& to) { to = from; }, *s, *expected);
    // Parts that are not the family design of the file's figures are taken as entered by hand.
    if (s->ManualEntry != before.ManualEntry && s->ManualEntry != PartsEntry::Manual)
        FuzzFailure(kTarget, "ManualEntry read as neither");
    expected->ManualEntry = s->ManualEntry;
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
