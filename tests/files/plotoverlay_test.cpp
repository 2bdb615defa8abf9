#include "files/plotoverlay.h"

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
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

DesignState ThreePoints()
{
    DesignState s;
    s.NrInts = 2;
    s.Freq[0] = 500;
    s.Freq[1] = 1000;
    s.Freq[2] = 2e7f;
    s.GainDB[0] = -3.01f;
    s.GainDB[1] = 3.01f;
    s.GainDB[2] = 0;
    s.Phase[0] = -90;
    s.Phase[1] = 45.5f;
    s.Phase[2] = 0;
    s.Delay[0] = 1.5e-5f;
    s.Delay[1] = 0.001f;
    s.Delay[2] = -2e-6f;
    s.Freq[3] = 7; // beyond NrInts: never written
    return s;
}

TEST(PlotOverlay, SaveWritesOneLinePerPointInEachOfTheThreeFiles)
{
    ScratchFolder folder;
    RecordingNotifier notifier;
    ASSERT_TRUE(SavePlotOverlay(ThreePoints(), notifier, folder.Path().string()));
    EXPECT_EQ(notifier.beeps, 0);
    EXPECT_TRUE(notifier.messages.empty());
    const struct {
        const char* file;
        std::string text;
    } cases[] = {
        // a blank (or the minus sign), the number, a blank; the value follows directly
        {"QUIBEXdata.DB", " 500 -3.01 \r\n 1000  3.01 \r\n 2E+07  0 \r\n"},
        {"QUIBEXdata.PHS", " 500 -90 \r\n 1000  45.5 \r\n 2E+07  0 \r\n"},
        {"QUIBEXdata.DEL", " 500  1.5E-05 \r\n 1000  0.001 \r\n 2E+07 -2E-06 \r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(ReadBytes(folder / c.file), c.text);
    }
}

TEST(PlotOverlay, SaveWritesNrIntsPlusOneLines)
{
    for (const Integer nrInts : {Integer{0}, Integer{1000}, Integer{2000}}) {
        SCOPED_TRACE("NrInts " + std::to_string(nrInts));
        DesignState s;
        s.NrInts = nrInts;
        for (int k = 0; k <= kMaxPoints; ++k) s.Freq[k] = static_cast<float>(k);
        ScratchFolder folder;
        RecordingNotifier notifier;
        ASSERT_TRUE(SavePlotOverlay(s, notifier, folder.Path().string()));
        for (const char* file : {"QUIBEXdata.DB", "QUIBEXdata.PHS", "QUIBEXdata.DEL"})
            EXPECT_EQ(CrLfLines(ReadBytes(folder / file)).size(), static_cast<std::size_t>(nrInts + 1)) << file;
    }
}

TEST(PlotOverlay, SaveUsesTheWorkingDirectoryByDefault)
{
    ScratchFolder folder;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    RecordingNotifier notifier;
    const bool saved = SavePlotOverlay(ThreePoints(), notifier);
    std::filesystem::current_path(before);
    EXPECT_TRUE(saved);
    EXPECT_EQ(ReadBytes(folder / "QUIBEXdata.DB"), " 500 -3.01 \r\n 1000  3.01 \r\n 2E+07  0 \r\n");
}

TEST(PlotOverlay, SavedCurvesReadBack)
{
    DesignState s;
    s.NrInts = 2000;
    for (int k = 0; k <= kMaxPoints; ++k) {
        s.Freq[k] = 10.0f * static_cast<float>(k) + 0.123f;
        s.GainDB[k] = -0.0456789f * static_cast<float>(k);
        s.Phase[k] = 179.0f - 0.179f * static_cast<float>(k);
        s.Delay[k] = 1.234567e-6f * static_cast<float>(k % 7);
    }
    ScratchFolder folder;
    RecordingNotifier notifier;
    ASSERT_TRUE(SavePlotOverlay(s, notifier, folder.Path().string()));
    const struct {
        const char* file;
        const SweepArray& values;
    } cases[] = {
        {"QUIBEXdata.DB", s.GainDB},
        {"QUIBEXdata.PHS", s.Phase},
        {"QUIBEXdata.DEL", s.Delay},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        DesignState read;
        ASSERT_TRUE(ReadPlotOverlay(read, folder / c.file));
        ASSERT_EQ(read.OverlayLast, 2000);
        for (int k = 0; k <= 2000; k += 37) {
            EXPECT_NEAR(read.OverlayFreq[k], s.Freq[k], 6e-7 * s.Freq[k]) << k;
            EXPECT_NEAR(read.OverlayValue[k], c.values[k], 6e-7 * std::fabs(c.values[k]) + 1e-12) << k;
        }
    }
}

TEST(PlotOverlay, ReadKeepsTheWholePairsBeforeAnyFault)
{
    std::string tooMany;
    for (int k = 0; k < 2005; ++k) tooMany += " " + std::to_string(k) + "  " + std::to_string(-k) + " \r\n";
    const struct {
        const char* name;
        std::string text;
        std::vector<std::pair<float, float>> points;
    } cases[] = {
        {"empty file", "", {}},
        {"blank lines only", "\r\n  \r\n", {}},
        {"as written", " 1000 -3.01 \r\n 2000  3.01 \r\n", {{1000, -3.01f}, {2000, 3.01f}}},
        {"commas and line feeds", "1000,-3.01\n2000,3.01", {{1000, -3.01f}, {2000, 3.01f}}},
        {"several pairs on a line, any decimal form", ".5 -1e3 5E-1 +2.", {{0.5f, -1000}, {0.5f, 2}}},
        {"odd count of numbers", " 1  2 \r\n 3 \r\n", {{1, 2}}},
        {"a word", " 1  2 \r\n abc  4 \r\n 5  6 \r\n", {{1, 2}}},
        {"a word in second place", " 1  2 \r\n 3  x \r\n", {{1, 2}}},
        {"NaN", " 1  2 \r\n nan  4 \r\n", {{1, 2}}},
        {"beyond a float", " 1  2 \r\n 3  1e39 \r\n", {{1, 2}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        WriteBytes(folder / "QUIBEXdata.DB", c.text);
        DesignState s;
        ASSERT_TRUE(ReadPlotOverlay(s, folder / "QUIBEXdata.DB"));
        ASSERT_EQ(s.OverlayLast, static_cast<Integer>(c.points.size()) - 1);
        for (std::size_t n = 0; n < c.points.size(); ++n) {
            EXPECT_EQ(s.OverlayFreq[n], c.points[n].first) << n;
            EXPECT_EQ(s.OverlayValue[n], c.points[n].second) << n;
        }
    }
    {
        SCOPED_TRACE("more points than the arrays hold");
        ScratchFolder folder;
        WriteBytes(folder / "QUIBEXdata.DB", tooMany);
        DesignState s;
        ASSERT_TRUE(ReadPlotOverlay(s, folder / "QUIBEXdata.DB"));
        EXPECT_EQ(s.OverlayLast, 2000);
        EXPECT_EQ(s.OverlayFreq[2000], 2000);
        EXPECT_EQ(s.OverlayValue[2000], -2000);
    }
}

TEST(PlotOverlay, ReadReportsAMissingFileAndChangesNothing)
{
    ScratchFolder folder;
    std::filesystem::create_directory(folder / "QUIBEXdata.PHS");
    const struct {
        const char* name;
        std::string fileName;
    } cases[] = {
        {"no file", folder / "QUIBEXdata.DB"},
        {"a folder of that name", folder / "QUIBEXdata.PHS"},
        {"no name", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DesignState s;
        s.OverlayLast = 7;
        s.OverlayFreq[0] = 123;
        EXPECT_FALSE(ReadPlotOverlay(s, c.fileName));
        EXPECT_EQ(s.OverlayLast, 7);
        EXPECT_EQ(s.OverlayFreq[0], 123);
    }
}

TEST(PlotOverlay, FailedSaveBeepsSaysSoAndKeepsWhatWasThere)
{
    const struct {
        const char* name;
        Integer nrInts;
        const char* blocked;    // a folder standing where this file should go
        bool gainWritten;       // whether the gain file is written before the fault
    } cases[] = {
        {"the phase file cannot be written", 2, "QUIBEXdata.PHS", true},
        {"the gain file cannot be written", 2, "QUIBEXdata.DB", false},
        {"points beyond the arrays", 2001, nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        for (const char* file : {"QUIBEXdata.DB", "QUIBEXdata.PHS", "QUIBEXdata.DEL"})
            if (c.blocked != nullptr && std::string(file) == c.blocked)
                std::filesystem::create_directory(folder / file);
            else
                WriteBytes(folder / file, "old\r\n");
        DesignState s = ThreePoints();
        s.NrInts = c.nrInts;
        RecordingNotifier notifier;
        EXPECT_FALSE(SavePlotOverlay(s, notifier, folder.Path().string()));
        EXPECT_EQ(notifier.beeps, 1);
        ASSERT_EQ(notifier.messages.size(), 1u);
        EXPECT_EQ(notifier.messages[0].text, "ReadWrite 740; we were unable to write an overlay file");
        EXPECT_EQ(notifier.messages[0].caption, "Stelvane");
        if (c.blocked == nullptr || std::string(c.blocked) != "QUIBEXdata.DB") {
            EXPECT_EQ(ReadBytes(folder / "QUIBEXdata.DB"),
                      c.gainWritten ? " 500 -3.01 \r\n 1000  3.01 \r\n 2E+07  0 \r\n" : "old\r\n");
        }
        EXPECT_EQ(ReadBytes(folder / "QUIBEXdata.DEL"), "old\r\n"); // saving stopped before it
    }
    {
        SCOPED_TRACE("no such folder");
        ScratchFolder folder;
        RecordingNotifier notifier;
        EXPECT_FALSE(SavePlotOverlay(ThreePoints(), notifier, folder / "nowhere"));
        EXPECT_EQ(notifier.beeps, 1);
        EXPECT_EQ(notifier.messages.size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(folder / "nowhere"));
    }
}

} // namespace
} // namespace stelvane
