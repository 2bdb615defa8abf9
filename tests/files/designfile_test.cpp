#include "files/designfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
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

// The two-stage default design with the poles and parts a Butterworth run gives.
DesignState DefaultTwoStage()
{
    DesignState s;
    InstallDefaults(s);
    InstallCapacitorDefaults(s);
    s.PoleRe[1] = -0.7071068f;
    s.PoleIm[1] = 0.7071068f;
    s.PoleRe[2] = -0.7071068f;
    s.PoleIm[2] = -0.7071068f;
    s.R[1][1] = 11253.95f;
    s.R[1][2] = 281.3488f;
    s.R[1][3] = 22507.91f;
    return s;
}

// One stage with negative values, values in exponent form and unusual codes.
DesignState OneStageOddValues()
{
    DesignState s;
    s.Center = 1500.5f;
    s.Width = 250;
    s.Gain = -6.5f;
    s.Order = 1;
    s.Family = 2;
    s.Apass = 0.5f;
    s.Fstart = 100;
    s.Fstop = 2e7f;
    s.NrInts = 2000;
    s.Sweep = 2;
    s.dBTop = 12.25f;
    s.dBBottom = -60;
    s.DelayTop = 5e-5f;
    s.NrY = 8;
    s.NrX = 5;
    s.PoleRe[1] = -0.7071068f;
    s.PoleIm[1] = 0.7071068f;
    s.C[1][1] = 2.2e-8f;
    s.C[1][2] = 4.7e-9f;
    s.R[1][1] = 7957.747f;
    s.R[1][2] = 397.8874f;
    s.R[1][3] = 1.5e7f;
    return s;
}

// A design with every stored field set to something different, over all 21 stages.
DesignState TwentyOneStages()
{
    DesignState s;
    s.Center = 12345.67f;
    s.Width = 0.3333333f;
    s.Gain = -0.000123f;
    s.Order = 21;
    s.Family = 4;
    s.Apass = 19.99f;
    s.Fstart = 1e-3f;
    s.Fstop = 9.876543e9f;
    s.NrInts = 0;
    s.Sweep = 1;
    s.dBTop = 123.4567f;
    s.dBBottom = -98.76543f;
    s.DelayTop = 1.234567e-7f;
    s.NrY = -3;
    s.NrX = 32767;
    for (int i = 1; i <= kMaxStages; ++i) {
        s.PoleRe[i] = -0.1234567f * static_cast<float>(i);
        s.PoleIm[i] = (i % 2 ? 1.0f : -1.0f) * 3.141593f / static_cast<float>(i);
        s.C[i][1] = 1.234567e-9f * static_cast<float>(i);
        s.C[i][2] = 9.87e-12f * static_cast<float>(i * i);
        s.R[i][1] = 1000.001f * static_cast<float>(i);
        s.R[i][2] = 7.654321e6f / static_cast<float>(i);
        s.R[i][3] = -0.5f * static_cast<float>(i);
    }
    return s;
}

// Every field of the record a design file stores, and a few it must not touch.
void ExpectSameDesign(const DesignState& a, const DesignState& b)
{
    EXPECT_EQ(a.Center, b.Center);
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Gain, b.Gain);
    EXPECT_EQ(a.Order, b.Order);
    EXPECT_EQ(a.Family, b.Family);
    EXPECT_EQ(a.Apass, b.Apass);
    EXPECT_EQ(a.Fstart, b.Fstart);
    EXPECT_EQ(a.Fstop, b.Fstop);
    EXPECT_EQ(a.NrInts, b.NrInts);
    EXPECT_EQ(a.Sweep, b.Sweep);
    EXPECT_EQ(a.dBTop, b.dBTop);
    EXPECT_EQ(a.dBBottom, b.dBBottom);
    EXPECT_EQ(a.DelayTop, b.DelayTop);
    EXPECT_EQ(a.NrY, b.NrY);
    EXPECT_EQ(a.NrX, b.NrX);
    EXPECT_TRUE(a.PoleRe == b.PoleRe);
    EXPECT_TRUE(a.PoleIm == b.PoleIm);
    EXPECT_TRUE(a.C == b.C);
    EXPECT_TRUE(a.R == b.R);
    EXPECT_TRUE(a.Rs == b.Rs);
    EXPECT_EQ(a.GBW, b.GBW);
    EXPECT_EQ(a.DCGain, b.DCGain);
    EXPECT_EQ(a.Zin, b.Zin);
    EXPECT_EQ(a.Caps, b.Caps);
    EXPECT_EQ(a.ManualEntry, b.ManualEntry);
}

