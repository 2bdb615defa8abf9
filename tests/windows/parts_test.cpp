#include <QComboBox>

#include <gtest/gtest.h>

#include "engine/designtext.h"
#include "engine/numbertext.h"
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
    p.Do(Design, "cmdSuggestCap");  // enters the design and suggests
    EXPECT_EQ(p.Text(Design, "lblSuggestCap"), CapSuggestionText(s, PartsType::Ideal, kPracticalResistors));
    p.Do(Design, "cmdSchematic");
    EXPECT_EQ(p.Text(Schematic, "lblRangeNote"), RangeNoteText(s, PartsType::Ideal));
    p.Do(Schematic, "UpDown1/up");
    EXPECT_EQ(p.Text(Schematic, "lblSensStage"), "2");
    EXPECT_EQ(p.Text(Schematic, "lblSensitivity"), Trimmed(SensitivityTable(s, 2)));
    // Nearest 5% rounds to the E96 picked on the plot, as the parts list shows; the
    // design window's Enter step keeps the rounded parts.
    p.Do(Schematic, "cmdPlot");
    p.At<QComboBox>(Plot, "cboSeries")->setCurrentText("E96");
    for (const char* action : {"cmdNearest5", "cmdDesign"}) p.Do(Plot, action);
    p.Do(Design, "cmdWrite");
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
