// The command-line companion, run as a program: exit codes, what it prints,
// the Enter step's clamps and messages, the JSON, and the files it writes.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <functional>

#include "engine/designstate.h"
#include "engine/enterstep.h"
#include "engine/numbertext.h"
#include "engine/standardvalues.h"
#include "files/designfile.h"
#include "files/plotoverlay.h"
#include "files/spiceschematic.h"
#include "files/tabulatedfile.h"
#include "tests/support/recordingnotifier.h"
#include "tests/tools/clitestsupport.h"
#include "tools/cliargs.h"

namespace stelvane {
namespace {

using namespace clitest;

std::string Join(const std::vector<std::string>& args)
{
    std::string s;
    for (const auto& a : args) s += (s.empty() ? "" : " ") + a;
    return s.empty() ? "(no arguments)" : s;
}

// The record the design window would hold after the Enter step with these edits.
DesignState WindowDesign(const std::function<void(DesignInputs&)>& edit)
{
    DesignState s;
    InitEngine(s);
    InstallDefaults(s);
    InstallCapacitorDefaults(s);
    InstallOpampDefaults(s);
    DesignInputs in = InputsFromRecord(s);
    edit(in);
    EnterStep(s, in, [](const std::string&) {});
    return s;
}

// Number figures in a summary cell, read back with the program's own suffixes.
Single CellValue(const std::string& cell)
{
    Single v = 0;
    ParseNumberText(cell, v);
    return v;
}

std::vector<std::string> Words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// The rows of a summary table that follows the line starting with title.
std::vector<std::vector<std::string>> TableRows(const std::string& summary, const std::string& title)
{
    std::vector<std::vector<std::string>> rows;
    const auto lines = SplitLines(summary);
    std::size_t i = 0;
    while (i < lines.size() && lines[i].rfind(title, 0) != 0) ++i;
    for (i += 2; i < lines.size() && !lines[i].empty(); ++i) rows.push_back(Words(lines[i]));
    return rows;
}

// Ideal multiple-feedback bandpass stage, straight from its circuit equations:
// H(jw) = -jw R3 C1 / ((1 + R1/R2 - w^2 R1 R3 C1 C2) + jw R1 (C1 + C2)).
double IndependentCascadeGainDb(const Json& stages, double f)
{
    const double w = 2 * std::acos(-1.0) * f;
    std::complex<double> h = 1;
    for (const Json& st : stages.items) {
        const double r1 = st["R"][0].AsDouble(), r2 = st["R"][1].AsDouble(), r3 = st["R"][2].AsDouble();
        const double c1 = st["C"][0].AsDouble(), c2 = st["C"][1].AsDouble();
        const std::complex<double> num(0, -w * r3 * c1);
        const std::complex<double> den(1 + r1 / r2 - w * w * r1 * r3 * c1 * c2, w * r1 * (c1 + c2));
        h *= num / den;
    }
    return 20 * std::log10(std::abs(h));
}

class Cli : public ::testing::Test {
protected:
    CliResult Run(const std::vector<std::string>& args) { return RunProgram(args, dir.path()); }
    Json RunJson(const std::vector<std::string>& args)
    {
        std::vector<std::string> all = args;
        all.push_back("--json");
        const CliResult r = Run(all);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return ParseJson(r.out);
    }
    ScratchDir dir;
};

TEST_F(Cli, UsageErrorsGiveOneLineThenTheUsageAndExitCode2)
{
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
    };
    const std::vector<Case> cases{
        {{"--bogus"}, "stelvane-cli: unknown option '--bogus'"},
        {{"design.QBX"}, "stelvane-cli: unexpected argument 'design.QBX'"},
        {{"--center"}, "stelvane-cli: option --center needs a value"},
        {{"--order", "--json"}, "stelvane-cli: option --order needs a value"},
        {{"--family", "elliptic"}, "stelvane-cli: --family takes butterworth, chebyshev or bessel, not 'elliptic'"},
        {{"--sweep", "decade"}, "stelvane-cli: --sweep takes lin or log, not 'decade'"},
        {{"--overlay=yes"}, "stelvane-cli: option --overlay takes no value"},
        {{"--load", "x.QBX", "--order", "3"},
         "stelvane-cli: --order cannot be used with --load: a loaded design keeps its own parts"},
    };
    const std::string usage = UsageText();
    for (const Case& c : cases) {
        SCOPED_TRACE(Join(c.args));
        const CliResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.firstLine + "\n" + usage);
    }
}

