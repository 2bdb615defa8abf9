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
    // with a JSON pointer: the value there with --json (a figure to a Single's precision)
    const struct {
        std::vector<std::string> args;
        int code;
        std::string inOutput;
        const char* pointer = "";
        Json value = {};
    } cases[] = {
        {{"--series", "E5"}, 2, "--series takes E6, E12, E24, E48, E96 or E192, not 'E5'"},
        {{"--r-range", "2k"}, 2, "option --r-range needs a value"},
        {{"--r-range", "5k", "1k"}, 2, "--r-range takes two resistances LO HI with 0 < LO < HI, not '5k' '1k'"},
        {{"--bom", "/no/such/parts"}, 1, kPartsListNotWrittenMessage},
        {{"--series", "e12"}, 0, "\nResistors rounded to the E12 series (R)\n", "/series", "E12"},
        {{"--series", "E96"}, 0, "", "/stages/0/R", {84500, 1210, 243000}},
        {{"--cap", "100p", "--r-range=2k,500k"}, 0,
            "\nResistors outside 2k to 500k ohms:\nStage 1: R1 8.542M, R3 24.221M\n"},
        {{"--cap", "100p", "--suggest-cap"}, 0, "\nE12: 4700pF, resistors 2.257k to 515.331k\n", "/suggested_cap/E12",
            4.7e-9f},
        {{"--gain", "40", "--width", "800", "--suggest-cap"}, 0, "", "/suggested_cap/E6", 3.3e-9f},
        // one stage of Q 5 and gain 1: R1 = R3/2, R2 = R3/98, so R2/(R1 + R2) = 1/50
        {{"--order", "1", "--sensitivity"}, 0,
            "Stage 1:\n           R1      R2      R3      C1      C2\n"
            "f0     -0.010  -0.490  -0.500  -0.500  -0.500\n"},
        // Q = sqrt(R3 (R1 + R2) / (R1 R2 C1 C2)) C1 C2 / (C1 + C2) goes as f0 does, as sqrt(1 + R2/R1) with R1
        {{"--order", "1", "--sensitivity"}, 0, "", "/sensitivity/0/q/R1", -0.01},
        // gain = R3 C1 / (R1 (C1 + C2)), equal capacitors; none for a stage that cannot be built
        {{"--sensitivity"}, 0, "", "/sensitivity/1/gain",
            {{"R1", -1}, {"R2", 0}, {"R3", 1}, {"C1", 0.5}, {"C2", -0.5}}},
        {{"--sensitivity", "--gain", "40", "--width", "800"}, 0, "", "/sensitivity/0/q/C1", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ArgsText(c.args) + c.pointer);
        const CliRun r = RunCliIn(c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_NE((c.code ? r.err : r.out).find(c.inOutput), std::string::npos) << r.out << r.err;
        if (!*c.pointer) continue;
        const Json read = Json::parse(RunCliIn(c.args, true).out).at(Json::json_pointer(c.pointer));
        if (c.value.is_number_float()) {
            EXPECT_NEAR(read.get<double>() / c.value.get<double>(), 1, 1e-6);
        } else {
            EXPECT_EQ(read, c.value);
        }
    }
    EXPECT_EQ(RunCliIn({}).out.find("outside"), std::string::npos);  // the start-up parts are all in range
}

}  // namespace
}  // namespace stelvane::testing
