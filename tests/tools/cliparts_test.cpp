// The command line's parts options: their arguments and exit codes, the
// rounded parts, the parts list read back, the sensitivity JSON's shape and
// the summary's range and capacitor lines.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/sensitivity.h"
#include "files/partslist.h"
#include "tests/files/filetestsupport.h"
#include "tools/cliargs.h"
#include "tools/clirun.h"

namespace stelvane::testing {
namespace {

struct CliResult { int code; std::string out, err; };

CliResult Cli(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int code = RunCli(args, out, err);
    return {code, out.str(), err.str()};
}

// The numbers of the JSON array that follows "key": [.
std::vector<double> Array(const std::string& json, const std::string& key, std::size_t from = 0)
{
    std::vector<double> v;
    std::istringstream in(json.substr(json.find("\"" + key + "\": [", from) + key.size() + 5));
    for (double x; in >> x;) {
        v.push_back(x);
        if (in.get() != ',') break;
    }
    return v;
}

TEST(CliParts, OptionsAreReadOrRefusedWithExitCode2)
{
    const struct { std::vector<std::string> args; int code; std::string inOutput; } cases[] = {
        {{"--series", "E5"}, 2, "--series takes E6, E12, E24, E48, E96 or E192, not 'E5'"},
        {{"--series"}, 2, "option --series needs a value"},
        {{"--r-range", "2k"}, 2, "option --r-range needs a value"},
        {{"--r-range", "5k", "1k"}, 2, "--r-range takes two resistances LO HI with 0 < LO < HI, not '5k' '1k'"},
        {{"--sensitivity=yes"}, 2, "option --sensitivity takes no value"},
        {{"--bom", "/no/such/parts"}, 1, kPartsListNotWrittenMessage},
        {{"--series", "e12"}, 0, "\nResistors rounded to the E12 series (R)\n"},
        {{"--cap", "100p", "--r-range=2k,500k"}, 0, "\nResistors outside 2k to 500k ohms:\nStage 1: R1 8.542M, R3 24.221M\n"},
        {{"--cap", "100p", "--suggest-cap"}, 0, "\nE12:  4700pF, resistors 2.257k to 515.331k ohms\n"},
        // one stage of Q 5 and gain 1: R1 = R3/2, R2 = R3/98, so R2/(R1 + R2) = 1/50
        {{"--order", "1", "--sensitivity"}, 0, "Stage 1   R1        R2        R3        C1        C2\n"
                                               "  f0      -0.0100   -0.4900   -0.5000   -0.5000   -0.5000\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : ""));
        const CliResult r = Cli(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_NE((c.code ? r.err : r.out).find(c.inOutput), std::string::npos) << r.out << r.err;
    }
    EXPECT_EQ(Cli({}).out.find("outside"), std::string::npos);  // the start-up parts are all in range
}

// Rounded to E96 with the specified opamp's resistors: the JSON shows the
// rounded parts, and the parts list holds them, read back row by row.
TEST(CliParts, PartsListReadsBackAsTheRoundedParts)
{
    ScratchFolder folder;
    const CliResult r = Cli({"--order", "3", "--series", "E96", "--specified-opamp", "--bom", folder / "parts", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("\"series\": \"E96\""), std::string::npos);
    std::ifstream file(folder / "parts.csv", std::ios::binary);
    std::string line;
    ASSERT_TRUE(std::getline(file, line));
    EXPECT_EQ(line, std::string(kPartsListHeader) + "\r");
    std::size_t at = 0;
    for (int k = 1; k <= 3; ++k) {
        at = r.out.find("\"Stage\": " + std::to_string(k), at);
        const std::vector<double> rs = Array(r.out, "Rs", at), c = Array(r.out, "C", at);
        for (int p = 0; p < 5; ++p) {
            ASSERT_TRUE(std::getline(file, line));
            std::vector<std::string> cell;
            std::istringstream row(line.substr(0, line.size() - 1));
            for (std::string f; std::getline(row, f, ',');) cell.push_back(f);
            cell.resize(6);
            const bool resistor = p < 3;
            SCOPED_TRACE(line);
            EXPECT_EQ(cell[0], std::to_string(k));
            EXPECT_EQ(cell[1], (resistor ? "R" : "C") + std::to_string(100 * k + (resistor ? p + 1 : p - 2)));
            EXPECT_NEAR(std::stod(cell[2]) / (resistor ? rs[p] : c[p - 3]), 1, 1e-5);
            EXPECT_EQ(cell[3], resistor ? "resistor" : "capacitor");
            EXPECT_EQ(cell[4] + "/" + cell[5], resistor ? "E96/1" : "E6/20");
        }
    }
    EXPECT_FALSE(std::getline(file, line));
}

TEST(CliParts, SensitivityJsonHasOneObjectPerStage)
{
    const CliResult r = Cli({"--order", "2", "--sensitivity", "--json"});
    const std::size_t at = r.out.find("\"sensitivity\": [\n    {\"stage\": 1, \"f0\": {\"R1\": ");
    ASSERT_NE(at, std::string::npos) << r.out.substr(r.out.size() - 600);
    const std::string tail = r.out.substr(at);
    for (const char* piece : {"\"q\": {\"R1\": ", "\"gain\": {\"R1\": -1, \"R2\": 0, \"R3\": 1, \"C1\": 0.5, \"C2\": -0.5}},\n",
                              "{\"stage\": 2, ", "\"C2\": -0.5}}\n  ]\n}\n"})
        EXPECT_NE(tail.find(piece), std::string::npos) << piece;
}

} // namespace
} // namespace stelvane::testing