TEST_F(Cli, HelpAndPlainRunsSucceed)
{
    struct Case {
        std::vector<std::string> args;
        std::string outStart;
    };
    const std::vector<Case> cases{
        {{"--help"}, "Usage: stelvane-cli [options]\n"},
        {{"--json", "--help"}, "Usage: stelvane-cli [options]\n"},
        {{}, "Stelvane Version 2.03\nButterworth bandpass, 2 stages\n"},
        {{"--json"}, "{\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Join(c.args));
        const CliResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out.rfind(c.outStart, 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(Run({"--help"}).out, UsageText());
}

TEST_F(Cli, LeftOutOptionsAreTheStartupDesign)
{
    const CliResult plain = Run({});
    struct Case {
        const char* name;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases{
        {"every option spelled out",
         {"--center", "1k", "--width", "200", "--gain", "0", "--family", "butterworth", "--order", "2", "--cap",
          "10n", "--gbw", "10M", "--dcgain", "100k", "--zin", "1M", "--start", "500", "--stop", "2k", "--intervals",
          "1000", "--sweep", "lin"}},
        {"the same in =-form and other spellings",
         {"--center=1000 Hz", "--width=0.2k", "--cap=0.01uF", "--gbw=1e7", "--intervals=1k"}},
        {"ripple is ignored by Butterworth", {"--ripple", "3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, plain.out);
    }
}

TEST_F(Cli, SummaryShowsTheKnownStageFigures)
{
    struct Stage {
        double f, fTol, q, qTol, gain;
    };
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string heading;
        std::vector<Stage> stages;
    };
    const std::vector<Case> cases{
        {"start-up Butterworth", {}, "Butterworth bandpass, 2 stages",
         {{931.6, 0.06, 7.089, 0.0006, 1.418}, {1073.4, 0.06, 7.089, 0.0006, 1.418}}},
        {"Butterworth order 3", {"--order", "3"}, "Butterworth bandpass, 3 stages",
         {{917.0, 0.06, 10.04, 0.006, 0}, {1000.0, 0.06, 5.0, 0.0006, 0}, {1090.5, 0.06, 10.04, 0.006, 0}}},
        {"Chebyshev 0.5 dB", {"--family", "chebyshev", "--ripple", "0.5"}, "Chebyshev bandpass, 2 stages",
         {{904.4, 0.06, 7.050, 0.0006, 0}, {1105.7, 0.06, 7.050, 0.0006, 0}}},
        {"Bessel order 1 sits at the centre with Q = Qbp", {"--family", "bessel", "--order", "1"},
         "Bessel bandpass, 1 stage", {{1000.0, 0.006, 5.0, 0.0006, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliResult r = Run(c.args);
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_EQ(SplitLines(r.out).at(1), c.heading);
        const auto rows = TableRows(r.out, "Stage figures");
        ASSERT_EQ(rows.size(), c.stages.size()) << r.out;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            SCOPED_TRACE("stage " + std::to_string(k + 1));
            ASSERT_EQ(rows[k].size(), 5u);
            EXPECT_EQ(rows[k][0], std::to_string(k + 1));
            EXPECT_NEAR(CellValue(rows[k][1]), c.stages[k].f, c.stages[k].fTol);
            EXPECT_NEAR(CellValue(rows[k][2]), c.stages[k].q, c.stages[k].qTol);
            if (c.stages[k].gain > 0) {
                EXPECT_NEAR(CellValue(rows[k][3]), c.stages[k].gain, 0.0006);
            }
            // the dB column is the v/v column in decibels
            EXPECT_NEAR(CellValue(rows[k][4]), 20 * std::log10(CellValue(rows[k][3])), 0.002);
        }
    }
}

TEST_F(Cli, SummaryShowsThePartsAndTheCentreGain)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        // per stage: C1, C2, R1, R2, R3, Rs1, Rs2, Rs3 (0: not checked)
        std::vector<std::array<double, 8>> parts;
        std::string centreLine;
    };
    const std::vector<Case> cases{
        {"start-up design", {},
         {{1e-8, 1e-8, 85.42e3, 1.222e3, 242.2e3, 85.31e3, 1.221e3, 242.2e3},
          {1e-8, 1e-8, 74.14e3, 1.061e3, 210.2e3, 0, 0, 0}},
         "Gain at the centre frequency: 0 dB"},
        {"double the capacitors, half the resistors", {"--cap", "20n"},
         {{2e-8, 2e-8, 42.71e3, 0.611e3, 121.1e3, 0, 0, 0}, {2e-8, 2e-8, 37.07e3, 0.5305e3, 105.1e3, 0, 0, 0}},
         "Gain at the centre frequency: 0 dB"},
        {"gain 6 dB", {"--gain", "6"}, {}, "Gain at the centre frequency: 6 dB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliResult r = Run(c.args);
        ASSERT_EQ(r.exitCode, 0);
        const auto rows = TableRows(r.out, "Parts (R for an ideal opamp");
        ASSERT_EQ(rows.size(), 2u);
        for (std::size_t k = 0; k < c.parts.size(); ++k) {
            ASSERT_EQ(rows[k].size(), 9u);
            for (int j = 0; j < 8; ++j) {
                SCOPED_TRACE("stage " + std::to_string(k + 1) + " column " + std::to_string(j + 1));
                const double want = c.parts[k][j];
                if (want != 0) {
                    EXPECT_NEAR(CellValue(rows[k][j + 1]) / want, 1.0, 6e-4);
                }
            }
        }
        EXPECT_NE(r.out.find("\n" + c.centreLine + "\n"), std::string::npos) << r.out;
    }
}

TEST_F(Cli, EnterStepClampsAndRippleMessagesReachStderr)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string err;
        std::string field; // a key of "inputs", or C for every capacitor
        double value;
    };
    const std::vector<Case> cases{
        {"Chebyshev ripple 0", {"--family", "chebyshev", "--ripple", "0"},
         "Passband ripple has been reset to .001 dB\n", "Apass", 0.001},
        {"Chebyshev ripple empty", {"--family", "chebyshev", "--ripple", ""},
         "Passband ripple has been reset to .001 dB\n", "Apass", 0.001},
        {"Chebyshev ripple 25", {"--family", "chebyshev", "--ripple", "25"},
         "Passband ripple has been rest to 20 dB\n", "Apass", 20},
        {"Chebyshev ripple 0.5", {"--family", "chebyshev", "--ripple", "0.5"}, "", "Apass", 0.5},
        {"Chebyshev keeps the start-up ripple", {"--family", "chebyshev"}, "", "Apass", 0.2},
        {"Butterworth has no ripple", {"--ripple", "3"}, "", "Apass", 0},
        {"sweep count capped", {"--intervals", "5000"}, "", "NrInts", 2000},
        {"centre raised to 1", {"--center", "0.5"}, "", "Center", 1},
        {"centre with suffix", {"--center", "2k"}, "", "Center", 2000},
        {"width raised to 1", {"--width", "0"}, "", "Width", 1},
        {"capacitor 0 becomes 10 nF", {"--cap", "0"}, "", "C", 1e-8},
        {"capacitor typed with unit", {"--cap", "4.7 nF"}, "", "C", 4.7e-9},
        {"DC gain lowered", {"--dcgain", "1e8"}, "", "DCGain", 1e7},
        {"GBW raised", {"--gbw", "5"}, "", "GBW", 1e4},
        {"Zin raised", {"--zin", "10"}, "", "Zin", 1000},
        {"Zin lowered", {"--zin", "1e12"}, "", "Zin", 1e10},
        {"log sweep", {"--sweep", "log"}, "", "Sweep", 2},
        {"Bessel order 12 runs as 10", {"--family", "bessel", "--order", "12"}, "", "Order", 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.args;
        args.push_back("--json");
        const CliResult r = Run(args);
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, c.err);
        const Json j = ParseJson(r.out);
        if (c.field == "C") {
            for (const Json& st : j["stages"].items) {
                EXPECT_NEAR(st["C"][0].AsDouble(), c.value, c.value * 1e-6);
                EXPECT_NEAR(st["C"][1].AsDouble(), c.value, c.value * 1e-6);
            }
        } else {
            EXPECT_NEAR(j["inputs"][c.field].AsDouble(), c.value, std::abs(c.value) * 1e-6);
        }
    }
    // The summary run says the same on stderr, and only once.
    const CliResult summary = Run({"--family", "chebyshev", "--ripple", "0"});
    EXPECT_EQ(summary.err, "Passband ripple has been reset to .001 dB\n");
    EXPECT_NE(summary.out.find("Passband ripple: 0.001 dB"), std::string::npos) << summary.out;
}

TEST_F(Cli, JsonHoldsEveryFieldAndReadsBackAsTheRecord)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::function<void(DesignInputs&)> edit;
    };
    const std::vector<Case> cases{
        {"start-up", {}, [](DesignInputs&) {}},
        {"Chebyshev order 5, 6 dB, log sweep",
         {"--family", "chebyshev", "--ripple", "1", "--order", "5", "--gain", "6", "--sweep", "log", "--start", "100",
          "--stop", "10k", "--intervals", "300"},
         [](DesignInputs& in) {
             in.optButterworth = false;
             in.optChebyshev = true;
             in.txtApass = "1";
             in.lblOrderInput = "5";
             in.txtGain = "6";
             in.optLinear = false;
             in.optLog = true;
             in.txtStart = "100";
             in.txtStop = "10k";
             in.txtInts = "300";
         }},
        {"Bessel order 7, small opamp",
         {"--family", "bessel", "--order", "7", "--gbw", "1M", "--dcgain", "20k", "--zin", "100k"},
         [](DesignInputs& in) {
             in.optButterworth = false;
             in.optBessel = true;
             in.lblOrderInput = "7";
             in.txtGBW = "1M";
             in.txtGainDC = "20k";
             in.txtZin = "100k";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Json j = RunJson(c.args);
        const DesignState s = WindowDesign(c.edit);

        const Json& in = j["inputs"];
        const std::vector<std::pair<const char*, Single>> singles{
            {"Center", s.Center}, {"Width", s.Width},   {"Gain", s.Gain},       {"Apass", s.Apass},
            {"GBW", s.GBW},       {"DCGain", s.DCGain}, {"Zin", s.Zin},         {"Fstart", s.Fstart},
            {"Fstop", s.Fstop},   {"dBTop", s.dBTop},   {"dBBottom", s.dBBottom}, {"DelayTop", s.DelayTop}};
        for (const auto& [key, value] : singles) {
            SCOPED_TRACE(key);
            EXPECT_EQ(in[key].AsFloat(), value);
        }
        const std::vector<std::pair<const char*, Integer>> integers{
            {"Order", s.Order}, {"Family", s.Family}, {"ManualEntry", s.ManualEntry}, {"NrInts", s.NrInts},
            {"Sweep", s.Sweep}, {"NrX", s.NrX},       {"NrY", s.NrY},                 {"PartsType", 0}};
        for (const auto& [key, value] : integers) {
            SCOPED_TRACE(key);
            EXPECT_EQ(in[key].AsInt(), value);
        }
        EXPECT_EQ(j["Qbp"].AsFloat(), s.Qbp);
        EXPECT_EQ(j["VersionText"].text, "Version 2.03");

        const Json& stages = j["stages"];
        ASSERT_EQ(stages.items.size(), static_cast<std::size_t>(s.Order));
        for (int k = 1; k <= s.Order; ++k) {
            SCOPED_TRACE("stage " + std::to_string(k));
            const Json& st = stages[k - 1];
            EXPECT_EQ(st["Stage"].AsInt(), k);
            const std::vector<std::pair<const char*, Single>> fields{
                {"PoleRe", s.PoleRe[k]},         {"PoleIm", s.PoleIm[k]},
                {"StageF", s.StageF[k]},         {"StageQ", s.StageQ[k]},
                {"StageGain", s.StageGain[k]},   {"FreqFactor", s.FreqFactor[k]},
                {"QFactor", s.QFactor[k]},       {"GainFactor", s.GainFactor[k]},
                {"StageFoActual", s.StageFoActual[k]}, {"StageQActual", s.StageQActual[k]},
                {"StageGainActual", s.StageGainActual[k]}};
            for (const auto& [key, value] : fields) {
                SCOPED_TRACE(key);
                EXPECT_EQ(st[key].AsFloat(), value);
            }
            for (int p = 1; p <= 2; ++p) EXPECT_EQ(st["C"][p - 1].AsFloat(), s.C[k][p]);
            for (int p = 1; p <= 3; ++p) {
                EXPECT_EQ(st["R"][p - 1].AsFloat(), s.R[k][p]);
                EXPECT_EQ(st["Rs"][p - 1].AsFloat(), s.Rs[k][p]);
            }
        }

        const Json& sweep = j["sweep"];
        const std::vector<std::pair<const char*, const SweepArray*>> arrays{
            {"Freq", &s.Freq}, {"GainDB", &s.GainDB}, {"Phase", &s.Phase}, {"Delay", &s.Delay}};
        for (const auto& [key, array] : arrays) {
            SCOPED_TRACE(key);
            const Json& a = sweep[key];
            ASSERT_EQ(a.items.size(), static_cast<std::size_t>(s.NrInts) + 1);
            for (int n = 0; n <= s.NrInts; ++n) ASSERT_EQ(a[n].AsFloat(), (*array)[n]) << "point " << n;
        }
    }
}

TEST_F(Cli, JsonResponseAgreesWithTheCircuitEquations)
{
    // The cascade's gain at the centre is the gain asked for, and every sweep
    // point agrees with the ideal MFB stage worked out from the JSON's parts.
    struct Case {
        const char* name;
        std::vector<std::string> args;
        double gain;
    };
    const std::vector<Case> cases{
        {"start-up", {}, 0},
        {"Butterworth order 6, 10 dB", {"--order", "6", "--gain", "10", "--width", "300"}, 10},
        {"Chebyshev order 4, 0.5 dB ripple, -6 dB", {"--family", "chebyshev", "--ripple", "0.5", "--order", "4",
                                                     "--gain", "-6"}, -6},
        {"Bessel order 5 at 10 kHz", {"--family", "bessel", "--order", "5", "--center", "10k", "--width", "2k",
                                      "--start", "2k", "--stop", "50k", "--sweep", "log", "--intervals", "200"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Json j = RunJson(c.args);
        const double center = j["inputs"]["Center"].AsDouble();
        EXPECT_NEAR(j["CenterGainDB"].AsDouble(), c.gain, 0.001);
        EXPECT_NEAR(IndependentCascadeGainDb(j["stages"], center), c.gain, 0.001);
        const Json& freq = j["sweep"]["Freq"];
        const Json& gain = j["sweep"]["GainDB"];
        for (std::size_t n = 0; n < freq.items.size(); n += 25) {
            SCOPED_TRACE("point " + std::to_string(n));
            EXPECT_NEAR(gain[n].AsDouble(), IndependentCascadeGainDb(j["stages"], freq[n].AsDouble()), 0.002);
        }
    }
}

TEST_F(Cli, AwkwardDesignsStillGiveValidJsonAndASummary)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        bool invalidStages;
    };
    const std::vector<Case> cases{
        {"order 0", {"--order", "0"}, false},
        {"order beyond 21", {"--order", "99"}, false},
        {"no sweep intervals", {"--intervals", "0"}, false},
        {"negative sweep intervals", {"--intervals", "-5"}, false},
        {"start at 0 Hz", {"--start", "0"}, false},
        {"log sweep down to 0 Hz", {"--stop", "0", "--sweep", "log"}, false},
        {"start equal to stop", {"--start", "1k", "--stop", "1k"}, false},
        {"DC gain 0", {"--dcgain", "0"}, false},
        {"negative capacitor", {"--cap", "-1n"}, false},
        {"gain too high for the Q", {"--gain", "100"}, true},
        {"huge centre frequency", {"--center", "1e10"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Json j = RunJson(c.args); // the strict reader refuses NaN and inf tokens
        EXPECT_GE(j["stages"].items.size(), 1u);
        EXPECT_EQ(j["sweep"]["Freq"].items.size(), static_cast<std::size_t>(j["inputs"]["NrInts"].AsInt()) + 1);
        const CliResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out.find("nan"), std::string::npos);
        EXPECT_EQ(r.out.find("inf"), std::string::npos);
        EXPECT_EQ(r.out.find("(some stages are invalid; see the stage figures)") != std::string::npos, c.invalidStages) << r.out;
    }
}

// The exports of a command-line run and of the files/ writers for the same
// design must be the same bytes.
TEST_F(Cli, ExportsAreTheFilesTheWindowsWrite)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::function<void(DesignInputs&)> edit;
        bool specifiedOpamp;
        std::vector<std::string> spiceLines; // lines the schematic must hold
        std::size_t designLines, tableLines;
    };
    const std::vector<Case> cases{
        {"start-up", {}, [](DesignInputs&) {}, false,
         {"TEXT 0 400 Left 0 !.AC LIN 1000  500   2000 ", "TEXT 0 464 Left 0 ;Parts values based on ideal opamp"},
         29, 1006},
        {"order 1, log sweep, specified opamp",
         {"--order", "1", "--sweep", "log", "--intervals", "10", "--specified-opamp"},
         [](DesignInputs& in) {
             in.lblOrderInput = "1";
             in.optLinear = false;
             in.optLog = true;
             in.txtInts = "10";
         },
         true,
         {"TEXT 0 400 Left 0 !.AC DEC 1000  500   2000 ",
          "TEXT 0 464 Left 0 ;Parts values based on specified opamp", "TEXT 0 496 Left 0 ;GBW: 10M "},
         22, 16},
        {"order 21 at 100 Hz, 2000 intervals",
         {"--order", "21", "--center", "100", "--width", "5", "--start", "80", "--stop", "120", "--intervals", "2000"},
         [](DesignInputs& in) {
             in.lblOrderInput = "21";
             in.txtCenter = "100";
             in.txtWidth = "5";
             in.txtStart = "80";
             in.txtStop = "120";
             in.txtInts = "2000";
         },
         false, {"TEXT 0 400 Left 0 !.AC LIN 1000  80   120 "}, 15 + 7 * 21, 2006},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.args;
        for (const char* a : {"--save", "d.QBX", "--easy", "e.DAT", "--scientific", "s.DAT", "--spice", "f.ASC",
                              "--overlay"})
            args.push_back(a);
        const CliResult r = Run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");

        DesignState s = WindowDesign(c.edit);
        s.PartsType = c.specifiedOpamp ? 1 : 0;
        ScratchDir ref;
        RecordingNotifier quiet;
        ASSERT_TRUE(WriteDesignFile(s, ref / "d.QBX", quiet));
        ASSERT_TRUE(WriteTabulatedEasy(s, ref / "e.DAT", quiet));
        ASSERT_TRUE(WriteTabulatedScientific(s, ref / "s.DAT", quiet));
        ASSERT_TRUE(WriteSpiceSchematic(s, ref / "f.ASC", quiet));
        ASSERT_TRUE(SavePlotOverlay(s, quiet, ref.path().string()));
        for (const char* name : {"d.QBX", "e.DAT", "s.DAT", "f.ASC", kOverlayGainFileName, kOverlayPhaseFileName,
                                 kOverlayDelayFileName}) {
            SCOPED_TRACE(name);
            const std::string written = ReadWholeFile(dir.path() / name);
            EXPECT_FALSE(written.empty());
            EXPECT_TRUE(written == ReadWholeFile(ref.path() / name));
        }

        // What the formats themselves promise, independently of the writers.
        const std::string design = ReadWholeFile(dir.path() / "d.QBX");
        EXPECT_EQ(SplitLines(design, "\r\n").size(), c.designLines);
        const auto easy = SplitLines(ReadWholeFile(dir.path() / "e.DAT"), "\r\n");
        ASSERT_EQ(easy.size(), c.tableLines);
        EXPECT_EQ(easy[1], "Freq,      Gain,    Phase,    Delay,");
        const auto scientific = SplitLines(ReadWholeFile(dir.path() / "s.DAT"), "\r\n");
        ASSERT_EQ(scientific.size(), c.tableLines);
        EXPECT_EQ(scientific[2], " Hz:            dB:         degrees:       secs:");
        const auto spice = SplitLines(ReadWholeFile(dir.path() / "f.ASC"), "\r\n");
        for (const std::string& line : c.spiceLines) {
            SCOPED_TRACE(line);
            EXPECT_NE(std::find(spice.begin(), spice.end(), line), spice.end());
        }
        EXPECT_EQ(SplitLines(ReadWholeFile(dir.path() / kOverlayGainFileName), "\r\n").size(), c.tableLines - 5);
    }
}

TEST_F(Cli, LoadedDesignIsAnalysedAsItsPartsStand)
{
    ASSERT_EQ(Run({"--family", "chebyshev", "--ripple", "0.5", "--order", "3", "--save", "a.QBX"}).exitCode, 0);
    const Json saved = RunJson({"--family", "chebyshev", "--ripple", "0.5", "--order", "3"});

    // The parts come back from the file to its seven digits; the design is manual now.
    const Json loaded = RunJson({"--load", "a.QBX"});
    EXPECT_EQ(loaded["inputs"]["ManualEntry"].AsInt(), 1);
    EXPECT_EQ(loaded["inputs"]["Family"].AsInt(), 2);
    ASSERT_EQ(loaded["stages"].items.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        for (const char* key : {"StageFoActual", "StageQActual", "StageGainActual"}) {
            SCOPED_TRACE(std::string(key) + " of stage " + std::to_string(k + 1));
            EXPECT_NEAR(loaded["stages"][k][key].AsDouble() / saved["stages"][k][key].AsDouble(), 1.0, 1e-6);
        }
    }

    // Loading and saving again keeps the file byte for byte.
    ASSERT_EQ(Run({"--load", "a.QBX", "--save", "b.QBX"}).exitCode, 0);
    EXPECT_TRUE(ReadWholeFile(dir.path() / "a.QBX") == ReadWholeFile(dir.path() / "b.QBX"));

    // Doubling R3 of stage 1 in the file: Q times sqrt 2, gain times 2, f0 over sqrt 2.
    auto lines = SplitLines(ReadWholeFile(dir.path() / "a.QBX"), "\r\n");
    const std::size_t r3Line = 15 + 4 * 3 + 2; // 0-based: after header, poles, capacitors; R1, R2, R3 of stage 1
    Single r3 = 0;
    ParseNumberText(lines.at(r3Line), r3);
    lines[r3Line] = GeneralNumberText(2.0 * r3);
    std::string edited;
    for (const auto& l : lines) edited += l + "\r\n";
    std::ofstream(dir.path() / "c.QBX", std::ios::binary) << edited;
    const Json tuned = RunJson({"--load", "c.QBX"});
    const Json& before = loaded["stages"][0];
    const Json& after = tuned["stages"][0];
    EXPECT_NEAR(after["StageQActual"].AsDouble() / before["StageQActual"].AsDouble(), std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(after["StageGainActual"].AsDouble() / before["StageGainActual"].AsDouble(), 2.0, 1e-5);
    EXPECT_NEAR(after["StageFoActual"].AsDouble() / before["StageFoActual"].AsDouble(), 1 / std::sqrt(2.0), 1e-5);
    EXPECT_EQ(tuned["stages"][1]["R"][2].AsFloat(), loaded["stages"][1]["R"][2].AsFloat());

    // The sweep and the opamp may still be chosen for a loaded design.
    const Json log = RunJson({"--load", "a.QBX", "--start", "100", "--stop", "10k", "--sweep", "log",
                              "--intervals", "2", "--gbw", "1M"});
    EXPECT_EQ(log["inputs"]["Sweep"].AsInt(), 2);
    EXPECT_EQ(log["inputs"]["GBW"].AsFloat(), 1e6f);
    ASSERT_EQ(log["sweep"]["Freq"].items.size(), 3u);
    EXPECT_NEAR(log["sweep"]["Freq"][1].AsDouble(), 1000, 0.01);

    // The summary says the parts were entered, not designed.
    const CliResult summary = Run({"--load", "a.QBX"});
    EXPECT_EQ(SplitLines(summary.out).at(1), "Manually entered parts, 3 stages");
    const auto parts = TableRows(summary.out, "Parts (R as entered;");
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_NEAR(CellValue(parts[0][3]) / loaded["stages"][0]["R"][0].AsDouble(), 1.0, 1e-4);
}

TEST_F(Cli, FileErrorsGiveTheProgramsMessageAndExitCode1)
{
    std::ofstream(dir.path() / "bad.QBX", std::ios::binary) << "1000\r\n200\r\n0\r\n22\r\n1\r\n";
    fs::create_directory(dir.path() / kOverlayGainFileName); // a folder where the overlay file should go
    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const std::vector<Case> cases{
        {{"--load", "missing.QBX"}, std::string(kDesignNotReadMessage) + "\n"},
        {{"--load", "bad.QBX"}, std::string(kDesignNotReadMessage) + "\n"},
        {{"--save", "no/such/folder/d.QBX"}, "The design file could not be written: no/such/folder/d.QBX\n"},
        {{"--easy", "no/such/folder/e.DAT"}, std::string(kTabulatedNotWrittenMessage) + "\n"},
        {{"--easy", "/dev/full"}, std::string(kTabulatedNotWrittenMessage) + "\n"},
        {{"--scientific", "no/such/folder/s.DAT"}, std::string(kTabulatedNotWrittenMessage) + "\n"},
        {{"--spice", "no/such/folder/f.ASC"}, std::string(kSpiceNotWrittenMessage) + "\n"},
        {{"--overlay"}, std::string(kOverlayNotWrittenMessage) + "\n"},
        {{"--family", "chebyshev", "--ripple", "0", "--spice", "no/such/folder/f.ASC"},
         "Passband ripple has been reset to .001 dB\n" + std::string(kSpiceNotWrittenMessage) + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Join(c.args));
        const CliResult r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
}

} // namespace
} // namespace stelvane
