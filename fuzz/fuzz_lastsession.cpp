// The last-session file at start-up, whatever it holds: never a crash or an
// index past an array; either a design in range or the defaults with their
// one message, the damaged file kept beside as QUIBEX.LAST.damaged.

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include <unistd.h>

#include "files/designfile.h"
#include "fuzz/fuzzfiles.h"
#include "fuzz/recordcheck.h"
#include "tests/support/recordingnotifier.h"

using namespace stelvane;
using namespace stelvane::reliability;

constexpr const char* kTarget = "fuzz_lastsession";

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The last-session file lives in the working directory.
    if (chdir(ScratchFolder().c_str()) != 0) FuzzFailure(kTarget, "cannot enter the scratch folder");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WriteScratch(kLastSessionFileName, data, size);

    // What the opening window holds when it reads the file: constants set,
    // Order 2, everything else still zero.
    auto s = std::make_unique<DesignState>();
    s->Pi = 3.14159274f;
    s->VersionText = "Version 2.03";
    s->Order = 2;
    RecordingNotifier notifier;
    const bool read = ReadLastSession(*s, notifier);

    if (s->Order < 0 || s->Order > kMaxStages) FuzzFailure(kTarget, "Order out of range");
    if (s->NrInts < 0 || s->NrInts > kMaxPoints) FuzzFailure(kTarget, "NrInts out of range");
    if (read) {
        if (!notifier.messages.empty()) FuzzFailure(kTarget, "a good file was reported");
        return 0;
    }
    // The file is there, so it is damaged, said so and kept beside.
    if (notifier.messages.size() != 1 || notifier.messages[0].text.rfind(kLastSessionDamagedMessage, 0) != 0)
        FuzzFailure(kTarget, "a refused file was not reported as damaged exactly once");
    if (access(kLastSessionFileName, F_OK) == 0 ||
        access((std::string(kLastSessionFileName) + kDamagedSuffix).c_str(), F_OK) != 0)
        FuzzFailure(kTarget, "a damaged file was not kept beside");
    auto defaults = std::make_unique<DesignState>(*s);
    InstallDefaults(*defaults);
    InstallCapacitorDefaults(*defaults);
    if (!FirstDifference(*s, *defaults).empty()) FuzzFailure(kTarget, "a refused file did not install the defaults");
    return 0;
}
