#include "tools/cliargs.h"

#include <gtest/gtest.h>

#include <functional>

namespace stelvane {
namespace {

TEST(CliArgs, PutsEachTextIntoItsOwnOptionUntouched)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::function<std::optional<std::string>(const CliOptions&)> field;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"centre with a suffix", {"--center", "2k"}, [](const CliOptions& o) { return o.center; }, "2k"},
        {"width after =", {"--width=150 Hz"}, [](const CliOptions& o) { return o.width; }, "150 Hz"},
        {"negative gain is a value, not an option", {"--gain", "-6"}, [](const CliOptions& o) { return o.gain; }, "-6"},
        {"ripple", {"--ripple", ".5"}, [](const CliOptions& o) { return o.ripple; }, ".5"},
        {"order", {"--order", "5"}, [](const CliOptions& o) { return o.order; }, "5"},
        {"capacitor", {"--cap", "10 nF"}, [](const CliOptions& o) { return o.cap; }, "10 nF"},
        {"gain-bandwidth", {"--gbw", "1M"}, [](const CliOptions& o) { return o.gbw; }, "1M"},
        {"DC gain", {"--dcgain", "200k"}, [](const CliOptions& o) { return o.dcgain; }, "200k"},
        {"input impedance", {"--zin", "10G"}, [](const CliOptions& o) { return o.zin; }, "10G"},
        {"start", {"--start", "100"}, [](const CliOptions& o) { return o.start; }, "100"},
        {"stop", {"--stop", "10k"}, [](const CliOptions& o) { return o.stop; }, "10k"},
        {"intervals", {"--intervals", "5000"}, [](const CliOptions& o) { return o.intervals; }, "5000"},
        {"the later repetition wins", {"--center", "1k", "--center", "3k"},
         [](const CliOptions& o) { return o.center; }, "3k"},
        {"empty value after =", {"--gain="}, [](const CliOptions& o) { return o.gain; }, ""},
        {"value holding =", {"--save=a=b.QBX"}, [](const CliOptions& o) { return o.save; }, "a=b.QBX"},
        {"load", {"--load", "x.QBX"}, [](const CliOptions& o) { return o.load; }, "x.QBX"},
        {"easy", {"--easy", "e.DAT"}, [](const CliOptions& o) { return o.easy; }, "e.DAT"},
        {"scientific", {"--scientific", "s.DAT"}, [](const CliOptions& o) { return o.scientific; }, "s.DAT"},
        {"spice", {"--spice", "f.ASC"}, [](const CliOptions& o) { return o.spice; }, "f.ASC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliParse p = ParseCliArgs(c.args);
        EXPECT_EQ(p.error, "");
        const auto value = c.field(p.options);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(*value, c.expected);
    }
}

TEST(CliArgs, ReadsTheFamilyAndSweepWordsInAnyCase)
{
    struct Case {
        std::vector<std::string> args;
        std::optional<int> family, sweep;
    };
    const std::vector<Case> cases{
        {{}, std::nullopt, std::nullopt},
        {{"--family", "butterworth"}, 1, std::nullopt},
        {{"--family", "Chebyshev"}, 2, std::nullopt},
        {{"--family=BESSEL"}, 3, std::nullopt},
        {{"--sweep", "lin"}, std::nullopt, 1},
        {{"--sweep", "linear"}, std::nullopt, 1},
        {{"--sweep=LOG"}, std::nullopt, 2},
        {{"--family", "bessel", "--sweep", "log"}, 3, 2},
    };
    for (const Case& c : cases) {
        std::string name;
        for (const auto& a : c.args) name += a + " ";
        SCOPED_TRACE(name);
        const CliParse p = ParseCliArgs(c.args);
        EXPECT_EQ(p.error, "");
        EXPECT_EQ(p.options.family, c.family);
        EXPECT_EQ(p.options.sweep, c.sweep);
    }
}

