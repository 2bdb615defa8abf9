#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "clitestsupport.h"
#include "tests/files/filetestsupport.h"

namespace stelvane::testing {
namespace {

TEST(CliTime, OptionsAreRefusedWholeOrGiveSamplesThatTheJsonAndTheCsvAgreeOn)
{
    const struct {
        std::vector<std::string> args;
        std::string err;
    } refused[] = {
        {{"--step", "--impulse"}, "at most one of --step, --impulse and --burst"},
        {{"--impulse", "--burst", "1k", "5"}, "at most one of --step, --impulse and --burst"},
        {{"--time-stop", "1m"}, "--time-stop needs --step, --impulse or --burst"},
        {{"--tabulate-time", "t.csv"}, "--tabulate-time needs --step, --impulse or --burst"},
        {{"--burst", "0", "5"}, "--burst takes a frequency above 0 or centre, not '0'"},
        {{"--burst", "1k", "2.5"}, "--burst takes a whole number of cycles from 1 to 100000, not '2.5'"},
        {{"--step", "--time-points", "1"}, "--time-points takes a whole number from 2 to 1000000, not '1'"},
        {{"--step", "--time-stop", "-1"}, "option --time-stop takes a number above 0, not '-1'"},
        {{"--impulse", "--time-stop", "1e7"},
            "--time-stop takes a number of seconds above 0 and at most 1000000, not '1e7'"},
        {{"--step", "--settle", "100"}, "--settle takes a percent above 0 and below 100, not '100'"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(ArgsText(c.args));
        const CliRun r = RunCliIn(c.args);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, "stelvane-cli: " + c.err + "\n" + kSeeHelp);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(RunCliIn({"--impulse", "--time-points", "1000000"}).code, 0);  // the most there may be
    const CliRun bad = RunCliIn({"--step", "--tabulate-time", "/no/such/folder/t.csv"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("We could not write the time response file: /no/such/folder/t.csv"), std::string::npos);

    const ScratchFolder dir;
    const std::string csv = dir / "t.csv";
    const CliRun r = RunCliIn(
        {"--burst", "centre", "3", "--time-stop", "20m", "--time-points", "801", "--tabulate-time", csv}, true);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<double> t = Numbers(r.out, "time/t"), v = Numbers(r.out, "time/v");
    ASSERT_EQ(t.size(), 801u);
    ASSERT_EQ(v.size(), 801u);
    EXPECT_DOUBLE_EQ(t.back(), 0.02);
    // the CSV holds the very samples, after its header line
    std::ifstream file(csv);
    std::string line;
    std::getline(file, line);
    EXPECT_EQ(line, "t,v\r");
    std::size_t k = 0;
    for (; std::getline(file, line) && k < t.size(); ++k) {
        std::istringstream fields(line);
        double ft = 0, fv = 0;
        char comma = 0;
        fields >> ft >> comma >> fv;
        ASSERT_EQ(ft, t[k]);
        ASSERT_EQ(fv, v[k]);
    }
    EXPECT_EQ(k, t.size());
    // the peak is the sample's
    std::size_t top = 0;
    for (std::size_t j = 0; j < v.size(); ++j)
        if (std::abs(v[j]) > std::abs(v[top])) top = j;
    EXPECT_EQ(Numbers(r.out, "peak_time_s").at(0), t[top]);
    EXPECT_EQ(Numbers(r.out, "burst_freq_hz").at(0), 1000);
    // the summary has its paragraph only when a response is asked for
    EXPECT_EQ(RunCliIn({}).out.find("Time response"), std::string::npos);
    EXPECT_NE(RunCliIn({"--impulse"}).out.find("\nTime response: Unit impulse, "), std::string::npos);
}

}  // namespace
}  // namespace stelvane::testing