// Reals come back to seven significant digits: the decimal text is within half
// a unit of the seventh digit, and reading it as a float adds at most half a
// float step.
void ExpectSevenDigits(float read, float written, const std::string& what)
{
    const double tolerance = 5e-7 * std::fabs(written) + 0.5 * std::fabs(std::nextafter(written, 0.0f) - written) +
                             std::numeric_limits<float>::denorm_min();
    EXPECT_NEAR(read, written, tolerance) << what;
}

void ExpectDefaultSettings(const DesignState& s)
{
    EXPECT_EQ(s.Center, 1000);
    EXPECT_EQ(s.Width, 200);
    EXPECT_EQ(s.Family, 1);
    EXPECT_EQ(s.Gain, 0);
    EXPECT_EQ(s.Order, 2);
    EXPECT_EQ(s.Apass, 0.2f);
    EXPECT_EQ(s.Fstart, 500);
    EXPECT_EQ(s.Fstop, 2000);
    EXPECT_EQ(s.NrInts, 1000);
    EXPECT_EQ(s.Sweep, 1);
    EXPECT_EQ(s.dBTop, 10);
    EXPECT_EQ(s.dBBottom, -20);
    EXPECT_EQ(s.DelayTop, 0.001f);
    EXPECT_EQ(s.NrY, 6);
    EXPECT_EQ(s.NrX, 10);
}

