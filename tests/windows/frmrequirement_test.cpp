#include <QTableWidget>

#include <gtest/gtest.h>

#include "engine/mask.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

using Figures = std::array<const char*, 7>;

// Types the figures (Fp1 Fp2 Ap Fs1 Fs2 As, delay spread) and sets the mask.
static void SetMask(Program& p, const Figures& figures)
{
    const char* boxes[] = {"txtFp1", "txtFp2", "txtAp", "txtFs1", "txtFs2", "txtAs", "txtDelaySpread"};
    for (int i = 0; i < 7; ++i) p.At<QLineEdit>(Requirement, boxes[i])->setText(figures[i]);
    p.Do(Requirement, "cmdSetMask");
}

// A refused mask is named in a message and leaves the record's as it was.
TEST(RequirementWindow, FiguresAreRefusedWholeOrTakenAsTheMask)
{
    const FilterMask before{900, 1100, 1, 600, 1600, 40, 0};
    struct Case {
        Figures figures;
        const char* said;  // the message's start; null: taken as the mask
        FilterMask taken = {};
    };
    const Case cases[] = {
        {{"9OO", "1100", "1", "600", "1600", "40", ""}, "Fp1 takes a figure above 0, not '9OO'"},
        {{"900", "1100", "0", "600", "1600", "40", ""}, "Ap takes a figure above 0"},
        {{"900", "1100", "1", "600", "1600", "1e999", ""}, "As takes a figure above 0"},
        {{"900", "1100", "1", "900", "1600", "40", ""}, "Fs1 must lie below Fp1"},
        {{"900", "900", "1", "600", "1600", "40", ""}, "Fp2 must lie above Fp1"},
        {{"900", "1100", "1", "600", "1100", "40", ""}, "Fs2 must lie above Fp2"},
        {{"900", "1100", "3", "600", "1600", "3", ""}, "As must be above Ap"},
        {{"900", "1100", "1", "600", "1600", "40", "0"}, "Delay spread takes a percentage"},
        {{"1k", "1.25k", "0.5", "800", "1.5k", "40", "12"}, nullptr, {1000, 1250, 0.5, 800, 1500, 40, 12}},
        {{"900", "900.5", "1", "899.5", "901", "1.5", ""}, nullptr, {900, 900.5, 1, 899.5, 901, 1.5, 0}},
    };
    Program p;
    p.Start({"cmdRequirement"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.figures[0] + std::string(c.said ? c.said : ""));
        p.navigator.Session().SetMask(before);
        p.platform.messages.clear();
        SetMask(p, c.figures);
        EXPECT_TRUE(c.said ? p.LastMessage().starts_with(c.said) : p.platform.messages.empty()) << p.LastMessage();
        EXPECT_EQ(p.record.Mask, c.said ? before : c.taken);
    }
}

// Every candidate, taken into the design, meets there too; one
// undo gives the design back, and the window follows the undoing of the mask.
TEST(RequirementWindow, CandidatesAreTakenIntoTheDesignAndUndone)
{
    Program p;
    p.Start({"cmdRequirement"});
    SetMask(p, {"900", "1100", "3", "600", "1600", "30", ""});
    const FilterMask mask = p.record.Mask;
    auto* table = p.At<QTableWidget>(Requirement, "tblCandidates");
    ASSERT_EQ(table->rowCount(), 3);
    auto cell = [&](int row, int column) { return table->item(row, column)->text().toStdString(); };
    // Closed forms: the stop edge 1600 Hz maps to (1600^2 - 900 * 1100) / (1600 * 200) = 4.90625 rad/s, nearer
    // than 600 Hz; the discrimination is sqrt((10^3 - 1) / (10^0.3 - 1)) = 31.682.
    const int butterworth = int(std::ceil(std::log(31.682) / std::log(4.90625)));
    const int chebyshev = int(std::ceil(std::acosh(31.682) / std::acosh(4.90625)));
    EXPECT_EQ(cell(0, 0) + cell(0, 1) + cell(1, 0) + cell(1, 1),
        "Butterworth" + std::to_string(butterworth) + "Chebyshev" + std::to_string(chebyshev));
    // The lowest order that meets is picked first.
    EXPECT_EQ(table->currentRow(), 1);

    const auto before = std::tuple(p.record.Family, p.record.Order, p.record.Center, p.record.Width);
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(cell(row, 0));
        ASSERT_EQ(cell(row, 12), "yes");  // every family meets this mask
        table->selectRow(row);
        p.Do(Requirement, "cmdTake");
        EXPECT_EQ(FamilyName(p.record.Family) + std::to_string(p.record.Order), cell(row, 0) + cell(row, 1));
        EXPECT_EQ(p.Text(Design, "lblOrderInput"), cell(row, 1));
        EXPECT_NEAR(p.record.Apass, std::stod(cell(row, 6)), 5e-4);  // the ripple column
        EXPECT_TRUE(CheckMask(p.record, mask).meets);
        ASSERT_TRUE(p.navigator.Session().Undo());
        EXPECT_EQ(std::tuple(p.record.Family, p.record.Order, p.record.Center, p.record.Width), before);
        EXPECT_EQ(p.record.Mask, mask);
    }

    p.Do(Requirement, "cmdClearMask");
    EXPECT_EQ(table->rowCount() + p.record.Mask.Active(), 0);
    ASSERT_TRUE(p.navigator.Session().Undo());
    EXPECT_EQ(p.Text(Requirement, "txtFs2") + std::to_string(table->rowCount()), "16003");
    ASSERT_TRUE(p.navigator.Session().Undo());
    EXPECT_EQ(p.Text(Requirement, "txtFp1") + std::to_string(table->rowCount() + p.record.Mask.Active()), "0");
}

}  // namespace stelvane::testing
