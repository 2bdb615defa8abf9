#include <QFont>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/numbertext.h"
#include "engine/synthesis.h"
#include "windows/frmtabulated.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;

// A record with the start-up design swept over its 1000 intervals.
DesignState SweptRecord()
{
    DesignState s;
    InstallStartDefaults(s);
    InstallOpampDefaults(s);
    RunDesignChain(s);
    return s;
}

double Parsed(const std::string& text)
{
    Single v = 0;
    ParseNumberText(text, v);
    return v;
}

std::string RightTrimmed(const std::string& text)
{
    const auto last = text.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

// --- The listing ---

TEST(TabulatedListing, PaddingFillsATenCharacterColumn)
{
    struct Case {
        std::size_t pieceLength;
        std::size_t blanks;
    };
    const std::vector<Case> cases = {{0, 10}, {1, 9}, {3, 7}, {9, 1}, {10, 0}, {11, 0}, {14, 0}, {40, 0}};
    for (const Case& tc : cases) {
        SCOPED_TRACE("piece of " + std::to_string(tc.pieceLength));
        std::string row = "ab";
        PadColumn(row, tc.pieceLength);
        EXPECT_EQ(row, "ab" + std::string(tc.blanks, ' '));
    }
}

TEST(TabulatedListing, HeaderTitlesTakeTenCharactersEachThenASpacer)
{
    DesignState s;
    s.NrInts = 0;
    const auto rows = TabulatedListing(s);
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows[0], "Freq:     Gain:     Phase:    Delay:");
    struct Case {
        std::size_t column;
        const char* title;
    };
    for (const Case& tc : {Case{0, "Freq:     "}, Case{1, "Gain:     "}, Case{2, "Phase:    "}}) {
        SCOPED_TRACE(tc.title);
        EXPECT_EQ(rows[0].substr(tc.column * 10, 10), tc.title);
    }
    EXPECT_EQ(rows[0].substr(30), "Delay:");
    EXPECT_EQ(rows[1], "   ");
}

TEST(TabulatedListing, RowsOfKnownPoints)
{
    struct Case {
        const char* name;
        Single freq, gain, phase, delay;
        std::string row;
    };
    const std::vector<Case> cases = {
        {"centre of a 1 kHz filter", 1000, 0, -90, 2.5e-4f,
         "1k        "
         " 0        "
         "-90       "
         "250u      "},
        {"lower edge", 500, -12.5f, 45.25f, 1e-3f,
         "500       "
         "-12.5     "
         "45.25     "
         "1m        "},
        {"no phase, no delay", 1.5e6f, 3.01f, 0, 0,
         "1.5M      "
         "3.01      "
         " 0        "
         "0         "},
        {"far stopband", 20, -120.75f, -179.9f, 3.3e-7f,
         "20        "
         "-120.75   "
         "-179.9    "
         "330n      "},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        DesignState s;
        s.NrInts = 0;
        s.Freq[0] = tc.freq;
        s.GainDB[0] = tc.gain;
        s.Phase[0] = tc.phase;
        s.Delay[0] = tc.delay;
        EXPECT_EQ(TabulatedRow(s, 0), tc.row);
        const auto rows = TabulatedListing(s);
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[2], tc.row);
    }
}

TEST(TabulatedListing, OneRowPerPointNeverPastPoint2000)
{
    struct Case {
        const char* name;
        Integer nrInts;
        std::size_t rows;
    };
    const std::vector<Case> cases = {
        {"NrInts 0: header, spacer and point 0", 0, 3},
        {"one interval", 1, 4},
        {"the start-up sweep", 1000, 1003},
        {"NrInts 2000: 2003 rows", 2000, 2003},
        {"one beyond the arrays", 2001, 2003},
        {"far beyond the arrays", 30000, 2003},
        {"a negative count lists no point", -1, 2},
        {"the most negative count", -32768, 2},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        DesignState s;
        // Every point gets its own frequency, so the rows tell which point they show.
        for (int i = 0; i <= kMaxPoints; ++i)
            s.Freq[static_cast<std::size_t>(i)] = static_cast<Single>(100 + i);
        s.NrInts = tc.nrInts;
        const auto rows = TabulatedListing(s);
        ASSERT_EQ(rows.size(), tc.rows);
        if (tc.rows > 2) {
            EXPECT_EQ(rows[2].substr(0, 10), "100       ");
            const double lastFreq = 100 + static_cast<double>(tc.rows - 3);
            EXPECT_EQ(Parsed(rows.back().substr(0, 10)), lastFreq);
        }
    }
}

