#include "files/tabulatedfile.h"

#include <gtest/gtest.h>

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

const std::string kEasyHeading = "Freq,      Gain,    Phase,    Delay,";
const std::string kEasyUnits = " Hz:        dB:      degrees:  secs:";
const std::string kScientificHeading = "Freq,          Gain,        Phase,         Delay,";
const std::string kScientificUnits = " Hz:            dB:         degrees:       secs:";

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

// Three points: a plain row, zeros and small values, and one with a phase so
// large that its easy text fills the whole column.
DesignState ThreePoints()
{
    DesignState s;
    s.NrInts = 2;
    s.Freq[0] = 500;
    s.GainDB[0] = -12.5f;
    s.Phase[0] = 135.25f;
    s.Delay[0] = 0.00123f;
    s.Freq[1] = 1000;
    s.GainDB[1] = 0;
    s.Phase[1] = -3.5f;
    s.Delay[1] = 1.5e-5f;
    s.Freq[2] = 1234.5678f;
    s.GainDB[2] = -0.00007f;
    s.Phase[2] = -1.234567e12f;
    s.Delay[2] = 0;
    // a point beyond NrInts is never written
    s.Freq[3] = 99;
    return s;
}

TEST(TabulatedFile, EasyFormatWritesTheScreenTextsInTenCharacterColumns)
{
    DesignState single = ThreePoints();
    single.NrInts = 0;
    const struct {
        const char* name;
        DesignState design;
        std::vector<std::string> rows;
    } cases[] = {
        {"three points", ThreePoints(),
         {
             // 500 Hz "500  ", -12.5 dB "-12.5 ", 135.25 degrees "135.25 ", 1.23 ms "1.23m",
             // each stripped and padded to 10
             "500" + Blanks(7) + "-12.5" + Blanks(5) + "135.25" + Blanks(4) + "1.23m" + Blanks(5),
             // 1 kHz "1k ", zero gain " 0       ", -3.5, 15 us
             "1k" + Blanks(8) + "0" + Blanks(9) + "-3.5" + Blanks(6) + "15u" + Blanks(7),
             // 1.2346k, -0.00007 in exponent form, a ten-character phase that
             // touches the delay's zero text "0  "
             "1.2346k" + Blanks(3) + "-7E-05" + Blanks(4) + "-1234.567G" + "0" + Blanks(9),
         }},
        {"NrInts 0: one row", single, {"500" + Blanks(7) + "-12.5" + Blanks(5) + "135.25" + Blanks(4) + "1.23m" + Blanks(5)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        RecordingNotifier notifier;
        EXPECT_TRUE(WriteTabulatedEasy(c.design, folder / "Default.DAT", notifier));
        std::vector<std::string> lines = {"", kEasyHeading, kEasyUnits, ""};
        lines.insert(lines.end(), c.rows.begin(), c.rows.end());
        lines.push_back("");
        EXPECT_EQ(ReadBytes(folder / "Default.DAT"), CrLfText(lines));
        EXPECT_EQ(notifier.beeps, 0);
        EXPECT_TRUE(notifier.messages.empty());
    }
}

TEST(TabulatedFile, ScientificFormatWritesPlainNumbersInFourteenCharacterColumns)
{
    DesignState single = ThreePoints();
    single.NrInts = 0;
    const auto col = [](const std::string& text) { return text + Blanks(14 - text.size()); };
    const struct {
        const char* name;
        DesignState design;
        std::vector<std::string> rows;
    } cases[] = {
        {"three points", ThreePoints(),
         {
             col("500") + col("-12.5") + col("135.25") + col("0.00123"),
             col("1000") + col("0") + col("-3.5") + col("1.5E-05"),
             col("1234.568") + col("-7E-05") + col("-1.234567E+12") + col("0"),
         }},
        {"NrInts 0: one row", single, {col("500") + col("-12.5") + col("135.25") + col("0.00123")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        RecordingNotifier notifier;
        EXPECT_TRUE(WriteTabulatedScientific(c.design, folder / "Default.DAT", notifier));
        std::vector<std::string> lines = {"", kScientificHeading, kScientificUnits, ""};
        lines.insert(lines.end(), c.rows.begin(), c.rows.end());
        lines.push_back("");
        EXPECT_EQ(ReadBytes(folder / "Default.DAT"), CrLfText(lines));
        EXPECT_EQ(notifier.beeps, 0);
        EXPECT_TRUE(notifier.messages.empty());
    }
}

using Writer = bool (*)(const DesignState&, const std::string&, Notifier&);

TEST(TabulatedFile, HasSixLinesAroundTheRows)
{
    const struct {
        const char* name;
        Writer write;
        Integer nrInts;
        std::size_t lines;
        std::size_t rowLength;
    } cases[] = {
        {"easy, NrInts 0", WriteTabulatedEasy, 0, 6, 40},
        {"easy, NrInts 2000", WriteTabulatedEasy, 2000, 2006, 40},
        {"scientific, NrInts 0", WriteTabulatedScientific, 0, 6, 56},
        {"scientific, NrInts 1000", WriteTabulatedScientific, 1000, 1006, 56},
        {"scientific, NrInts 2000", WriteTabulatedScientific, 2000, 2006, 56},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.NrInts = c.nrInts;
        for (int k = 0; k <= kMaxPoints; ++k) {
            s.Freq[k] = 100.0f + 2.0f * static_cast<float>(k); // short texts: the columns stay full width
            s.GainDB[k] = -1.5f;
            s.Phase[k] = 45.0f;
            s.Delay[k] = 0.002f;
        }
        ScratchFolder folder;
        RecordingNotifier notifier;
        ASSERT_TRUE(c.write(s, folder / "t.DAT", notifier));
        const std::string text = ReadBytes(folder / "t.DAT");
        EXPECT_TRUE(OnlyCrLfLineEnds(text));
        const std::vector<std::string> lines = CrLfLines(text);
        ASSERT_EQ(lines.size(), c.lines);
        EXPECT_EQ(lines.front(), "");
        EXPECT_EQ(lines[3], "");
        EXPECT_EQ(lines.back(), "");
        for (std::size_t k = 4; k + 1 < lines.size(); ++k) ASSERT_EQ(lines[k].size(), c.rowLength) << "line " << k;
    }
}

TEST(TabulatedFile, FailedWriteBeepsSaysSoAndKeepsTheOldFile)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "folder.DAT");
    WriteBytes(folder / "readonly.DAT", "old\r\n");
    std::filesystem::permissions(folder / "readonly.DAT", std::filesystem::perms::owner_read);
    WriteBytes(folder / "old.DAT", "old\r\n");
    DesignState good = ThreePoints();
    DesignState tooMany = ThreePoints();
    tooMany.NrInts = 2001;
    DesignState negative = ThreePoints();
    negative.NrInts = -1;
    struct Case {
        const char* name;
        std::string fileName;
        const char* oldText;
        DesignState design;
    };
    std::vector<Case> cases = {
        {"no such folder", folder / "nowhere/t.DAT", nullptr, good},
        {"a folder", folder / "folder.DAT", nullptr, good},
        {"a read-only file", folder / "readonly.DAT", "old\r\n", good},
        {"no name", "", nullptr, good},
        {"points beyond the arrays", folder / "old.DAT", "old\r\n", tooMany},
        {"a negative point count", folder / "old.DAT", "old\r\n", negative},
    };
    if (std::filesystem::is_character_file("/dev/full")) cases.push_back({"a full disk", "/dev/full", nullptr, good});
    for (const Writer write : {WriteTabulatedEasy, WriteTabulatedScientific}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (write == WriteTabulatedEasy ? ", easy" : ", scientific"));
            RecordingNotifier notifier;
            EXPECT_FALSE(write(c.design, c.fileName, notifier));
            EXPECT_EQ(notifier.beeps, 1);
            ASSERT_EQ(notifier.messages.size(), 1u);
            EXPECT_EQ(notifier.messages[0].text,
                      "A problem was encountered and so the tabulated-data file was not written");
            EXPECT_EQ(notifier.messages[0].caption, "Stelvane");
            if (c.oldText != nullptr) {
                EXPECT_EQ(ReadBytes(c.fileName), c.oldText);
            }
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "nowhere"));
}

} // namespace
} // namespace stelvane
