// The ngspice netlist read back: every part's nodes and value, the opamp
// model and the sweep, against the record.

#include "spice/netlist.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <iterator>
#include <map>
#include <numbers>
#include <sstream>

#include "tests/engine/engine_test_support.h"

namespace stelvane::testing {
namespace {

// A number written out in full: no suffix, which SPICE would read as a scale.
double Value(const std::string& text)
{
    double v = NAN;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    EXPECT_TRUE(ec == std::errc() && end == text.data() + text.size()) << text;
    return v;
}

// The netlist's lines by their first word, each split into its words; every line ends in CR LF.
std::map<std::string, std::vector<std::string>> Parse(const std::string& text)
{
    std::map<std::string, std::vector<std::string>> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(line.ends_with('\r')) << line;
        std::istringstream words(line);
        std::vector<std::string> split{std::istream_iterator<std::string>(words), {}};
        if (!split.empty()) lines[split[0]] = split;
    }
    return lines;
}

// The specified opamp's netlist, as every part and the sweep are written for
// both models; the ideal one (and the output node) is proven by simulating it
// against the engine.
TEST(Netlist, PartsNodesOpampAndSweepReadBack)
{
    auto s = StartUpDesign();
    s->Sweep = SweepSpacing::Log, s->Fstart = 100, s->Fstop = 10000;
    const std::string text = NetlistText(*s, OpampModel::Specified);
    auto l = Parse(text);
    EXPECT_TRUE(text.starts_with("Stelvane ") && text.ends_with("\r\n.end\r\n"));
    EXPECT_EQ(l["VIN"], (std::vector<std::string>{"VIN", "in", "0", "DC", "0", "AC", "1"}));
    const auto ac = l[".ac"];
    ASSERT_EQ(ac.size(), 5u);
    // at least as many points as the sweep: 500 a decade over two decades
    EXPECT_EQ(ac[1] + " " + ac[2], "dec 500");
    EXPECT_TRUE(Value(ac[3]) == 100 && Value(ac[4]) == 10000);
    for (int k = 1; k <= 2; ++k) {
        const std::string n = std::to_string(k), in = k == 1 ? "in" : "s1";
        const std::string a = "a" + n, inv = "n" + n, out = "s" + n;
        const auto& r = s->Rs[k];
        const struct {
            std::string name, from, to;
            Single part;
        } parts[] = {{"R1_" + n, in, a, r[1]}, {"R2_" + n, a, "0", r[2]}, {"R3_" + n, inv, out, r[3]},
            {"C1_" + n, a, inv, s->C[k][1]}, {"C2_" + n, a, out, s->C[k][2]}};
        for (const auto& p : parts) {
            const auto& line = l[p.name];
            ASSERT_EQ(line.size(), 4u) << p.name;
            EXPECT_EQ(line[1] + " " + line[2], p.from + " " + p.to) << p.name;
            EXPECT_EQ(Single(Value(line[3])), p.part) << p.name;  // nine digits give the Single back
        }
        EXPECT_EQ(l["XU" + n], (std::vector<std::string>{"XU" + n, "0", inv, out, "opamp"}));
    }
    // the single pole lies at GBW / DCGain
    EXPECT_EQ(Value(l["RIN"].at(3)), 1e6);
    EXPECT_EQ(Value(l["GPOLE"].at(5)), 1e5);
    const double pole = 1 / (2 * std::numbers::pi * Value(l["RPOLE"].at(3)) * Value(l["CPOLE"].at(3)));
    EXPECT_NEAR(pole * 1e5 / 1e7, 1, 1e-8);
}

}  // namespace
}  // namespace stelvane::testing
