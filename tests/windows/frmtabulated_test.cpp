#include <QListWidget>

#include <gtest/gtest.h>

#include "windowtestsupport.h"

namespace stelvane::testing {

// The listing holds one row per sweep point of the design entered: the
// frequency, gain, phase and delay in columns ten characters wide, the
// start-up filter peaking at 0 dB at 1 kHz.
TEST(TabulatedWindow, ListsTheSweepOfTheEnteredDesign)
{
    Program p;
    p.Start({"txtInts=50", "txtStop=1.5k", "cmdTabulate"});
    const auto* listing = p.At<QListWidget>(Tabulated, "lstTabulatedOutput");
    std::vector<std::string> rows;
    for (int i = 0; i < listing->count(); ++i) rows.push_back(listing->item(i)->text().toStdString());
    ASSERT_EQ(rows.size(), 53u);  // titles, a spacer, points 0 to 50
    EXPECT_EQ(rows[0].substr(0, 15), "Freq:     Gain:");
    auto column = [](const std::string& row, int n) { return Figure(row.substr(10 * n, 10)); };
    EXPECT_TRUE(column(rows[2], 0) == 500 && column(rows[3], 0) == 520 && column(rows.back(), 0) == 1500);
    const auto peak =
        std::max_element(rows.begin() + 2, rows.end(), [&](auto& a, auto& b) { return column(a, 1) < column(b, 1); });
    EXPECT_TRUE(column(*peak, 0) == 1000 && std::abs(column(*peak, 1)) < 0.01) << *peak;
}

}  // namespace stelvane::testing
