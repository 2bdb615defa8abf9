// The ngspice netlist read back: every part's nodes and value, the opamp
// model and the sweep, against the record.

#include "spice/netlist.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <iterator>
#include <map>
#include <numbers>
#include <optional>
#include <sstream>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/response.h"
#include "tests/engine/engine_test_support.h"
#include "tests/files/filetestsupport.h"
#include "tests/support/recordingnotifier.h"

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
        } parts[] = {{"R" + n + "01", in, a, r[1]}, {"R" + n + "02", a, "0", r[2]}, {"R" + n + "03", inv, out, r[3]},
            {"C" + n + "01", a, inv, s->C[k][1]}, {"C" + n + "02", a, out, s->C[k][2]}};
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

// ngspice run as a user runs it, "ngspice -b FILE", with no shell between;
// what it printed, or nothing when it is not installed.
std::optional<std::string> RunNgspiceBatch(const ScratchFolder& folder, const std::string& netlist)
{
    const std::string output = folder / "printed.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string program = "ngspice", batch = "-b", file = netlist;
    char* argv[] = {program.data(), batch.data(), file.data(), nullptr};
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, "ngspice", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (failed || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) == 127)
        return std::nullopt;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    return ReadBytes(output);
}

// The written netlist runs on its own: ngspice prints the output's gain and
// phase at every point of its sweep, and they are the engine's response.
TEST(Netlist, AWrittenNetlistRunByNgspiceAlonePrintsTheEngineResponse)
{
    const struct {
        const char* name;
        bool chebyshev, log;
        const char* order;
    } cases[] = {
        {"Butterworth of two stages, linear", false, false, "4"}, {"Chebyshev of three, log", true, true, "6"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto s = StartUpDesign([&](DesignInputs& in) {
            in.optButterworth = !c.chebyshev, in.optChebyshev = c.chebyshev, in.lblOrderInput = c.order;
            in.optLinear = !c.log, in.optLog = c.log, in.txtInts = "50";
        });
        ScratchFolder folder;
        RecordingNotifier notifier;
        ASSERT_TRUE(WriteNetlist(*s, OpampModel::Ideal, folder / "filter.cir", notifier));
        const auto printed = RunNgspiceBatch(folder, folder / "filter.cir");
        if (!printed) GTEST_SKIP() << "ngspice is not installed";
        // the printed rows: index, frequency, gain in dB, phase in radians
        std::istringstream in(*printed);
        int rows = 0;
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            int index = -1;
            double f = NAN, db = NAN, radians = NAN;
            if (!(words >> index >> f >> db >> radians) || index != rows) continue;
            ++rows;
            double gain = 0, phase = 0;
            EvaluateCascade(*s, f, gain, phase);
            EXPECT_NEAR(db, gain, 1e-3) << f;
            EXPECT_NEAR(std::remainder(radians * 180 / std::numbers::pi - phase, 360), 0, 0.01) << f;
        }
        EXPECT_GE(rows, 51);
    }
}

}  // namespace
}  // namespace stelvane::testing
