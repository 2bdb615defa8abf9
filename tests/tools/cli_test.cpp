// The command-line companion: its arguments and exit codes, the summary and
// the JSON against reference figures and the circuit equations, and the files
// it writes against the file writers, run in this process through RunCli (the
// built program runs in the netlist checks' tests).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/designtext.h"
#include "engine/enterstep.h"
#include "tests/engine/engine_test_support.h"
#include "tests/engine/mfbreference.h"
#include "tests/files/filetestsupport.h"
#include "tests/support/recordingnotifier.h"
#include "tools/cliargs.h"
#include "tools/clireport.h"
#include "tests/tools/clitestsupport.h"

// The records below name only the fields they set; the rest stay zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace stelvane::testing {
namespace {

TEST(Cli, EveryArgumentReachesTheDesignOrEndsTheRunWithItsExitCode)
{
    const struct {
        std::vector<std::string> args;
        int code;
        std::string err, key = "";
        double value = 0;
    } cases[] = {
        {{"--bogus"}, 2, "unknown option '--bogus'"},
        {{"2k"}, 2, "unexpected argument '2k'"},
        {{"--"}, 2, "unexpected argument '--'"},
        {{"--center", "--width", "100"}, 2, "option --center needs a value"},
        {{"--family", "elliptic"}, 2, "--family takes butterworth, chebyshev or bessel, not 'elliptic'"},
        {{"--sweep", "octave"}, 2, "--sweep takes lin or log, not 'octave'"},
        {{"--overlay=yes"}, 2, "option --overlay takes no value"},
        {{"--load", "a.QBX", "--center", "2k"}, 2,
            "--center cannot be used with --load: a loaded design keeps its own parts"},
        {{"--load", "/no/such/d.QBX", "--gbw", "1M"}, 1,
            std::string(kDesignNotReadMessage) + " (/no/such/d.QBX: there is no such file)"},
        {{"--save", "/no/such/d.QBX"}, 1, "The design file could not be written: /no/such/d.QBX"},
        {{"--gain", "40", "--width", "800", "--spice", "/no/such/f.ASC"}, 1,
            "stelvane-cli: warning: Stage 1 cannot be "
            "built: its gain 14.7 needs Q above 2.71; the LTspice schematic holds a negative part\n" +
                std::string(kSpiceNotWrittenMessage)},
        {{"--family", "Chebyshev", "--ripple", "0"}, 0, "Passband ripple has been reset to .001 dB\n", "Apass", 0.001f},
        {{"--family=BESSEL"}, 0, "", "Family", 3},
        {{"--dcgain", "200k"}, 0, "", "DCGain", 2e5},
        {{"--zin", "10M"}, 0, "", "Zin", 1e7},
        {{"--start", "100"}, 0, "", "Fstart", 100},
        {{"--stop", "10k"}, 0, "", "Fstop", 1e4},
        {{"--center", "2k", "--width", "300"}, 0, "", "Fstart", 1400},
        {{"--center", "100", "--width", "200"}, 0, "", "Fstart", 10},
        {{"--center", "3k", "--stop", "5k"}, 0, "", "Fstart", 500},
        {{"--intervals", "5000"}, 0, "stelvane-cli: --intervals 5000 was taken as 2000\n", "NrInts", 2000},
        {{"--family", "bessel", "--order", "12"}, 0, "stelvane-cli: --order 12 was taken as 10\n", "Order", 10},
        {{"--help"}, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ArgsText(c.args));
        const CliRun r = RunCliIn(c.args, !c.key.empty());
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err, c.code == 2 ? "stelvane-cli: " + c.err + "\n" + kSeeHelp : c.err + (c.code ? "\n" : ""));
        if (c.key.empty()) {
            EXPECT_EQ(r.out, c.code ? "" : UsageText());
        } else {
            EXPECT_FLOAT_EQ(Numbers(r.out, c.key).at(0), c.value);
        }
    }
}

