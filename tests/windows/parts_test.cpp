#include <QComboBox>

#include <gtest/gtest.h>

#include "engine/designtext.h"
#include "engine/numbertext.h"
#include "engine/standardseries.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// Four stages at 100 pF, whose resistors run to megohms: the design window
// suggests the capacitor, the schematic notes the resistors outside 1k to
// 1M (the drawing's own tests check their outlines) and shows each stage's
// sensitivities (in the texts the command line shares), the plot rounds to
// the series picked, and the parts list written is the command line's for
// that design, in that series.
TEST(PartsWindows, SuggestOutlineRoundAndList)
{
    Program p;
    p.Start({"txtCaps=100p", "UpDown1/up", "UpDown1/up"});
    const DesignState& s = p.record;
    Walk(p,
        {
            {"Suggest cap enters the design and suggests", Design, "cmdSuggestCap", nullptr,
                [&] {
                    EXPECT_EQ(
                        p.Text(Design, "lblSuggestCap"), CapSuggestionText(s, PartsType::Ideal, kPracticalResistors));
                }},
            {"the schematic notes what is out of range", Design, "cmdSchematic", nullptr,
                [&] { EXPECT_EQ(p.Text(Schematic, "lblRangeNote"), RangeNoteText(s, PartsType::Ideal)); }},
            {"the second stage's sensitivities", Schematic, "UpDown1/up", "lblSensStage=2",
                [&] { EXPECT_EQ(p.Text(Schematic, "lblSensitivity"), Trimmed(SensitivityTable(s, 2))); }},
            {"E96 picked on the plot", Schematic, "cmdPlot", nullptr,
                [&] { p.At<QComboBox>(Plot, "cboSeries")->setCurrentText("E96"); }},
            {"Nearest 5% rounds to E96", Plot, "cmdNearest5", nullptr,
                [&] {
                    for (int k = 1; k <= 4; ++k)
                        for (int j = 1; j <= 3; ++j) EXPECT_TRUE(InSeries(s.R[k][j], StandardSeries::E96)) << s.R[k][j];
                }},
            {"back on the design window, whose Enter step keeps the rounded parts", Plot, "cmdDesign"},
            {"Write", Design, "cmdWrite"},
        });
    p.platform.CancelFileDialog();
    p.Do(WriteFiles, "cmdWritePartsList");
    p.platform.AnswerFileDialog("w-parts");
    p.Do(WriteFiles, "cmdWritePartsList");
    EXPECT_EQ(p.platform.dialogs.back().proposedName, "QUIBEXparts.csv");
    EXPECT_FALSE(fs::exists("QUIBEXparts.csv"));
    ASSERT_EQ(RunCli("--order 4 --cap 100p --series E96 --bom c-parts"), 0);
    ExpectSameFile("w-parts.csv", "c-parts.csv");
}

}  // namespace stelvane::testing
