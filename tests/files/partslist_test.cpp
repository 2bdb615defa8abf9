#include "files/partslist.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/engine/engine_test_support.h"
#include "tests/files/filetestsupport.h"
#include "tests/support/recordingnotifier.h"

namespace stelvane::testing {

// A three-stage design rounded to E96 with the specified opamp's resistors,
// listed and read back row by row: the references, the built parts (Rs), the
// series they were rounded to and the capacitors' own series; then the
// rounding undone.
TEST(PartsList, ReadsBackAsTheBuiltParts)
{
    auto s = StartUpDesign([](DesignInputs& in) { in.lblOrderInput = "3"; });
    DesignSession session(*s);
    const auto designed = std::make_unique<DesignState>(*s);
    session.RoundToStandardValues(StandardSeries::E96, true);
    ScratchFolder folder;
    RecordingNotifier notifier;
    ASSERT_TRUE(WritePartsList(*s, PartsType::Specified, folder / "parts.csv", notifier, session.RoundedSeries()));
    std::istringstream file(ReadBytes(folder / "parts.csv"));
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, std::string(kPartsListHeader) + "\r");
    for (int k = 1; k <= 3; ++k)
        for (int p = 0; p < 5; ++p) {
            ASSERT_TRUE(std::getline(file, line));
            SCOPED_TRACE(line);
            std::vector<std::string> cell;
            std::istringstream row(line.substr(0, line.size() - 1));
            for (std::string f; std::getline(row, f, ',');) cell.push_back(f);
            cell.resize(6);
            const bool resistor = p < 3;
            EXPECT_EQ(cell[0] + cell[1],
                std::to_string(k) + (resistor ? "R" : "C") + std::to_string(100 * k + (resistor ? p + 1 : p - 2)));
            EXPECT_NEAR(std::stod(cell[2]) / (resistor ? s->Rs[k][p + 1] : s->C[k][p - 2]), 1, 1e-5);
            EXPECT_EQ(cell[3] + cell[4] + "/" + cell[5], resistor ? "resistorE96/1" : "capacitorE6/20");
        }
    EXPECT_FALSE(std::getline(file, line));
    session.RestoreParts();  // gives back both resistor sets
    EXPECT_TRUE(s->R == designed->R && s->Rs == designed->Rs && !session.RoundedSeries());
    s->Rs[1][1] = 85418;  // off every series: no series, no tolerance
    EXPECT_NE(PartsListText(*s, PartsType::Specified, std::nullopt).find("\r\n1,R101,85418,resistor,,\r\n"),
        std::string::npos);
}

}  // namespace stelvane::testing