TEST(TabulatedListing, TenCharacterPieceIsFollowedDirectlyByTheNextColumn)
{
    // The first of these frequencies whose text is exactly ten characters
    // (or longer) shows how the columns behave around it.
    const std::vector<Single> candidates = {-12.34567f, -98.76543f, -23.45678f, -1.234567f, -123456.7f, -1.5e8f};
    struct Case {
        const char* name;
        std::function<bool(std::size_t)> wanted;
    };
    const std::vector<Case> cases = {
        {"exactly ten characters", [](std::size_t n) { return n == 10; }},
        {"longer than ten characters", [](std::size_t n) { return n > 10; }},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        DesignState s;
        s.NrInts = 0;
        std::string piece;
        for (Single f : candidates) {
            if (tc.wanted(FormatEng(f).size())) {
                s.Freq[0] = f;
                piece = FormatEng(f);
                break;
            }
        }
        ASSERT_FALSE(piece.empty()) << "no candidate frequency gives such a text";
        s.GainDB[0] = -12.5f;   // "-12.5 "
        s.Phase[0] = 45.25f;    // "45.25 "
        s.Delay[0] = 1e-3f;     // "1m"
        const std::string row = TabulatedRow(s, 0);
        // No blank between the frequency and the gain; the later columns move
        // right by what the frequency overran, and keep their own widths.
        EXPECT_EQ(row, piece + "-12.5     45.25     1m        ");
        EXPECT_EQ(row.size(), piece.size() + 30);
    }
}

TEST(TabulatedListing, DesignedSweepLinesUpInFourColumns)
{
    const DesignState s = SweptRecord();
    const auto rows = TabulatedListing(s);
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(s.NrInts) + 3);
    for (int i = 0; i <= s.NrInts; i += 25) {
        SCOPED_TRACE(i);
        const std::string& row = rows[static_cast<std::size_t>(i) + 2];
        ASSERT_EQ(row.size(), 40u) << '"' << row << '"';
        // Each column, read back, gives the value it shows (to the formats' rounding).
        const std::size_t k = static_cast<std::size_t>(i);
        EXPECT_NEAR(Parsed(RightTrimmed(row.substr(0, 10))), s.Freq[k], 1e-4 * s.Freq[k]);
        EXPECT_NEAR(Parsed(RightTrimmed(row.substr(10, 10))), s.GainDB[k], 0.01);
        EXPECT_NEAR(Parsed(RightTrimmed(row.substr(20, 10))), s.Phase[k], 0.01);
        EXPECT_NEAR(Parsed(RightTrimmed(row.substr(30, 10))), s.Delay[k], 1e-3 * s.Delay[k] + 1e-9);
    }
}

TEST(TabulatedListing, ListWidthIsTheSamePhysicalWidthOnEveryScreen)
{
    struct Case {
        const char* name;
        double sw;
        double units;
    };
    const std::vector<Case> cases = {
        {"800 x 600", 12000, 74000000.0 / 12000},
        {"1024 x 768", 15360, 74000000.0 / 15360},
        {"1920 x 1080", 28800, 74000000.0 / 28800},
        {"a screen measured as 0 counts as 800 wide", 0, 74000000.0 / 12000},
        {"a screen measured as not a number", std::nan(""), 74000000.0 / 12000},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        EXPECT_DOUBLE_EQ(TabulatedListWidth(tc.sw), tc.units);
    }
}

// --- The window ---

class TabulatedWindowTest : public ::testing::Test {
protected:
    TemporaryWorkingDirectory dir;
};

std::vector<std::string> Items(const QListWidget* list)
{
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i)
        items.push_back(list->item(i)->text().toStdString());
    return items;
}