TEST(DesignFile, WritesOneValuePerLineInTheFixedOrder)
{
    DesignState empty = DefaultTwoStage();
    empty.Order = 0;
    DesignState notNumbers = DefaultTwoStage();
    notNumbers.Order = 1;
    notNumbers.Fstart = std::numeric_limits<float>::infinity();
    notNumbers.PoleIm[1] = std::numeric_limits<float>::quiet_NaN();
    notNumbers.R[1][2] = -std::numeric_limits<float>::infinity();
    const struct {
        const char* name;
        DesignState design;
        std::vector<std::string> lines;
    } cases[] = {
        {"one stage, negative and exponent values", OneStageOddValues(),
         {"1500.5", "250", "-6.5", "1", "2", "0.5", "100", "2E+07", "2000", "2", "12.25", "-60", "5E-05", "8", "5",
          "-0.7071068", "0.7071068",        // pole
          "2.2E-08", "4.7E-09",             // C1, C2
          "7957.747", "397.8874", "1.5E+07" // R1, R2, R3
         }},
        {"two-stage defaults: all poles, then all capacitors, then all resistors", DefaultTwoStage(),
         {"1000", "200", "0", "2", "1", "0.2", "500", "2000", "1000", "1", "10", "-20", "0.001", "6", "10",
          "-0.7071068", "0.7071068", "-0.7071068", "-0.7071068", //
          "1E-08", "1E-08", "1E-08", "1E-08",                   //
          "11253.95", "281.3488", "22507.91", "0", "0", "0"}},
        {"values that are not numbers are saved as 0", notNumbers,
         {"1000", "200", "0", "1", "1", "0.2", "0", "2000", "1000", "1", "10", "-20", "0.001", "6", "10",
          "-0.7071068", "0", "1E-08", "1E-08", "11253.95", "0", "22507.91"}},
        {"no stages: the header alone", empty,
         {"1000", "200", "0", "0", "1", "0.2", "500", "2000", "1000", "1", "10", "-20", "0.001", "6", "10"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        RecordingNotifier notifier;
        EXPECT_TRUE(WriteDesignFile(c.design, folder / "design.QBX", notifier));
        EXPECT_EQ(ReadBytes(folder / "design.QBX"), CrLfText(c.lines));
        EXPECT_EQ(notifier.beeps, 0);
        EXPECT_TRUE(notifier.messages.empty());
    }
}

TEST(DesignFile, HasFifteenLinesAndSevenPerStage)
{
    for (const int order : {0, 1, 2, 10, 21}) {
        SCOPED_TRACE("Order " + std::to_string(order));
        ScratchFolder folder;
        RecordingNotifier notifier;
        DesignState s = TwentyOneStages();
        s.Order = static_cast<Integer>(order);
        ASSERT_TRUE(WriteDesignFile(s, folder / "d.QBX", notifier));
        const std::string text = ReadBytes(folder / "d.QBX");
        EXPECT_TRUE(OnlyCrLfLineEnds(text));
        EXPECT_EQ(CrLfLines(text).size(), static_cast<std::size_t>(15 + 7 * order));
    }
}

TEST(DesignFile, RoundTripKeepsIntegersExactlyAndRealsToSevenDigits)
{
    const struct {
        const char* name;
        DesignState design;
    } cases[] = {
        {"two-stage defaults", DefaultTwoStage()},
        {"one stage, odd values", OneStageOddValues()},
        {"21 stages, every magnitude", TwentyOneStages()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        RecordingNotifier notifier;
        ASSERT_TRUE(WriteDesignFile(c.design, folder / "d.QBX", notifier));
        DesignState read;
        ASSERT_TRUE(ReadDesignFile(read, folder / "d.QBX", notifier));
        EXPECT_TRUE(notifier.messages.empty());
        const DesignState& w = c.design;
        EXPECT_EQ(read.Order, w.Order);
        EXPECT_EQ(read.Family, w.Family);
        EXPECT_EQ(read.NrInts, w.NrInts);
        EXPECT_EQ(read.Sweep, w.Sweep);
        EXPECT_EQ(read.NrY, w.NrY);
        EXPECT_EQ(read.NrX, w.NrX);
        ExpectSevenDigits(read.Center, w.Center, "Center");
        ExpectSevenDigits(read.Width, w.Width, "Width");
        ExpectSevenDigits(read.Gain, w.Gain, "Gain");
        ExpectSevenDigits(read.Apass, w.Apass, "Apass");
        ExpectSevenDigits(read.Fstart, w.Fstart, "Fstart");
        ExpectSevenDigits(read.Fstop, w.Fstop, "Fstop");
        ExpectSevenDigits(read.dBTop, w.dBTop, "dBTop");
        ExpectSevenDigits(read.dBBottom, w.dBBottom, "dBBottom");
        ExpectSevenDigits(read.DelayTop, w.DelayTop, "DelayTop");
        for (int i = 1; i <= w.Order; ++i) {
            const std::string stage = " of stage " + std::to_string(i);
            ExpectSevenDigits(read.PoleRe[i], w.PoleRe[i], "PoleRe" + stage);
            ExpectSevenDigits(read.PoleIm[i], w.PoleIm[i], "PoleIm" + stage);
            for (int j = 1; j <= 2; ++j) ExpectSevenDigits(read.C[i][j], w.C[i][j], "C" + stage);
            for (int j = 1; j <= 3; ++j) ExpectSevenDigits(read.R[i][j], w.R[i][j], "R" + stage);
        }
    }
}

TEST(DesignFile, ReadsEveryDecimalForm)
{
    // The same one-stage design, written in different hands.
    const std::vector<std::string> plain = {"1000", "200", "-3", "1", "1", "0.5", "500", "2000", "100", "2", "10",
                                            "-20", "0.001", "6", "10", "-1", "0", "0.00000001", "0.0000000047",
                                            "10000", "250", "0.5"};
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"plain decimals", CrLfText(plain)},
        {"exponents, capital and small, signed and unsigned",
         CrLfText({"1E3", "2e+2", "-3E0", "1", "1", "5E-1", "5e2", "2.0E03", "1E2", "2", "1e1", "-2E1", "1E-03", "6",
                   "10", "-1e0", "0E0", "1E-08", "4.7e-9", "1E+04", "2.5E2", "5e-1"})},
        {"no leading zeros, trailing points, plus signs",
         CrLfText({"+1000.", "200.0", "-3.", "1", "+1", ".5", "500", "2000", "100", "2", "10.", "-20.0", ".001", "6",
                   "10", "-1.", "-0", ".00000001", ".0000000047", "10000", "250.", "+.5"})},
        {"blanks, tabs and line feeds only",
         "  1000 \n\t200\n-3  \n 1\n1\n0.5\n500\n2000\n100\n2\n10\n-20\n0.001\n6\n10\n-1\n0\n1E-08\n4.7E-09\n10000\n"
         "250\n0.5"},
        {"commas between values on one line",
         "1000,200,-3\r\n1,1,0.5,500,2000,100,2,10,-20,0.001,6,10\r\n-1,0\r\n1E-08,4.7E-09\r\n10000,250,0.5\r\n"},
        {"values after the last stage are ignored", CrLfText(plain) + "123\r\n456\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        WriteBytes(folder / "in.QBX", c.text);
        RecordingNotifier notifier;
        DesignState s;
        ASSERT_TRUE(ReadDesignFile(s, folder / "in.QBX", notifier));
        EXPECT_TRUE(notifier.messages.empty());
        EXPECT_EQ(s.Center, 1000);
        EXPECT_EQ(s.Width, 200);
        EXPECT_EQ(s.Gain, -3);
        EXPECT_EQ(s.Order, 1);
        EXPECT_EQ(s.Family, 1);
        EXPECT_EQ(s.Apass, 0.5f);
        EXPECT_EQ(s.NrInts, 100);
        EXPECT_EQ(s.Sweep, 2);
        EXPECT_EQ(s.DelayTop, 0.001f);
        EXPECT_EQ(s.NrY, 6);
        EXPECT_EQ(s.NrX, 10);
        EXPECT_EQ(s.PoleRe[1], -1);
        EXPECT_EQ(s.PoleIm[1], 0);
        EXPECT_EQ(s.C[1][1], 1e-8f);
        EXPECT_EQ(s.C[1][2], 4.7e-9f);
        EXPECT_EQ(s.R[1][1], 10000);
        EXPECT_EQ(s.R[1][2], 250);
        EXPECT_EQ(s.R[1][3], 0.5f);
    }
}

TEST(DesignFile, RoundsWholeNumbersHalfToEven)
{
    const struct {
        const char* text;
        Integer order;
    } cases[] = {
        {"1.4", 1}, {"1.5", 2}, {"2.5", 2}, {"0.5", 0}, {"-0.4", 0}, {"2.6", 3}, {"3E0", 3}, {"0.25E1", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::string> lines = {"1000", "200", "0", c.text, "1", "0.2", "500", "2000", "1000", "1", "10",
                                          "-20", "0.001", "6", "10"};
        for (int k = 0; k < 7 * 3; ++k) lines.push_back("1");
        ScratchFolder folder;
        WriteBytes(folder / "in.QBX", CrLfText(lines));
        RecordingNotifier notifier;
        DesignState s;
        ASSERT_TRUE(ReadDesignFile(s, folder / "in.QBX", notifier));
        EXPECT_EQ(s.Order, c.order);
    }
}

TEST(DesignFile, ReadingLeavesWhatTheFileDoesNotHold)
{
    ScratchFolder folder;
    RecordingNotifier notifier;
    ASSERT_TRUE(WriteDesignFile(DefaultTwoStage(), folder / "d.QBX", notifier));

    DesignState s = TwentyOneStages();
    s.GBW = 3e6f;
    s.DCGain = 2e5f;
    s.Zin = 5e7f;
    s.Caps = 3.3e-9f;
    s.ManualEntry = 1;
    s.PartsType = 1;
    s.Rs[1][1] = 42;
    s.StageF[1] = 999;
    ASSERT_TRUE(ReadDesignFile(s, folder / "d.QBX", notifier));
    EXPECT_EQ(s.Order, 2);
    EXPECT_EQ(s.GBW, 3e6f);
    EXPECT_EQ(s.DCGain, 2e5f);
    EXPECT_EQ(s.Zin, 5e7f);
    EXPECT_EQ(s.Caps, 3.3e-9f);
    EXPECT_EQ(s.ManualEntry, 1);
    EXPECT_EQ(s.PartsType, 1);
    EXPECT_EQ(s.Rs[1][1], 42);
    EXPECT_EQ(s.StageF[1], 999);
    // stages beyond the file's two keep their parts
    EXPECT_EQ(s.C[3][1], TwentyOneStages().C[3][1]);
    EXPECT_EQ(s.R[21][3], TwentyOneStages().R[21][3]);
    EXPECT_EQ(s.PoleRe[5], TwentyOneStages().PoleRe[5]);
}

// Damaged design files; each line list is a whole file.
struct BadFile {
    const char* name;
    std::string text;
};

std::vector<BadFile> BadDesignFiles()
{
    const std::vector<std::string> good = CrLfLines(std::string(
        "1000\r\n200\r\n0\r\n2\r\n1\r\n0.2\r\n500\r\n2000\r\n1000\r\n1\r\n10\r\n-20\r\n0.001\r\n6\r\n10\r\n"
        "-0.7071068\r\n0.7071068\r\n-0.7071068\r\n-0.7071068\r\n1E-08\r\n1E-08\r\n1E-08\r\n1E-08\r\n"
        "11253.95\r\n281.3488\r\n22507.91\r\n0\r\n0\r\n0\r\n"));
    const auto with = [&](std::size_t line, const std::string& value) {
        std::vector<std::string> lines = good;
        lines[line - 1] = value;
        return CrLfText(lines);
    };
    const auto firstLines = [&](std::size_t count) {
        return CrLfText(std::vector<std::string>(good.begin(), good.begin() + static_cast<long>(count)));
    };
    // A complete file for 22 stages: the stage count alone is wrong.
    std::vector<std::string> twentyTwo(good.begin(), good.begin() + 15);
    twentyTwo[3] = "22";
    for (int k = 0; k < 7 * 22; ++k) twentyTwo.push_back("1");

    return {
        {"empty file", ""},
        {"ends inside the header", firstLines(10)},
        {"ends before the last resistor", firstLines(28)},
        {"line 4 says 22", CrLfText(twentyTwo)},
        {"line 4 says -1", with(4, "-1")},
        {"line 9 says 2001 sweep intervals", with(9, "2001")},
        {"line 9 says -1 sweep intervals", with(9, "-1")},
        {"a word for a number", with(18, "abc")},
        {"a number with a unit", with(1, "1000Hz")},
        {"a blank inside a number", with(20, "1 E-08")},
        {"NaN", with(16, "nan")},
        {"infinity", with(24, "inf")},
        {"a real too big for its field", with(1, "1e39")},
        {"an integer too big for 16 bits", with(5, "40000")},
        {"an empty line", with(3, "")},
        {"a lone minus", with(2, "-")},
        {"a dangling exponent", with(7, "5E")},
    };
}

TEST(DesignFile, FailedReadKeepsTheDesignAndSaysSo)
{
    std::vector<BadFile> cases = BadDesignFiles();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        WriteBytes(folder / "bad.QBX", c.text);
        RecordingNotifier notifier;
        DesignState s = TwentyOneStages();
        EXPECT_FALSE(ReadDesignFile(s, folder / "bad.QBX", notifier));
        ExpectSameDesign(s, TwentyOneStages());
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_EQ(notifier.messages[0].text, "The design file could not be read; the design was not changed");
        EXPECT_EQ(notifier.messages[0].caption, "Stelvane");
        EXPECT_EQ(notifier.beeps, 0);
    }
}

TEST(DesignFile, ReadingSomethingThatIsNoDesignFileKeepsTheDesign)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "folder.QBX");
    const struct {
        const char* name;
        std::string fileName;
    } cases[] = {
        {"missing file", folder / "missing.QBX"},
        {"missing folder", folder / "nowhere/d.QBX"},
        {"a folder", folder / "folder.QBX"},
        {"no name (a cancelled dialog)", ""},
        {"an endless device", "/dev/zero"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingNotifier notifier;
        DesignState s = TwentyOneStages();
        EXPECT_FALSE(ReadDesignFile(s, c.fileName, notifier));
        ExpectSameDesign(s, TwentyOneStages());
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_EQ(notifier.messages[0].text, "The design file could not be read; the design was not changed");
    }
}

// Targets a save must fail on. Where an old file stands it must survive.
struct BadTarget {
    const char* name;
    std::string fileName;
    const char* oldText; // nullptr: no old file to check
    DesignState design;
};

std::vector<BadTarget> BadTargets(const ScratchFolder& folder)
{
    std::filesystem::create_directory(folder / "folder.QBX");
    WriteBytes(folder / "readonly.QBX", "old\r\n");
    std::filesystem::permissions(folder / "readonly.QBX", std::filesystem::perms::owner_read |
                                                              std::filesystem::perms::group_read |
                                                              std::filesystem::perms::others_read);
    WriteBytes(folder / "order22.QBX", "old\r\n");
    DesignState tooMany = DefaultTwoStage();
    tooMany.Order = 22;
    DesignState negative = DefaultTwoStage();
    negative.Order = -1;
    std::vector<BadTarget> targets = {
        {"a folder", folder / "folder.QBX", nullptr, DefaultTwoStage()},
        {"a missing folder", folder / "nowhere/d.QBX", nullptr, DefaultTwoStage()},
        {"a read-only file", folder / "readonly.QBX", "old\r\n", DefaultTwoStage()},
        {"no name", "", nullptr, DefaultTwoStage()},
        {"22 stages", folder / "order22.QBX", "old\r\n", tooMany},
        {"-1 stages", folder / "order22.QBX", "old\r\n", negative},
    };
    if (std::filesystem::is_character_file("/dev/full"))
        targets.push_back({"a full disk", "/dev/full", nullptr, DefaultTwoStage()});
    return targets;
}

TEST(DesignFile, FailedSaveBeepsAndKeepsTheOldFile)
{
    ScratchFolder folder;
    for (const auto& c : BadTargets(folder)) {
        SCOPED_TRACE(c.name);
        RecordingNotifier notifier;
        EXPECT_FALSE(WriteDesignFile(c.design, c.fileName, notifier));
        EXPECT_EQ(notifier.beeps, 1);
        EXPECT_TRUE(notifier.messages.empty());
        if (c.oldText != nullptr) {
            EXPECT_EQ(ReadBytes(c.fileName), c.oldText);
        }
    }
    // nothing half-written is left beside the targets
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) ++entries;
    EXPECT_EQ(entries, 3);
}

