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

using Lines = std::map<std::string, std::vector<std::string>>;  // first word -> the line's words

Lines Parse(const std::string& text, std::string& first, std::string& last)
{
    Lines lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        std::istringstream words(text.substr(at, end - at));
        std::vector<std::string> line{std::istream_iterator<std::string>(words), {}};
        if (at == 0) first = text.substr(0, end);
        if (!line.empty()) lines[line[0]] = line, last = line[0];
    }
    EXPECT_EQ(at, text.size()) << "every line ends in CR LF";
    return lines;
}

TEST(Netlist, PartsNodesOpampAndSweepReadBack)
{
    // at least as many points as the sweep: 1000 intervals, or 500 over two decades
    const struct {
        OpampModel model;
        Integer sweep;
        std::vector<std::string> ac;
    } cases[] = {{OpampModel::Ideal, 1, {".ac", "lin", "1001", "500", "2000"}},
        {OpampModel::Specified, 2, {".ac", "dec", "500", "100", "10000"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ac[1]);
        auto s = StartUpDesign();
        if (c.sweep == 2) s->Sweep = SweepSpacing::Log, s->Fstart = 100, s->Fstop = 10000;
        std::string title, last;
        Lines l = Parse(NetlistText(*s, c.model), title, last);
        EXPECT_TRUE(title.starts_with("Stelvane ") && last == ".end");
        EXPECT_EQ(l["VIN"], (std::vector<std::string>{"VIN", "in", "0", "DC", "0", "AC", "1"}));
        EXPECT_EQ(l["VOUT"], (std::vector<std::string>{"VOUT", "s2", "out", "DC", "0"}));
        const auto ac = l[".ac"];
        ASSERT_EQ(ac.size(), 5u);
        EXPECT_EQ(ac[1] + ac[2], c.ac[1] + c.ac[2]);
        EXPECT_TRUE(Value(ac[3]) == Value(c.ac[3]) && Value(ac[4]) == Value(c.ac[4]));
        for (int k = 1; k <= 2; ++k) {
            const std::string n = std::to_string(k), in = k == 1 ? "in" : "s1";
            const std::string a = "a" + n, inv = "n" + n, out = "s" + n;
            const auto& r = c.model == OpampModel::Ideal ? s->R[k] : s->Rs[k];
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
        if (c.model == OpampModel::Ideal) {
            EXPECT_GE(Value(l["EGAIN"].at(5)), 1e12);
        } else {  // the single pole lies at GBW / DCGain
            EXPECT_EQ(Value(l["RIN"].at(3)), 1e6);
            EXPECT_EQ(Value(l["GPOLE"].at(5)), 1e5);
            const double pole = 1 / (2 * std::numbers::pi * Value(l["RPOLE"].at(3)) * Value(l["CPOLE"].at(3)));
            EXPECT_NEAR(pole * 1e5 / 1e7, 1, 1e-8);
        }
    }
}

}  // namespace
}  // namespace stelvane::testing