TEST_F(TabulatedWindowTest, LoadListsTheResponseInCourierAtItsPlace)
{
    struct Case {
        const char* name;
        ScreenMetrics screen;
        Integer nrInts;
    };
    const std::vector<Case> cases = {
        {"800 x 600, NrInts 0", ScreenMetrics{12000, 9000, 15, 15}, 0},
        {"1024 x 768, the start-up sweep", ScreenMetrics{15360, 11520, 15, 15}, 1000},
        {"1280 x 1024, NrInts 2000", ScreenMetrics{19200, 15360, 15, 15}, 2000},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        Program program;
        program.platform.screen = tc.screen;
        InstallStartDefaults(program.record);
        InstallOpampDefaults(program.record);
        program.record.NrInts = tc.nrInts;
        RunDesignChain(program.record);

        auto* window = program.Open<frmTabulated>(WindowKind::Tabulated);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle().toStdString(), "      Stelvane - Tabulated");
        QListWidget* list = window->findChild<QListWidget*>("lstTabulatedOutput");
        ASSERT_EQ(list, window->lstTabulatedOutput);

        const auto items = Items(list);
        ASSERT_EQ(items.size(), static_cast<std::size_t>(tc.nrInts) + 3);
        EXPECT_EQ(items, TabulatedListing(program.record));
        EXPECT_EQ(items[0], "Freq:     Gain:     Phase:    Delay:");
        EXPECT_EQ(items[1], "   ");

        const QFont font = list->font();
        EXPECT_EQ(font.family().toStdString(), "Courier");
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 12);
        EXPECT_FALSE(font.bold());
        EXPECT_TRUE(font.fixedPitch());

        const Layout layout(tc.screen, WindowKind::Tabulated);
        const PixelRect r = layout.Rect(3300, 1300, 74000000.0 / tc.screen.widthTwips, 5600);
        EXPECT_EQ(list->geometry(), QRect(r.left, r.top, r.width, r.height));
        // About 6000 twips wide whatever the screen.
        EXPECT_NEAR(list->width() * tc.screen.twipsPerPixelX, 74000000.0 / 12000 * 11760 / 12000, 20);

        EXPECT_TRUE(window->cmdDesign->isEnabled());
        EXPECT_FALSE(window->cmdDesign->isHidden());
        for (QPushButton* off : {window->cmdSave, window->cmdGet, window->cmdPrint})
            EXPECT_FALSE(off->isEnabled()) << off->objectName().toStdString();
        EXPECT_TRUE(window->cmdAbout->isHidden());
    }
}

TEST_F(TabulatedWindowTest, EveryOpeningListsTheRecordAfresh)
{
    struct Case {
        const char* name;
        std::function<void(Program&)> leaveAndComeBack;
    };
    const std::vector<Case> cases = {
        {"closed and opened again",
         [](Program& p) {
             p.navigator.Open(WindowKind::Design);  // so the program does not end with no window left
             p.navigator.Close(WindowKind::Tabulated);
             FlushDeletes();
             p.record.NrInts = 40;
             RunDesignChain(p.record);
             p.navigator.Open(WindowKind::Tabulated);
         }},
        {"Enter, then Tabulate on the design window",
         [](Program& p) {
             auto* tab = dynamic_cast<frmTabulated*>(p.navigator.Find(WindowKind::Tabulated));
             Click(tab->cmdDesign);
             FlushDeletes();
             auto* design = dynamic_cast<BarWindow*>(p.navigator.Find(WindowKind::Design));
             ASSERT_NE(design, nullptr);
             Click(design->cmdTabulate);
             FlushDeletes();
         }},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        Program program;
        InstallStartDefaults(program.record);
        InstallOpampDefaults(program.record);
        program.record.NrInts = 10;
        RunDesignChain(program.record);
        auto* first = program.Open<frmTabulated>(WindowKind::Tabulated);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->lstTabulatedOutput->count(), 13);

        tc.leaveAndComeBack(program);
        auto* again = dynamic_cast<frmTabulated*>(program.navigator.Find(WindowKind::Tabulated));
        ASSERT_NE(again, nullptr);
        const auto items = Items(again->lstTabulatedOutput);
        EXPECT_EQ(items, TabulatedListing(program.record));
        EXPECT_EQ(items.size(), static_cast<std::size_t>(program.record.NrInts) + 3);
        EXPECT_EQ(std::count(items.begin(), items.end(), std::string(kTabulatedHeader)), 1);
    }
}

TEST_F(TabulatedWindowTest, BarButtonsLeaveForTheirWindows)
{
    struct Case {
        const char* name;
        const char* button;
        std::optional<WindowKind> opened;
        bool tabulatedStays;
        bool ends;
    };
    const std::vector<Case> cases = {
        {"Enter goes to the design window", "cmdDesign", WindowKind::Design, false, false},
        {"its own button does nothing", "cmdTabulate", std::nullopt, true, false},
        {"Exit writes the last session and ends", "cmdQuit", std::nullopt, false, true},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        Program program;
        InstallStartDefaults(program.record);
        InstallOpampDefaults(program.record);
        RunDesignChain(program.record);
        auto* window = program.Open<frmTabulated>(WindowKind::Tabulated);
        ASSERT_NE(window, nullptr);
        auto* button = window->findChild<QPushButton*>(tc.button);
        ASSERT_NE(button, nullptr);
        Click(button);
        FlushDeletes();
        if (tc.opened) {
            EXPECT_NE(program.navigator.Find(*tc.opened), nullptr);
        }
        EXPECT_EQ(program.navigator.Find(WindowKind::Tabulated) != nullptr, tc.tabulatedStays);
        EXPECT_EQ(program.endings, tc.ends ? 1 : 0);
        EXPECT_EQ(std::filesystem::exists(dir.Path() / "QUIBEX.LAST"), tc.ends);
    }
}

} // namespace
} // namespace stelvane