TEST(CliArgs, SetsFlagsOnlyWhenGiven)
{
    const CliParse none = ParseCliArgs({});
    EXPECT_EQ(none.error, "");
    EXPECT_FALSE(none.options.json || none.options.help || none.options.overlay || none.options.specifiedOpamp);

    const CliParse all = ParseCliArgs({"--json", "--help", "--overlay", "--specified-opamp"});
    EXPECT_EQ(all.error, "");
    EXPECT_TRUE(all.options.json && all.options.help && all.options.overlay && all.options.specifiedOpamp);
}

TEST(CliArgs, RefusesWhatItDoesNotUnderstandInOneLine)
{
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const std::vector<Case> cases{
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--centre", "1k"}, "unknown option '--centre'"},
        {{"2k"}, "unexpected argument '2k'"},
        {{"-c", "2k"}, "unexpected argument '-c'"},
        {{"--"}, "unexpected argument '--'"},
        {{"--center"}, "option --center needs a value"},
        {{"--center", "--width", "100"}, "option --center needs a value"},
        {{"--family"}, "option --family needs a value"},
        {{"--family", "elliptic"}, "--family takes butterworth, chebyshev or bessel, not 'elliptic'"},
        {{"--sweep", "octave"}, "--sweep takes lin or log, not 'octave'"},
        {{"--json=yes"}, "option --json takes no value"},
        {{"--load", "a.QBX", "--center", "2k"}, "--center cannot be used with --load: a loaded design keeps its own parts"},
        {{"--family", "bessel", "--load", "a.QBX"}, "--family cannot be used with --load: a loaded design keeps its own parts"},
    };
    for (const Case& c : cases) {
        std::string name;
        for (const auto& a : c.args) name += a + " ";
        SCOPED_TRACE(name);
        const CliParse p = ParseCliArgs(c.args);
        EXPECT_EQ(p.error, c.error);
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

TEST(CliArgs, LetsALoadedDesignTakeNewSweepAndOpampSettings)
{
    const CliParse p = ParseCliArgs({"--load", "a.QBX", "--start", "10", "--stop", "10k", "--sweep", "log",
                                     "--intervals", "200", "--gbw", "1M", "--dcgain", "1e5", "--zin", "1G"});
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.options.sweep, 2);
}

TEST(CliArgs, UsageNamesEveryOptionWithTheStartupDefaults)
{
    // The defaults are the design window's texts for the start-up design.
    struct Case {
        const char* option;
        const char* shownDefault; // empty: the option has no default to show
    };
    const std::vector<Case> cases{
        {"--center F", "(1k)"},      {"--width F", "(200)"},       {"--gain G", "(0)"},
        {"--family NAME", "(butterworth)"}, {"--ripple R", "(0.2)"}, {"--order N", "(2)"},
        {"--cap C", "(0.01uF)"},     {"--gbw F", "(10M)"},         {"--dcgain A", "(100k)"},
        {"--zin Z", "(1M)"},         {"--start F", "(500)"},       {"--stop F", "(2k)"},
        {"--intervals N", "(1k)"},   {"--sweep lin|log", "(lin)"}, {"--load FILE", ""},
        {"--save FILE", ""},         {"--easy FILE", ""},          {"--scientific FILE", ""},
        {"--spice FILE", ""},        {"--specified-opamp", ""},    {"--overlay", ""},
        {"--json", ""},              {"--help", ""},
    };
    const std::string usage = UsageText();
    EXPECT_EQ(usage.rfind("Usage: stelvane-cli [options]\n", 0), 0u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        const auto at = usage.find(std::string("  ") + c.option + " ");
        ASSERT_NE(at, std::string::npos);
        const std::string line = usage.substr(at, usage.find('\n', at) - at);
        const std::string shown = c.shownDefault;
        if (!shown.empty()) {
            EXPECT_EQ(line.substr(line.size() - shown.size()), shown) << line;
        }
    }
}

} // namespace
} // namespace stelvane
