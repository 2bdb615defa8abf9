// The command line's parts options: their arguments and exit codes, the
// summary's series, range, capacitor and sensitivity lines, and the JSON's
// rounded parts and sensitivities.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "files/partslist.h"
#include "tests/tools/clitestsupport.h"

namespace stelvane::testing {
namespace {

TEST(CliParts, OptionsAreReadOrRefusedWithTheirExitCodes)
{
    const struct { std::vector<std::string> args; int code; std::string inOutput; } cases[] = {
        {{"--series", "E5"}, 2, "--series takes E6, E12, E24, E48, E96 or E192, not 'E5'"},
        {{"--r-range", "2k"}, 2, "option --r-range needs a value"},
        {{"--r-range", "5k", "1k"}, 2, "--r-range takes two resistances LO HI with 0 < LO < HI, not '5k' '1k'"},
        {{"--bom", "/no/such/parts"}, 1, kPartsListNotWrittenMessage},
        {{"--series", "e12"}, 0, "\nResistors rounded to the E12 series (R)\n"},
        {{"--series", "E96", "--json"}, 0, "\"R\": [84500, 1210, 243000],"},
        {{"--cap", "100p", "--r-range=2k,500k"}, 0, "\nResistors outside 2k to 500k ohms:\nStage 1: R1 8.542M, R3 24.221M\n"},
        {{"--cap", "100p", "--suggest-cap"}, 0, "\nE12:  4700pF, resistors 2.257k to 515.331k ohms\n"},
        // one stage of Q 5 and gain 1: R1 = R3/2, R2 = R3/98, so R2/(R1 + R2) = 1/50
        {{"--order", "1", "--sensitivity"}, 0, "Stage 1   R1        R2        R3        C1        C2\n"
                                               "  f0      -0.0100   -0.4900   -0.5000   -0.5000   -0.5000\n"},
        {{"--sensitivity", "--json"}, 0, "  \"sensitivity\": [\n    {\"stage\": 1, \"f0\": {\"R1\": -0.00705"},
        {{"--sensitivity", "--json"}, 0, "\"q\": {\"R1\": -0.00705"},
        {{"--sensitivity", "--json"}, 0, "\"gain\": {\"R1\": -1, \"R2\": 0, \"R3\": 1, \"C1\": 0.5, \"C2\": -0.5}},\n"
                                         "    {\"stage\": 2, \"f0\": {"},
        {{"--sensitivity", "--json"}, 0, "\"C2\": -0.5}}\n  ]\n}\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : ""));
        const CliRun r = RunCliIn(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_NE((c.code ? r.err : r.out).find(c.inOutput), std::string::npos) << r.out << r.err;
    }
    EXPECT_EQ(RunCliIn({}).out.find("outside"), std::string::npos);  // the start-up parts are all in range
}

} // namespace
} // namespace stelvane::testing