TEST(Cli, SummaryLaysOutTheFiguresAndPartsOfTheRecord)
{
    // no R3 in stage 1: it adds nothing to the centre gain; a gain of 0 has no decibels
    const StoredDesign stored{.Center = 1000,
        .Width = 200,
        .Gain = 6,
        .Order = 3,
        .Family = FilterFamily::Chebyshev,
        .Apass = 0.5f,
        .GBW = 1e7f,
        .DCGain = 1e5f,
        .Zin = 1e6f,
        .Fstart = 10,
        .Fstop = 20000,
        .NrInts = 100,
        .Sweep = SweepSpacing::Log,
        .C = {{{}, {0, 1e-8f, 2.2e-9f}}},
        .R = {{{}, {0, 1000, 100, 0}}}};
    DesignState s{stored,
        DerivedDesign{.Rs = {{{}, {0, 1500, 0.5f, 2e6f}}},
            .StageFoActual = {0, 1000, 0, 2e6f},
            .StageQActual = {0, 5, 0, 0.5f},
            .StageGainActual = {0, 2, 0, 0},
            .StageInvalid = {0, 0, 1},
            .VersionText = "Version 2.03"}};
    EXPECT_EQ(DesignSummary(s), GoldenFile("summary_three_stages.txt"));
    // the heading's first line and its bandwidth line
    const struct {
        Integer family, manualEntry;
        std::string title, bandwidth;
    } heads[] = {
        {1, 0, "Butterworth bandpass", "3 dB bandwidth: 200 Hz\n"},
        {3, 0, "Bessel bandpass", "One radian/sec bandwidth: 200 Hz\n"},
        {7, 0, "Family 7 bandpass", "Bandwidth: 200 Hz\n"},
        {2, 1, "Manually entered parts", ""},
    };
    for (const auto& h : heads) {
        SCOPED_TRACE(h.title);
        s.Order = 1;
        s.Family = CodeOf<FilterFamily>(h.family);
        s.ManualEntry = CodeOf<PartsEntry>(h.manualEntry);
        const std::string summary = DesignSummary(s);
        EXPECT_EQ(summary.substr(22, summary.find(h.manualEntry ? "Opamp:" : "Gain:") - 22),
            h.title + ", 1 stage\nCenter frequency: 1k Hz\n" + h.bandwidth);
        EXPECT_EQ(summary.find("\nParts (R as entered;") != std::string::npos, h.manualEntry == 1);
        EXPECT_EQ(DesignSummaryLines(s).at(0) == "Manually entered values", h.manualEntry == 1);
    }
}

// The summary of the default design reads as it always did; a bench or noise option adds its paragraph.
TEST(Cli, ABenchOrNoiseOptionAddsItsParagraphToTheSummary)
{
    const std::vector<std::vector<std::string>> noise = {{"--in", "0.5"}, {"--noise-band", "800", "1.2k"}};
    for (const auto& args : noise) EXPECT_NE(RunCliIn(args).out.find("\nNoise (resistors at 27 C"), std::string::npos);
    EXPECT_NE(RunCliIn({"--swing", "5"}).out.find("\nHeadroom at 1 V peak in, 5 V peak swing"), std::string::npos);
    const std::string plain = RunCliIn({}).out;
    EXPECT_EQ(plain.find("\nNoise ("), std::string::npos);
    EXPECT_EQ(plain.find("\nHeadroom at"), std::string::npos);
}

