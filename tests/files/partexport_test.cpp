// Every writer of parts (LTspice schematic, ngspice netlist, parts list)
// refuses a part its text would not give back, and then writes nothing.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <string>

#include "files/partslist.h"
#include "spice/netlist.h"
#include "tests/files/filetestsupport.h"
#include "tests/support/recordingnotifier.h"

// The design names only the fields it sets; the rest stay zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace stelvane::testing {
namespace {

// One ordinary stage; the specified opamp's resistors are the same.
constexpr std::array<Single, 4> kStageR{0, 7957.747f, 397.8874f, 15915.49f};
const DesignState kOneStage{StoredDesign{.Order = 1,
                                .GBW = 1e7f,
                                .DCGain = 1e5f,
                                .Zin = 1e12f,
                                .Fstart = 500,
                                .Fstop = 2000,
                                .NrInts = 2,
                                .Sweep = SweepSpacing::Linear,
                                .C = {{{}, {0, 2.2e-8f, 4.7e-9f}}},
                                .R = {{{}, kStageR}}},
    DerivedDesign{.Rs = {{{}, kStageR}}}};

struct PartWriter {
    const char* name;
    std::function<bool(const DesignState&, PartsType, const std::string&, Notifier&)> write;
    std::function<std::string(const std::string&)> message;  // from the stage's words
};

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
    // part: 1..3 R1..R3 (of Rs for the specified opamp), 4 and 5 C1 and C2;
    // refused: what each writer (schematic, netlist, parts list) says, empty when it writes
    const struct {
        const char* name;
        int partsType;
        int part;
        float value;
        std::string refused[3];
    } cases[] = {
        {"an ordinary negative part", 0, 2, -470, {"", "", ""}},
        {"a resistor of 1e-13 ohms", 0, 1, 1e-13f, {"its R1 is 1e-13 ohms", "", ""}},
        {"a resistor below the schematic's four digits", 0, 1, 0.0012345f, {"its R1 is 0.0012345 ohms", "", ""}},
        {"a resistor beyond the schematic's ranges", 0, 3, 1e20f, {"its R3 is 1e+20 ohms", "", ""}},
        {"a capacitor the simulator would read as milli", 0, 4, 2e4f, {"its C1 is 20000 F", "", ""}},
        {"a part of 0", 0, 2, 0, {"its R2 is 0", "its R2 is 0", "its R2 is 0"}},
        {"an infinite resistor", 1, 3, INFINITY,
            {"its R3 is not a finite value", "its R3 is not a finite value", "its R3 is not a finite value"}},
        {"a capacitor of no value", 0, 5, NAN,
            {"its C2 is not a finite value", "its C2 is not a finite value", "its C2 is not a finite value"}},
    };
    for (const auto& c : cases)
        for (int w = 0; w < 3; ++w) {
            const PartWriter& writer = kPartWriters[w];
            SCOPED_TRACE(std::string(writer.name) + ", " + c.name);
            DesignState s = kOneStage;
            (c.part <= 3 ? (c.partsType == 1 ? s.Rs[1][c.part] : s.R[1][c.part]) : s.C[1][c.part - 3]) = c.value;
            ScratchFolder folder;
            WriteBytes(folder / "out", "old");
            RecordingNotifier notifier;
            const bool refused = !c.refused[w].empty();
            EXPECT_EQ(writer.write(s, CodeOf<PartsType>(Integer(c.partsType)), folder / "out", notifier), !refused);
            EXPECT_EQ(ReadBytes(folder / "out") == "old", refused);
            if (!refused) continue;
            const std::string stage =
                c.partsType == 1 ? "Stage 1 cannot be built for the specified opamp: " : "Stage 1 cannot be built: ";
            ASSERT_EQ(notifier.messages.size(), 1u);
            EXPECT_EQ(notifier.messages[0].text, writer.message(stage + c.refused[w]));
        }
}

}  // namespace
}  // namespace stelvane::testing
