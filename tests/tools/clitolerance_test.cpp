// The command line's tolerance run: its options, refusals and output.

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tools/cliargs.h"
#include "tests/tools/clitestsupport.h"

namespace stelvane {
namespace {

TEST(CliTolerance, RefusesWhatItCannotRunWithExitCode2)
{
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"--monte-carlo", "0", "--r-tol", "1", "--c-tol", "1"},
            "--monte-carlo takes a number of copies from 1 to 10000, not '0'"},
        {{"--monte-carlo", "10001", "--r-tol", "1", "--c-tol", "1"},
            "--monte-carlo takes a number of copies from 1 to 10000, not '10001'"},
        {{"--monte-carlo", "10", "--r-tol", "1"}, "--monte-carlo needs --r-tol and --c-tol"},
        {{"--monte-carlo", "10", "--r-tol", "50.5", "--c-tol", "1"},
            "--r-tol takes a tolerance in percent from 0 to 50, not '50.5'"},
        {{"--monte-carlo", "10", "--r-tol", "1", "--c-tol", "-1"},
            "--c-tol takes a tolerance in percent from 0 to 50, not '-1'"},
        {{"--monte-carlo", "10", "--r-tol", "1", "--c-tol", "1", "--distribution", "gauss"},
            "--distribution takes uniform or normal, not 'gauss'"},
        {{"--monte-carlo", "10", "--r-tol", "1", "--c-tol", "1", "--seed", "1e30"},
            "--seed takes a whole number from 0 to 18446744073709551615, not '1e30'"},
        {{"--monte-carlo", "10", "--r-tol", "1", "--c-tol", "1", "--seed", "1.5"},
            "option --seed takes a whole number, not '1.5'"},
        {{"--seed", "3"}, "--seed needs --monte-carlo"},
        {{"--c-tol", "3"}, "--c-tol needs --monte-carlo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const testing::CliRun r = testing::RunCliIn(c.args);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, "stelvane-cli: " + c.err + "\n" + testing::kSeeHelp);
        EXPECT_EQ(r.out, "");
    }
}

TEST(CliTolerance, PrintsTheRunAndGivesItsJson)
{
    // Without tolerance every copy is the design: each percentile is its gain.
    const testing::CliRun zero = testing::RunCliIn({"--order", "3", "--intervals", "20", "--monte-carlo", "5",
        "--r-tol", "0", "--c-tol", "0%", "--distribution", "Normal", "--seed", "18446744073709551615", "--json"});
    ASSERT_EQ(zero.code, 0) << zero.err;
    const Json j = Json::parse(zero.out), &mc = j["monte_carlo"];
    EXPECT_EQ(mc["runs"], 5);
    EXPECT_EQ(mc["seed"].get<std::uint64_t>(), 18446744073709551615u);
    EXPECT_EQ(mc["distribution"], "normal");
    EXPECT_EQ(mc["freq"], j["sweep"]["Freq"]);
    for (const char* p : {"p0", "p5", "p50", "p95", "p100"}) EXPECT_EQ(mc["gain_db"][p], j["sweep"]["GainDB"]) << p;
    EXPECT_FLOAT_EQ(mc["stages"].at(2)["f0"]["mean"].get<float>(), j["stages"][2]["StageFoActual"].get<float>());

    const testing::CliRun words = testing::RunCliIn({"--monte-carlo", "50", "--r-tol", "1", "--c-tol", "5"});
    EXPECT_NE(words.out.find("Tolerance run: 50 copies, resistors within 1%, capacitors within 5%, uniform, seed 1\n"),
        std::string::npos);
    EXPECT_NE(
        words.out.find("\nFreq, Hz    Least       5%          Median      95%         Most\n500  "), std::string::npos);
}

}  // namespace
}  // namespace stelvane