TEST(Cli, JsonReadsBackAsTheGoldenValuesInOrderAndHoldsItsCountsToTheArrays)
{
    // No R2: the stage adds nothing to the centre gain. A version text from an old file may not be UTF-8: the
    // stray byte becomes U+FFFD. Each Single is given by the nine digits that bring it back exactly (printf's %.9g).
    DesignState s{StoredDesign{.Order = 1, .C = {{{}, {0, 1, 2}}}, .R = {{{}, {0, 3, 0, 5}}}},
        DerivedDesign{.Rs = {{{}, {0, 6, 7, 8}}}, .StageInvalid = {0, 1}, .VersionText = "V 2\"\\\n\r\t\x1f\xe9"}};
    // a Single that needs nine digits, the largest, the smallest, negative zero, a whole one, none for no number
    const Single singles[] = {1e-8f, std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(), -0.0f,
        16777216, NAN, -HUGE_VALF};
    std::copy(std::begin(singles), std::end(singles), s.Freq.begin());
    s.NrInts = std::size(singles) - 1;
    // compared as parsed values, members in their order (scripts rely on the names, not on the layout)
    EXPECT_EQ(Json::parse(JsonText(DesignJson(s, PartsType::Ideal))), Json::parse(GoldenFile("json_one_stage.json")));
    // counts beyond the arrays are held to them
    const struct {
        Integer order, nrInts;
        std::size_t stages, points;
    } counts[] = {{30, 5000, 21, 2001}, {-2, -1, 0, 0}};
    for (const auto& c : counts) {
        s.Order = c.order;
        s.NrInts = c.nrInts;
        const Json counted = Json::parse(JsonText(DesignJson(s, PartsType::Ideal)));
        EXPECT_EQ(counted["stages"].size(), c.stages);
        EXPECT_EQ(counted["sweep"]["Delay"].size(), c.points);
        EXPECT_EQ(counted["noise"]["density_v_per_rthz"].size(), c.points);
    }
}

// The tables and the schematic the command line writes are compared with the windows' in their tests.
TEST(Cli, SaveAndOverlayWriteWhatTheFileWritersWriteAndALoadedDesignKeepsItsParts)
{
    ScratchFolder cli, writers;
    const fs::path before = fs::current_path();
    fs::current_path(cli.path_);  // where the overlay files go
    const CliRun run = RunCliIn({"--save", "d.QBX", "--overlay"});
    const CliRun loaded = RunCliIn({"--load", "d.QBX", "--save", "again.QBX", "--json", "--gbw", "1M"});
    fs::current_path(before);
    EXPECT_TRUE(run.code == 0 && run.err.empty()) << run.err;
    const auto s = StartUpDesign();
    RecordingNotifier notifier;
    for (const Writer& w : {kWriters[kDesignFile], kWriters[kOverlay]}) {
        ASSERT_TRUE(w.write(*s, writers / w.files[0], notifier));
        for (const auto& f : w.files) EXPECT_EQ(ReadBytes(cli / f), ReadBytes(writers / f)) << f;
    }
    // a loaded design is analysed as its parts stand, and saves the same file again
    EXPECT_EQ(Numbers(loaded.out, "ManualEntry").at(0), 1);
    EXPECT_EQ(ReadBytes(cli / "again.QBX"), ReadBytes(cli / "d.QBX"));
    const auto f = Numbers(loaded.out, "StageFoActual");
    for (std::size_t k = 0; k < f.size(); ++k) EXPECT_NEAR(f[k] / s->StageFoActual[k + 1], 1, 1e-6);
}

