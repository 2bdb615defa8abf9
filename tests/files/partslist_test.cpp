#include "files/partslist.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <set>
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
    for (int k = 1; k <= 3; ++k) {  // then an opamp per stage
        ASSERT_TRUE(std::getline(file, line));
        EXPECT_TRUE(line.starts_with(std::to_string(k) + ",U" + std::to_string(k) + ",")) << line;
    }
    session.RestoreParts();  // gives back both resistor sets
    EXPECT_TRUE(s->R == designed->R && s->Rs == designed->Rs && !session.RoundedSeries());
    s->Rs[1][1] = 85418;  // off every series: no series, no tolerance
    EXPECT_NE(PartsListText(*s, PartsType::Specified, std::nullopt).find("\r\n1,R101,85418,resistor,,\r\n"),
        std::string::npos);
}

// The later sections agree with the rows, as an order is put together by
// hand: per stage three resistors, two capacitors and an opamp, and a line per
// value, kind and series with its count and designators. The opamp is named
// by the list entry of the record's figures (quoted for CSV), else by them.
TEST(PartsList, SubtotalsAndOrderLinesAgreeWithTheRows)
{
    struct Case {
        const char* order;
        std::optional<StandardSeries> series;
        const char* opamp;  // a list entry with the record's figures, or none
        std::string opampCell;
    };
    const std::vector<Case> cases{
        {"1", std::nullopt, nullptr, "GBW 10MHz DC gain 100k"},
        {"4", StandardSeries::E12, "LM741", "LM741"},
        {"6", StandardSeries::E6, "Amp, \"fast\"", "\"Amp, \"\"fast\"\"\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.order);
        auto s = StartUpDesign([&](DesignInputs& in) { in.lblOrderInput = c.order; });
        DesignSession session(*s);
        if (c.series) session.RoundToStandardValues(*c.series, false);
        std::vector<OpampEntry> list = GenericOpamps();
        if (c.opamp) list.push_back(OpampOf(c.opamp, SettingsOf(*s)));
        std::vector<std::vector<std::string>> sections(1);
        std::istringstream text(PartsListText(*s, PartsType::Ideal, session.RoundedSeries(), list));
        for (std::string line; std::getline(text, line);) {
            line.pop_back();  // the CR
            if (line.empty()) sections.emplace_back();
            if (!line.empty()) sections.back().push_back(line);
        }
        const int n = s->Order;
        ASSERT_EQ(sections.size(), 3u);
        ASSERT_EQ(sections[0].size(), 1u + 6 * n);
        ASSERT_EQ(sections[1].size(), 2u + n);
        // stage, designator, then value, kind, series, tolerance: the key of an order line
        std::map<std::string, std::set<std::string>> byValue;
        std::set<std::string> all;
        for (std::size_t i = 1; i < sections[0].size(); ++i) {
            const std::string& row = sections[0][i];
            const std::size_t first = row.find(','), second = row.find(',', first + 1);
            const std::string ref = row.substr(first + 1, second - first - 1);
            byValue[row.substr(second + 1)].insert(ref);
            EXPECT_TRUE(all.insert(ref).second) << row;  // each designator once
            EXPECT_TRUE(i <= 5u * n || row.substr(second + 1) == c.opampCell + ",opamp,,") << row;
        }
        for (int k = 1; k <= n; ++k) EXPECT_EQ(sections[1][k], std::to_string(k) + ",3,2,1,6");
        EXPECT_EQ(sections[1].back(),
            "all," + std::to_string(3 * n) + "," + std::to_string(2 * n) + "," + std::to_string(n) + "," +
                std::to_string(6 * n));
        ASSERT_EQ(sections[2].size(), 1u + byValue.size());
        for (std::size_t i = 1; i < sections[2].size(); ++i) {
            const std::string& line = sections[2][i];
            const std::size_t last = line.rfind(','), first = line.find(',');
            std::istringstream refs(line.substr(last + 1));
            const std::set<std::string> listed{std::istream_iterator<std::string>(refs), {}};
            EXPECT_EQ(listed, byValue[line.substr(first + 1, last - first - 1)]) << line;
            EXPECT_EQ(line.substr(0, first), std::to_string(listed.size())) << line;
        }
    }
}

}  // namespace stelvane::testing
