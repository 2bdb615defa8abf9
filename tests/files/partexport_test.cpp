// Every writer of parts (LTspice schematic, ngspice netlist, parts list)
// refuses a part its text would not give back, and then writes nothing.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "files/partslist.h"
#include "spice/netlist.h"
#include "tests/engine/engine_test_support.h"
#include "tests/files/filetestsupport.h"
#include "tests/support/recordingnotifier.h"

namespace stelvane::testing {
namespace {

struct PartWriter {
    const char* name;
    std::function<bool(const DesignState&, PartsType, const std::string&, Notifier&)> write;
    std::function<std::string(const std::string&)> message;  // from the stage's words
};

// The schematic first: it refuses more than the others.
const PartWriter kPartWriters[] = {
    {"schematic", WriteSpiceSchematic, [](const std::string& why) { return why + kSpiceNotBuildableEnding; }},
    {"netlist",
        [](const DesignState& s, PartsType parts, const std::string& f, Notifier& n) {
            return WriteNetlist(s, parts == PartsType::Specified ? OpampModel::Specified : OpampModel::Ideal, f, n);
        },
        [](const std::string& why) { return std::string(kNetlistNotWrittenMessage) + ": " + why; }},
    {"parts list",
        [](const DesignState& s, PartsType parts, const std::string& f, Notifier& n) {
            return WritePartsList(s, parts, f, n, std::nullopt);
        },
        [](const std::string& why) { return why + ". " + kPartsListNotWrittenMessage + "."; }},
};

TEST(PartExport, EveryWriterRefusesAPartItsTextWouldNotGiveBackAndWritesNothing)
{
    // part: 1..3 R1..R3 (of Rs for the specified opamp), 4 and 5 C1 and C2; refusedBy: how many writers refuse
    // it (the schematic alone, or all), and why, after "Stage 1 cannot be built"
    const struct {
        const char* name;
        int partsType, part;
        float value;
        int refusedBy;
        std::string why = "";
    } cases[] = {
        {"an ordinary negative part", 0, 2, -470, 0},
        {"a resistor of 1e-13 ohms", 0, 1, 1e-13f, 1, ": its R1 is 1e-13 ohms"},
        {"a capacitor the simulator would read as milli", 0, 4, 2e4f, 1, ": its C1 is 20000 F"},
        {"a part of 0", 0, 2, 0, 3, ": its R2 is 0"},
        {"an infinite resistor", 1, 3, INFINITY, 3, " for the specified opamp: its R3 is not a finite value"},
    };
    const auto startUp = StartUpDesign();  // two ordinary stages; the first gets the part
    for (const auto& c : cases)
        for (int w = 0; w < 3; ++w) {
            const PartWriter& writer = kPartWriters[w];
            SCOPED_TRACE(std::string(writer.name) + ", " + c.name);
            DesignState s = *startUp;
            (c.part <= 3 ? (c.partsType == 1 ? s.Rs[1][c.part] : s.R[1][c.part]) : s.C[1][c.part - 3]) = c.value;
            ScratchFolder folder;
            WriteBytes(folder / "out", "old");
            RecordingNotifier notifier;
            const bool refused = w < c.refusedBy;
            EXPECT_EQ(writer.write(s, CodeOf<PartsType>(Integer(c.partsType)), folder / "out", notifier), !refused);
            EXPECT_EQ(ReadBytes(folder / "out") == "old", refused);
            if (!refused) continue;
            ASSERT_EQ(notifier.messages.size(), 1u);
            EXPECT_EQ(notifier.messages[0].text, writer.message("Stage 1 cannot be built" + c.why));
        }
}

}  // namespace
}  // namespace stelvane::testing
