// The command line's tolerance run: its output in words and as JSON.

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tools/cliargs.h"
#include "tests/tools/clitestsupport.h"

namespace stelvane::testing {
namespace {

TEST(CliTolerance, PrintsTheRunAndGivesItsJson)
{
    // Without tolerance every copy is the design: each percentile is its gain.
    const CliRun zero = RunCliIn({"--order", "3", "--intervals", "20", "--monte-carlo", "5", "--r-tol", "0", "--c-tol",
        "0%", "--distribution", "Normal", "--seed", "18446744073709551615", "--json"});
    ASSERT_EQ(zero.code, 0) << zero.err;
    const Json j = Json::parse(zero.out), &mc = j["monte_carlo"];
    EXPECT_EQ(mc["runs"], 5);
    EXPECT_EQ(mc["seed"].get<std::uint64_t>(), 18446744073709551615u);
    EXPECT_EQ(mc["distribution"], "normal");
    EXPECT_FALSE(mc.contains("yield"));
    EXPECT_EQ(mc["freq"], j["sweep"]["Freq"]);
    for (const char* p : {"p0", "p5", "p50", "p95", "p100"}) EXPECT_EQ(mc["gain_db"][p], j["sweep"]["GainDB"]) << p;
    EXPECT_FLOAT_EQ(mc["stages"].at(2)["f0"]["mean"].get<float>(), j["stages"][2]["StageFoActual"].get<float>());

    const CliRun words = RunCliIn({"--monte-carlo", "50", "--r-tol", "1", "--c-tol", "5"});
    EXPECT_NE(words.out.find("Tolerance run: 50 copies, resistors within 1%, capacitors within 5%, uniform, seed 1\n"),
        std::string::npos);
    EXPECT_NE(
        words.out.find("\nFreq, Hz    Least       5%          Median      95%         Most\n500  "), std::string::npos);
}

TEST(CliTolerance, WithAMaskTheRunCountsTheCopiesThatMeetIt)
{
    // 20 dB over 990..1010 Hz and 21 dB a decade out: every copy of a bandpass at 1 kHz meets it.
    const std::vector<std::string> args{
        "--monte-carlo", "30", "--r-tol", "5", "--c-tol", "5", "--mask", "990", "1010", "20", "100", "10k", "21"};
    const Json y = Json::parse(RunCliIn(args, true).out)["monte_carlo"]["yield"];
    EXPECT_EQ(y["copies_meeting"], 30);
    EXPECT_EQ(y["share"], 1);
    EXPECT_NE(RunCliIn(args).out.find("Yield: 30 of 30 copies (100.0%) meet the mask; least margin at " +
                  y["worst_edge"].get<std::string>() + "\n"),
        std::string::npos);
}

}  // namespace
}  // namespace stelvane::testing
