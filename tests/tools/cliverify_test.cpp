// The command line's netlist and check options: exit codes 0, 4, 1 and 2,
// the "verify" object of the JSON, a planted fault found at its stage, and a
// simulator that cannot be loaded.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include <sys/wait.h>

#include "spice/netlist.h"
#include "tests/files/filetestsupport.h"
#include "tests/tools/clitestsupport.h"

namespace stelvane::testing {
namespace {

TEST(CliVerify, ExitCodesSayWhetherTheSimulationAgrees)
{
    ScratchFolder folder;
    const std::string sweep = folder / "sweep.cir";
    ASSERT_EQ(RunCliIn({"--family", "chebyshev", "--order", "5", "--netlist", folder / "planted"}).code, 0);
    // R2 of stage 1 60% off, hidden by a sweep of one point far above the band: the design's sweep finds it
    std::string off = ReadBytes(folder / "planted.cir");  // the name got its extension
    const std::size_t r2 = off.find(' ', off.find("R102 a1 0 ") + 9) + 1;
    off.replace(r2, off.find('\r', r2) - r2, std::to_string(1.6 * std::stod(off.substr(r2))));
    const std::size_t ac = off.find(".ac ");
    WriteBytes(sweep, off.replace(ac, off.find('\r', ac) - ac, ".ac lin 1 1e6 1e6"));
    // circuit lines only, but a billion resistors once the subcircuits are expanded
    std::string bomb = "bomb\n.subckt l0 a b\nR1 a b 1k\n.ends\n";
    for (int level = 1; level <= 9; ++level) {
        bomb += ".subckt l" + std::to_string(level) + " a b\n";
        for (int i = 0; i < 10; ++i) bomb += "X" + std::to_string(i) + " a b l" + std::to_string(level - 1) + "\n";
        bomb += ".ends\n";
    }
    WriteBytes(folder / "bomb.cir", bomb + "V1 in 0 AC 1\nX1 in s1 l9\n.end\n");

    const struct {
        std::vector<std::string> args;
        int code;
        std::string said;
    } cases[] = {
        {{"--verify"}, 0, "ngspice agrees within "},
        {{"--verify", "--en", "4", "--in", "1", "--temp", "60", "--noise-band", "800", "1.2k"}, 0,
            "ngspice's noise agrees within "},
        {{"--verify", "--step"}, 0, "ngspice's transient agrees within "},
        {{"--verify", "--family", "bessel", "--order", "10", "--width", "500"}, 0,
            "noise is not compared with ngspice"},
        // the first-order GBW correction leaves Q-7 stages 0.47 dB off at a GBW 100 times their frequency
        {{"--verify", "--specified-opamp", "--gbw", "107.34k"}, 4, "misses the ideal design by 0.47 dB"},
        {{"--verify", "--specified-opamp", "--gbw", "107.34k", "--tolerance-db", "0.5"}, 0, "stays within 0.5 dB"},
        // exact; first-order misses by 13 dB, 19 dB and 0.12 dB
        {{"--verify", "--specified-opamp", "--correction", "exact", "--family", "chebyshev", "--ripple", "0.5",
             "--order", "6", "--center", "10k", "--width", "1k", "--gain", "10", "--gbw", "10M", "--dcgain", "1M"},
            0, "stays within 0.0000"},
        {{"--verify", "--specified-opamp", "--correction", "exact", "--order", "2", "--center", "10k", "--width", "300",
             "--gbw", "1.9M"},
            0, "stays within 0.0000"},  // Q 47 at q f0/GBW 0.25
        {{"--verify", "--specified-opamp", "--correction", "exact", "--order", "2", "--center", "10k", "--width", "10k",
             "--gbw", "300k"},
            0, "stays within 0.00"},  // Q 1.5
        // two stages keep their first-order Rs (named on stderr); exact's tolerance
        {{"--verify", "--specified-opamp", "--correction", "exact", "--family", "chebyshev", "--ripple", "0.5",
             "--order", "6", "--center", "10k", "--width", "1k", "--gain", "10", "--gbw", "10M"},
            4, "more than the 0.01 dB allowed"},
        {{"--family", "chebyshev", "--order", "5", "--verify-netlist", sweep}, 4, " in stage 1"},
        {{"--verify-netlist", folder / "none.cir"}, 1, "The netlist could not be read: "},
        {{"--verify-netlist", folder / "bomb.cir", "--spice-timeout", "1"}, 1,
            "ngspice took longer than 1 s and was stopped"},
        {{"--verify", "--spice-timeout", "1e999"}, 2, "--spice-timeout takes a number of seconds above 0"},
        {{"--verify", "--tolerance-db", "-0.1"}, 2, "--tolerance-db takes a number of dB, 0 or more, not '-0.1'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ArgsText(c.args));
        const CliRun text = RunCliIn(c.args);
        EXPECT_EQ(text.code, c.code);
        EXPECT_NE((c.code == 0 || c.code == 4 ? text.out : text.err).find(c.said), std::string::npos)
            << text.out << text.err;
        if (c.code == 2) continue;
        const Json design = Json::parse(RunCliIn(c.args, true).out), &json = design["verify"];
        if (c.code == 1) {  // the reason, as said on stderr
            EXPECT_NE(text.err.find(json["error"].get<std::string>()), std::string::npos) << json;
            continue;
        }
        EXPECT_EQ(json["passed"], c.code == 0);
        if (std::find(c.args.begin(), c.args.end(), "exact") != c.args.end()) {
            EXPECT_EQ(design["exact_missed"].size(), c.code == 4 ? 2u : 0u);
        }
    }
    const CliRun missed = RunCliIn({"--correction", "exact", "--family", "chebyshev", "--ripple", "0.5", "--order", "6",
        "--center", "10k", "--width", "1k", "--gain", "10", "--gbw", "10M"});
    EXPECT_NE(missed.err.find("stelvane-cli: Stage 6 has no exact resistors"), std::string::npos) << missed.err;
}

// Run as the built program in a folder whose .spiceinit, like the one in
// HOME, would create a file: a library that cannot be loaded, and netlists
// holding commands, which are refused before ngspice sees them.
TEST(CliVerify, NothingTheFoldersOrTheNetlistHoldRunsAndTheProgramSaysWhy)
{
    ScratchFolder folder;
    const std::string witness = folder / "ran";
    for (const std::string& start : {folder / ".spiceinit", folder / "home/.spiceinit"}) {
        std::filesystem::create_directories(std::filesystem::path(start).parent_path());
        WriteBytes(start, "* start-up\nshell touch " + witness + "\n");
    }
    ASSERT_EQ(RunCliIn({"--netlist", folder / "d.cir"}).code, 0);
    const std::string text = ReadBytes(folder / "d.cir");
    const std::size_t end = text.find(".end");
    const struct {
        std::string library, lines;
        int code;
        std::string said;
    } cases[] = {
        {"", "", 0, ""},
        {"/no/such/libngspice.so.0", "", 1, "ngspice is not available"},
        {"", ".control\nshell touch " + witness + "\n", 2, " of the netlist holds .control"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.library + " " + c.lines);
        WriteBytes(folder / "x.cir", std::string(text).insert(end, c.lines));
        const std::string command = "cd " + folder.path_.string() + " && HOME=" + folder / "home" +
            " STELVANE_NGSPICE_LIBRARY=" + c.library + " " STELVANE_CLI " " +
            (c.lines.empty() ? "--verify" : "--verify-netlist x.cir") + " >out 2>err";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), c.code);
        EXPECT_NE(ReadBytes(folder / "err").find(c.said), std::string::npos) << ReadBytes(folder / "err");
        EXPECT_EQ(ReadBytes(folder / "out").find("Gain at the centre frequency") != std::string::npos, c.code != 2);
        EXPECT_FALSE(std::filesystem::exists(witness));
    }
}

}  // namespace
}  // namespace stelvane::testing
