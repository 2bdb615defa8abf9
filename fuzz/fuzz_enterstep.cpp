// The Enter step (through the design pipeline) with arbitrary texts in every field of the design window: it
// must never crash, hang or index past an array, and whatever it accepts must
// leave a sweep with finite numbers only.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/designsession.h"
#include "engine/standardvalues.h"
#include "fuzz/fuzzfiles.h"
#include "fuzz/recordcheck.h"
#include "tests/engine/engine_test_support.h"

using namespace stelvane;
using stelvane::reliability::FuzzFailure;

constexpr const char* kTarget = "fuzz_enterstep";

// The first byte chooses the option buttons and the entry mode: the family in its low two bits
// (0 none, as manual entry chooses), then linear, logarithmic, manual entry, and the start-up design
// run before the switch to manual entry. The rest is the window's texts, one per line, in the order
// of DesignInputs.
enum : std::uint8_t { kFamilyMask = 0x03, kLinear = 0x04, kLog = 0x08, kManualEntry = 0x10, kDesignFirst = 0x20 };

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;
    const std::uint8_t options = data[0];
    std::vector<std::string> texts(1);
    for (std::size_t n = 1; n < size; ++n) {
        if (data[n] == '\n')
            texts.emplace_back();
        else
            texts.back() += static_cast<char>(data[n]);
    }
    texts.resize(21);

    DesignState s = testing::StartUpRecord();
    int messages = 0;
    const ShowMessage count = [&messages](const std::string&) { ++messages; };
    if (options & kDesignFirst) {
        DesignInputs startup = InputsFromRecord(s);
        EnterStep(s, startup, count);
    }
    s.ManualEntry = (options & kManualEntry) ? PartsEntry::Manual : PartsEntry::Designed;

    DesignInputs in;
    std::string* const fields[] = {&in.txtCenter, &in.txtWidth, &in.lblOrderInput, &in.txtGain, &in.txtCaps,
        &in.txtApass, &in.txtStart, &in.txtStop, &in.txtInts, &in.lblNrX, &in.lblNrY, &in.txtdBTop, &in.txtdBBottom,
        &in.txtDelay, &in.txtGainDC, &in.txtGBW, &in.txtZin};
    for (std::size_t n = 0; n < std::size(fields); ++n) *fields[n] = texts[n];
    const int family = options & kFamilyMask;
    in.optButterworth = family == 1;
    in.optChebyshev = family == 2;
    in.optBessel = family == 3;
    in.optLinear = (options & kLinear) != 0;
    in.optLog = (options & kLog) != 0;

    messages = 0;
    DesignSession(s).Enter(in, count);

    if (s.Order < 0 || s.Order > kMaxStages) FuzzFailure(kTarget, "Order out of range: " + std::to_string(s.Order));
    const std::string bad = reliability::FirstNonFiniteSweep(s);
    if (!bad.empty()) FuzzFailure(kTarget, "non-finite sweep: " + bad);
    if (messages > 2) FuzzFailure(kTarget, "more than the two ripple messages: " + std::to_string(messages));
    return 0;
}
