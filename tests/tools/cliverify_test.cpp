// The command line's netlist and check options: exit codes 0, 4, 1 and 2,
// the "verify" object of the JSON, a planted fault found at its stage, and a
// simulator that cannot be loaded.

#include <gtest/gtest.h>

#include <sstream>

#include <sys/wait.h>

#include "spice/netlist.h"
#include "tests/files/filetestsupport.h"
#include "tests/tools/clitestsupport.h"

namespace stelvane::testing {
namespace {

// The number after "key": in a JSON text, or NaN.
double JsonValue(const std::string& json, const std::string& key)
{
    const auto at = json.find("\"" + key + "\": ");
    return at == std::string::npos ? NAN : std::stod(json.substr(at + key.size() + 4));
}

TEST(CliVerify, ExitCodesSayWhetherTheSimulationAgrees)
{
    ScratchFolder folder;
    const std::string netlist = folder / "planted.cir", bad = folder / "bad.cir";
    ASSERT_EQ(RunCliIn({"--family", "chebyshev", "--order", "5", "--netlist", folder / "planted"}).code, 0);
    std::string text = ReadBytes(netlist);  // the name got its extension
    WriteBytes(bad, std::string(text).insert(text.find("R1_1"), "Q1 nonsense\r\n"));
    const std::size_t value = text.find(' ', text.find("R3_2 n2 s2 ") + 10) + 1;
    text.replace(value, text.find('\r', value) - value, std::to_string(1.01 * std::stod(text.substr(value))));
    WriteBytes(netlist, text);

    const struct { std::vector<std::string> args; int code; std::string said; double passband = NAN; } cases[] = {
        {{"--verify"}, 0, "ngspice agrees within "},
        {{"--verify", "--family", "bessel", "--order", "10", "--sweep", "log", "--start", "100", "--stop", "10k"}, 0,
         "ngspice agrees within "},
        // the first-order GBW correction leaves Q-7 stages 0.47 dB off at a GBW 100 times their frequency
        {{"--verify", "--specified-opamp", "--gbw", "107.34k"}, 4, "misses the ideal design by 0.47 dB", 0.47},
        {{"--verify", "--specified-opamp", "--gbw", "107.34k", "--tolerance-db", "0.5"}, 0, "stays within 0.5 dB", 0.47},
        {{"--verify", "--specified-opamp", "--width", "1k", "--gbw", "144.26k"}, 0, "stays within "},
        {{"--family", "chebyshev", "--order", "5", "--verify-netlist", netlist}, 4, " in stage 2"},
        {{"--verify-netlist", bad}, 1, "ngspice rejected the circuit: "},
        {{"--verify-netlist", folder / "none.cir"}, 1, "The netlist could not be read: "},
        {{"--netlist", "/no/such/folder/x.cir"}, 1, kNetlistNotWrittenMessage},
        {{"--verify", "--tolerance-db", "-0.1"}, 2, "--tolerance-db takes a number of dB, 0 or more, not '-0.1'"},
        {{"--verify", "--tolerance-db", "1 dB"}, 2, "--tolerance-db takes a number of dB"},
    };
    for (const auto& c : cases) {
        std::string name;
        for (const auto& a : c.args) name += a + " ";
        SCOPED_TRACE(name);
        const CliRun text = RunCliIn(c.args);
        EXPECT_EQ(text.code, c.code);
        EXPECT_NE((c.code == 0 || c.code == 4 ? text.out : text.err).find(c.said), std::string::npos)
            << text.out << text.err;
        if (c.code != 0 && c.code != 4) continue;
        std::vector<std::string> args = c.args;
        args.push_back("--json");
        const std::string json = RunCliIn(args).out;
        EXPECT_NE(json.find(c.code == 0 ? "\"passed\": true" : "\"passed\": false"), std::string::npos);
        EXPECT_GE(JsonValue(json, "points"), 1001);
        EXPECT_NE(json.find("\"stages\": [\n      {\"stage\": 1, "), std::string::npos); // no comma before the first
        EXPECT_GE(JsonValue(json, "max_gain_error_db"), JsonValue(json, "passband_max_gain_error_db"));
        if (!std::isnan(c.passband)) {
            EXPECT_NEAR(JsonValue(json, "passband_max_gain_error_db"), c.passband, 0.01);
        }
        if (c.args[0] == "--family") {
            EXPECT_EQ(JsonValue(json, "worst_stage"), 2);
        }
    }
}

// Run as the built program: a library that cannot be loaded, and an ngspice
// that stops itself (which would take the process with it if called again).
TEST(CliVerify, WithoutTheSimulatorOrWhenItStopsTheProgramSaysSoAndEndsWithOne)
{
    ScratchFolder folder;
    ASSERT_EQ(RunCliIn({"--netlist", folder / "quit.cir"}).code, 0);
    std::string text = ReadBytes(folder / "quit.cir");
    WriteBytes(folder / "quit.cir", text.insert(text.find(".end"), ".control\r\nquit\r\n.endc\r\n"));
    const struct { std::string library, options, said; } cases[] = {
        {"/no/such/libngspice.so.0", "--verify", "ngspice is not available"},
        {"libm.so.6", "--verify", "ngspice is not available"},
        {"libngspice.so.0", "--verify-netlist " + folder / "quit.cir", "ngspice stopped itself"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.library + " " + c.options);
        const std::string command = "STELVANE_NGSPICE_LIBRARY=" + c.library + " " STELVANE_CLI " " + c.options +
                                    " >" + folder / "out" + " 2>" + folder / "err";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        EXPECT_TRUE(ReadBytes(folder / "err").starts_with(c.said)) << ReadBytes(folder / "err");
        EXPECT_NE(ReadBytes(folder / "out").find("Gain at the centre frequency"), std::string::npos);
    }
}

} // namespace
} // namespace stelvane::testing
