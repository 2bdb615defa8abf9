#include "files/spiceschematic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/recordingnotifier.h"
#include "tests/files/filetestsupport.h"

namespace stelvane {
namespace {

using testing::CrLfLines;
using testing::CrLfText;
using testing::OnlyCrLfLineEnds;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

DesignState OneStage()
{
    DesignState s;
    s.Order = 1;
    s.R[1][1] = 7957.747f;  // "7.958k"
    s.R[1][2] = 397.8874f;  // "397.89 " with its blank
    s.R[1][3] = 15915.49f;  // "15.915k"
    s.Rs[1][1] = 1.5e6f;    // only for the specified opamp
    s.C[1][1] = 2.2e-8f;    // "0.022uF"
    s.C[1][2] = 4.7e-9f;    // "4700pF"
    s.StageFoActual[1] = 1000;
    s.Sweep = 1;
    s.Fstart = 500;
    s.Fstop = 2000;
    s.GBW = 1e7f;
    s.PartsType = 0;
    return s;
}

// One stage at x = 32, worked out by hand from the placement rules.
const std::vector<std::string> kOneStageIdeal = {
    "Version 4",
    "SHEET 1 1 1",
    // the source at (0, 0)
    "SYMBOL voltage  0  48 M0",
    "WINDOW 123 24 132 Left 0",
    "SYMATTR InstName Vgen",
    "SYMATTR Value AC 1",
    "WIRE  0  0  0  64 ",
    "WIRE  0  0  32  0 ",
    "WIRE  0  144  0  208 ",
    "FLAG  0  208 0",
    // R1 across from (32, 0)
    "SYMBOL res  48  16 R270",
    "WINDOW 0  32  56  VTop 0",
    "WINDOW 3  0  56  VBottom 0",
    "SYMATTR InstName R1",
    "SYMATTR Value 7.958k",
    "WIRE  32  0  64  0 ",
    "WIRE  144  0  208  0 ",
    // R2 down from (208, 0) to ground
    "SYMBOL res  192  48 R0",
    "SYMATTR InstName R2",
    "SYMATTR Value 397.89 ",
    "WIRE  208  0  208  64 ",
    "WIRE  208  144  208  208 ",
    "FLAG  208  208 0",
    "WIRE  208  0  240  0 ",
    // C1 at (240, 0)
    "SYMBOL cap  272  16 R270",
    "WINDOW 0 0 32 Vbottom 0",
    "WINDOW 3 32 32 Vtop 0",
    "SYMATTR InstName C1",
    "SYMATTR Value 0.022uF",
    "WIRE  240  0  272  0 ",
    "WIRE  336  0  368  0 ",
    // C2 at (240, -208)
    "SYMBOL cap  272 -192 R270",
    "WINDOW 0 0 32 Vbottom 0",
    "WINDOW 3 32 32 Vtop 0",
    "SYMATTR InstName C2",
    "SYMATTR Value 4700pF",
    "WIRE  240 -208  272 -208 ",
    "WIRE  336 -208  368 -208 ",
    "WIRE  240 -208  240  0 ",
    // R3 from (368, -208) down to the inverting input line
    "SYMBOL res  352 -160 R0",
    "SYMATTR InstName R3",
    "SYMATTR Value 15.915k",
    "WIRE  368 -208  368 -144 ",
    "WIRE  368 -64  368  0 ",
    // the opamp at (464, -48)
    "SYMBOL Opamps\\\\opamp  464 -48 R0",
    "SYMATTR InstName U1",
    "WIRE  368  0  432  0 ",
    "WIRE  432  32  400  32 ",
    "WIRE  400  32  400  208 ",
    "FLAG  400  208 0",
    "WIRE  496  16  528  16 ",
    "WIRE  528  16  528 -208 ",
    "WIRE  528 -208  368 -208 ",
    "WIRE  528  0  560  0 ",
    "TEXT  288  272 LEFT 0 1kHz",
    "FLAG  560  0 Output",
    "TEXT 0 368 Left 0 !.include Opamp.sub",
    "TEXT 0 400 Left 0 !.AC LIN 1000  500   2000 ",
    "TEXT 0 432 Left 0 ;QUIBEX from Brellin Software",
    "TEXT 0 464 Left 0 ;Parts values based on ideal opamp",
};

TEST(SpiceSchematic, OneStageGivesTheWholeSchematicByteForByte)
{
    ScratchFolder folder;
    RecordingNotifier notifier;
    ASSERT_TRUE(WriteSpiceSchematic(OneStage(), folder / "QUIBEXdefault.ASC", notifier));
    const std::string text = ReadBytes(folder / "QUIBEXdefault.ASC");
    EXPECT_EQ(text, CrLfText(kOneStageIdeal));
    EXPECT_EQ(notifier.beeps, 0);
    EXPECT_TRUE(notifier.messages.empty());
    // the opamp symbol head holds two backslash characters
    EXPECT_NE(text.find(std::string("Opamps") + '\\' + '\\' + "opamp"), std::string::npos);
}

// The lines of the file that begin with the given text, in order.
std::vector<std::string> LinesStartingWith(const std::vector<std::string>& lines, const std::string& head)
{
    std::vector<std::string> found;
    for (const auto& line : lines)
        if (line.rfind(head, 0) == 0) found.push_back(line);
    return found;
}

TEST(SpiceSchematic, ValuesSweepAndOpampFollowTheChoices)
{
    DesignState specified = OneStage();
    specified.Order = 2;
    specified.PartsType = 1;
    specified.Sweep = 2;
    specified.Fstart = 10;
    specified.Fstop = 2e7f;
    specified.GBW = 1e7f;
    specified.Rs[1][1] = 1.5e6f;  // mega becomes MEG
    specified.Rs[1][2] = -470;    // a negative value keeps its sign
    specified.Rs[1][3] = 0;       // the zero text of the value form
    specified.Rs[2][1] = -1.2e6f; // negative mega
    specified.Rs[2][2] = 4700;
    specified.Rs[2][3] = 47;
    specified.R[2][1] = 1; // the ideal set must not appear
    specified.C[2][1] = 1e-7f;
    specified.C[2][2] = 1.5e-10f;
    specified.StageFoActual[1] = 1000;
    specified.StageFoActual[2] = 1234.5678f;

    DesignState idealMega = OneStage();
    idealMega.R[1][1] = 2.7e6f;
    idealMega.Rs[1][1] = 5;

    const struct {
        const char* name;
        DesignState design;
        std::vector<std::string> values;
        std::vector<std::string> texts;
    } cases[] = {
        {"specified opamp, two stages, logarithmic sweep", specified,
         // per stage: R1, R2, C1, C2, R3
         {"SYMATTR Value 1.5MEG", "SYMATTR Value -470 ", "SYMATTR Value 0.022uF", "SYMATTR Value 4700pF",
          "SYMATTR Value  0       ", "SYMATTR Value -1.2MEG", "SYMATTR Value 4.7k", "SYMATTR Value 0.1uF",
          "SYMATTR Value 150pF", "SYMATTR Value 47 "},
         {"TEXT  288  272 LEFT 0 1kHz", "TEXT  816  272 LEFT 0 1.2346kHz", "TEXT 0 368 Left 0 !.include Opamp.sub",
          "TEXT 0 400 Left 0 !.AC DEC 1000  10   2E+07 ", "TEXT 0 432 Left 0 ;QUIBEX from Brellin Software",
          "TEXT 0 464 Left 0 ;Parts values based on specified opamp", "TEXT 0 496 Left 0 ;GBW: 10M "}},
        {"ideal opamp with a mega resistor", idealMega,
         {"SYMATTR Value 2.7MEG", "SYMATTR Value 397.89 ", "SYMATTR Value 0.022uF", "SYMATTR Value 4700pF",
          "SYMATTR Value 15.915k"},
         {"TEXT  288  272 LEFT 0 1kHz", "TEXT 0 368 Left 0 !.include Opamp.sub",
          "TEXT 0 400 Left 0 !.AC LIN 1000  500   2000 ", "TEXT 0 432 Left 0 ;QUIBEX from Brellin Software",
          "TEXT 0 464 Left 0 ;Parts values based on ideal opamp"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        RecordingNotifier notifier;
        ASSERT_TRUE(WriteSpiceSchematic(c.design, folder / "s.ASC", notifier));
        const std::vector<std::string> lines = CrLfLines(ReadBytes(folder / "s.ASC"));
        EXPECT_EQ(LinesStartingWith(lines, "SYMATTR Value ").size(), c.values.size() + 1); // and the source's "AC 1"
        std::vector<std::string> values = LinesStartingWith(lines, "SYMATTR Value ");
        values.erase(values.begin()); // the source
        EXPECT_EQ(values, c.values);
        EXPECT_EQ(LinesStartingWith(lines, "TEXT "), c.texts);
    }
}

TEST(SpiceSchematic, StagesFollowEachOtherEvery528Units)
{
    const struct {
        const char* name;
        Integer order;
        bool specified;
        std::size_t lines;
        const char* lastText; // the caption of the last stage
        const char* output;
    } cases[] = {
        // 10 lines of head and source, 45 per stage, 5 closing lines (6 with the GBW note)
        {"no stages", 0, false, 15, nullptr, "FLAG  32  0 Output"},
        {"one stage", 1, false, 60, "TEXT  288  272 LEFT 0 1kHz", "FLAG  560  0 Output"},
        {"two stages", 2, true, 106, "TEXT  816  272 LEFT 0 1kHz", "FLAG  1088  0 Output"},
        {"21 stages", 21, true, 961, "TEXT  10848  272 LEFT 0 1kHz", "FLAG  11120  0 Output"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s = OneStage();
        s.Order = c.order;
        s.PartsType = c.specified ? 1 : 0;
        for (int i = 1; i <= kMaxStages; ++i) {
            s.R[i] = s.R[1];
            s.Rs[i] = s.R[1];
            s.C[i] = s.C[1];
            s.StageFoActual[i] = 1000;
        }
        ScratchFolder folder;
        RecordingNotifier notifier;
        ASSERT_TRUE(WriteSpiceSchematic(s, folder / "s.ASC", notifier));
        const std::string text = ReadBytes(folder / "s.ASC");
        EXPECT_TRUE(OnlyCrLfLineEnds(text));
        const std::vector<std::string> lines = CrLfLines(text);
        EXPECT_EQ(lines.size(), c.lines);
        const std::vector<std::string> captions = LinesStartingWith(lines, "TEXT  ");
        EXPECT_EQ(captions.size(), static_cast<std::size_t>(c.order));
        if (c.lastText != nullptr && !captions.empty()) {
            EXPECT_EQ(captions.back(), c.lastText);
        }
        EXPECT_EQ(LinesStartingWith(lines, "FLAG ").back(), c.output);

        // instance names run R1.., C1.., U1.. without gaps
        std::vector<std::string> names = LinesStartingWith(lines, "SYMATTR InstName ");
        std::vector<std::string> expected = {"SYMATTR InstName Vgen"};
        for (int i = 1; i <= c.order; ++i) {
            expected.push_back("SYMATTR InstName R" + std::to_string(3 * i - 2));
            expected.push_back("SYMATTR InstName R" + std::to_string(3 * i - 1));
            expected.push_back("SYMATTR InstName C" + std::to_string(2 * i - 1));
            expected.push_back("SYMATTR InstName C" + std::to_string(2 * i));
            expected.push_back("SYMATTR InstName R" + std::to_string(3 * i));
            expected.push_back("SYMATTR InstName U" + std::to_string(i));
        }
        EXPECT_EQ(names, expected);
    }
}

TEST(SpiceSchematic, FailedWriteBeepsSaysSoAndKeepsTheOldFile)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "folder.ASC");
    WriteBytes(folder / "readonly.ASC", "old\r\n");
    std::filesystem::permissions(folder / "readonly.ASC", std::filesystem::perms::owner_read);
    WriteBytes(folder / "old.ASC", "old\r\n");
    DesignState tooMany = OneStage();
    tooMany.Order = 22;
    struct Case {
        const char* name;
        std::string fileName;
        const char* oldText;
        DesignState design;
    };
    std::vector<Case> cases = {
        {"no such folder", folder / "nowhere/s.ASC", nullptr, OneStage()},
        {"a folder", folder / "folder.ASC", nullptr, OneStage()},
        {"a read-only file", folder / "readonly.ASC", "old\r\n", OneStage()},
        {"no name", "", nullptr, OneStage()},
        {"stages beyond the arrays", folder / "old.ASC", "old\r\n", tooMany},
    };
    if (std::filesystem::is_character_file("/dev/full"))
        cases.push_back({"a full disk", "/dev/full", nullptr, OneStage()});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingNotifier notifier;
        EXPECT_FALSE(WriteSpiceSchematic(c.design, c.fileName, notifier));
        EXPECT_EQ(notifier.beeps, 1);
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_EQ(notifier.messages[0].text, "We could not write the LTspice schematic file");
        EXPECT_EQ(notifier.messages[0].caption, "Stelvane");
        if (c.oldText != nullptr) {
            EXPECT_EQ(ReadBytes(c.fileName), c.oldText);
        }
    }
}

} // namespace
} // namespace stelvane