TEST(DesignFile, SaveReplacesTheOldFileWhole)
{
    const struct {
        const char* name;
        std::string oldText;
    } cases[] = {
        {"a longer old file", std::string(5000, 'x')},
        {"a shorter old file", "1\r\n"},
        {"an empty old file", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        WriteBytes(folder / "d.QBX", c.oldText);
        std::filesystem::permissions(folder / "d.QBX", std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::owner_write |
                                                           std::filesystem::perms::group_read);
        RecordingNotifier notifier;
        ASSERT_TRUE(WriteDesignFile(DefaultTwoStage(), folder / "d.QBX", notifier));
        EXPECT_EQ(CrLfLines(ReadBytes(folder / "d.QBX")).size(), 29u);
        // the user's permissions survive the replacement
        EXPECT_EQ(std::filesystem::status(folder / "d.QBX").permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                      std::filesystem::perms::group_read);
        int entries = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) ++entries;
        EXPECT_EQ(entries, 1);
    }
}

TEST(LastSession, FailedSaveBeepsSaysSoAndKeepsTheOldFile)
{
    ScratchFolder folder;
    for (const auto& c : BadTargets(folder)) {
        SCOPED_TRACE(c.name);
        RecordingNotifier notifier;
        EXPECT_FALSE(WriteLastSession(c.design, notifier, c.fileName));
        EXPECT_EQ(notifier.beeps, 1);
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_EQ(notifier.messages[0].text, "The last-session file was not written correctly");
        EXPECT_EQ(notifier.messages[0].caption, "Stelvane");
        if (c.oldText != nullptr) {
            EXPECT_EQ(ReadBytes(c.fileName), c.oldText);
        }
    }
}