// With --mask the lowest order that meets (or the family named) is designed; its exported parts,
// evaluated here, stand against the mask as its "check" says, and the exit code says whether it meets.
TEST(Cli, AMaskDesignsTheLowestOrderThatMeetsAndItsPartsMeetIt)
{
    const std::string loaded = std::string(STELVANE_SOURCE_DIR) + "/tests/golden/design_two_stages.QBX";
    const struct {
        std::vector<std::string> args;
        int code;
        std::string chosen, err = "";
    } cases[] = {
        {{}, 0, "chebyshev"},  // Butterworth 5, Chebyshev 4, no Bessel
        {{"--family", "bessel", "--gain", "12"}, 3, "bessel",
            "stelvane-cli: no Bessel order meets the mask: Bessel 10"},
        {{"--mask", "500", "1600", "3", "300", "2200", "60", "--family", "butterworth"}, 0, "butterworth"},
        {{"--mask", "900", "1100", "0.5", "850", "1150", "200"}, 3, "chebyshev",  // the nearest
            "stelvane-cli: no order (up to 21, Bessel 10) meets the mask: Butterworth 21"},
        {{"--load", loaded, "--mask", "206", "209", "1", "190", "230", "30"}, 3, ""},
        {{"--order", "4"}, 2, "",
            "stelvane-cli: --order cannot be used with --mask: the mask sets the centre, width, order"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ArgsText(c.args));
        std::vector<std::string> args{"--mask", "900", "1100", "1", "700", "1400", "40"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = RunCliIn(args, true);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err);
        if (c.code == 2) continue;
        const Json j = Json::parse(r.out), &mask = j["mask"], &check = mask["check"];
        const double fp1 = mask["fp1"], fp2 = mask["fp2"], fs1 = mask["fs1"], fs2 = mask["fs2"], as = mask["as_db"];
        // The candidate designed (the lowest order that meets, the one named, or the nearest) gives the inputs.
        EXPECT_EQ(mask["candidates"].size(), c.chosen.empty() ? 0u : 3u);
        const Json* best = nullptr;
        for (const Json& k : mask["candidates"])
            if (k["family"] == c.chosen) best = &k;
        if (best) {
            EXPECT_EQ(mask["chosen"], (*best)["family"]);
            EXPECT_EQ(j["inputs"]["Order"], (*best)["order"]);
            EXPECT_EQ(j["inputs"]["Center"], (*best)["center"]);
            EXPECT_EQ(j["inputs"]["Width"], (*best)["width"]);
            // the sweep over the mask: one transition band beyond each stop edge
            EXPECT_FLOAT_EQ(j["inputs"]["Fstart"], std::max(2 * fs1 - fp1, fs1 / 2));
            const auto r1 = Numbers(r.out, "R"), r2 = Numbers(r.out, "Rs");
            EXPECT_EQ((*best)["buildable"],
                std::min(*std::min_element(r1.begin(), r1.end()), *std::min_element(r2.begin(), r2.end())) > 0);
        }
        // The cascade of the exported parts at f, in dB; the stopbands over the six octaves the check looks at.
        auto gain = [&](double f) {
            reference::Complex h = 1;
            for (const Json& st : j["stages"])
                h *= reference::MfbResponse({st["R"][0], st["R"][1], st["R"][2], st["C"][0], st["C"][1]}, f);
            return 20 * std::log10(std::abs(h));
        };
        std::vector<double> pass(2001);
        for (int i = 0; i <= 2000; ++i) pass[i] = gain(fp1 + (fp2 - fp1) * i / 2000);
        const double ref = *std::max_element(pass.begin(), pass.end()), ap = mask["ap_db"];
        double margins[4] = {1e300, 1e300, 1e300, 1e300};
        for (int i = 0; i <= 2000; ++i) margins[i > 1000] = std::min(margins[i > 1000], ap - (ref - pass[i]));
        for (int i = 0; i <= 600; ++i) {
            margins[2] = std::min(margins[2], ref - gain(fs1 / std::exp2(i / 100.0)) - as);
            margins[3] = std::min(margins[3], ref - gain(fs2 * std::exp2(i / 100.0)) - as);
        }
        const char* edges[] = {"fp1", "fp2", "fs1", "fs2"};
        for (int e = 0; e < 4; ++e)
            EXPECT_NEAR(check["margin_db"][edges[e]].get<double>(), margins[e], 0.01) << edges[e];
        EXPECT_EQ(check["meets"], *std::min_element(margins, margins + 4) > -1e-3);
        EXPECT_EQ(r.code == 0, check["meets"]);
    }
    // The summary's paragraph, only with a mask.
    const std::string summary = RunCliIn({"--mask", "900", "1100", "1", "700", "1400", "40"}).out;
    EXPECT_NE(summary.find("\nRequirement: pass 900 Hz to 1.1k Hz losing at most 1 dB"), std::string::npos);
    EXPECT_EQ(RunCliIn({}).out.find("Requirement"), std::string::npos);
}

}  // namespace
}  // namespace stelvane::testing