TEST(LastSession, MissingOrDamagedFileInstallsTheDefaultsAndSaysSoOnce)
{
    std::vector<BadFile> cases = BadDesignFiles();
    cases.insert(cases.begin(), {"missing file", ""});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        if (std::string(c.name) != "missing file") WriteBytes(folder / "QUIBEX.LAST", c.text);
        RecordingNotifier notifier;
        DesignState s; // as at start: all zero, and the opening window has set Order to 2
        s.Order = 2;
        EXPECT_FALSE(ReadLastSession(s, notifier, folder / "QUIBEX.LAST"));
        ExpectDefaultSettings(s);
        for (int i = 1; i <= 2; ++i)
            for (int j = 1; j <= 2; ++j) EXPECT_EQ(s.C[i][j], 1e-8f);
        EXPECT_EQ(s.C[3][1], 0);
        EXPECT_TRUE(s.PoleRe == StageArray{});
        EXPECT_TRUE(s.R == ResArray{});
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_EQ(notifier.messages[0].text, "Last-session file not found; defaults installed");
        EXPECT_EQ(notifier.messages[0].caption, "Stelvane");
        EXPECT_EQ(notifier.beeps, 0);
    }
}

TEST(LastSession, UsesTheWorkingDirectoryAndReadsBack)
{
    DesignState noStages = DefaultTwoStage();
    noStages.Order = 0;
    const struct {
        const char* name;
        DesignState design;
        std::size_t lines;
    } cases[] = {
        {"two stages", DefaultTwoStage(), 29},
        {"no stages: the header alone", noStages, 15},
        {"21 stages", TwentyOneStages(), 162},
    };
    const std::filesystem::path before = std::filesystem::current_path();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        std::filesystem::current_path(folder.Path());
        RecordingNotifier notifier;
        const bool written = WriteLastSession(c.design, notifier);
        DesignState s;
        const bool read = ReadLastSession(s, notifier);
        std::filesystem::current_path(before);

        EXPECT_TRUE(written);
        EXPECT_TRUE(read);
        EXPECT_TRUE(notifier.messages.empty());
        EXPECT_EQ(CrLfLines(ReadBytes(folder / "QUIBEX.LAST")).size(), c.lines);
        EXPECT_EQ(s.Order, c.design.Order);
        EXPECT_EQ(s.NrInts, c.design.NrInts);
        ExpectSevenDigits(s.Center, c.design.Center, "Center");
        for (int i = 1; i <= c.design.Order; ++i) ExpectSevenDigits(s.R[i][2], c.design.R[i][2], "R2");
    }
}

} // namespace
} // namespace stelvane
