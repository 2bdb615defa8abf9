#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "files/settingsfile.h"
#include "filetestsupport.h"

namespace stelvane::testing {

// Settings written come back as they were; a file we cannot trust gives no
// value at all, said in words; a member the file lacks takes its default.
TEST(SettingsFile, ReadsBackWhatItWroteAndRefusesBadFilesWhole)
{
    ScratchFolder dir;
    const fs::path file = fs::path(dir / "stelvane") / "settings.json";
    EXPECT_NE(WriteSettingsFile(dir / "none/stelvane/settings.json", {}), "");  // only our own folder is made
    EXPECT_FALSE(fs::exists(dir / "none"));
    EXPECT_EQ(ReadSettingsFile(file).message, "");  // missing: nothing, silently
    const ProgramSettings kept{3e6f, 2e5f, 1e10f,
        {StageGains::Buildable, OpampCorrection::Exact, StageOrder::Headroom, 0.5, 2.4, 30, -40, 4.5, 0.7, 20, 2e4}};
    ASSERT_EQ(WriteSettingsFile(file, kept), "");
    EXPECT_EQ(ReadSettingsFile(file).settings, kept);

    ProgramSettings warm{1e4f, 1e7f, 1e10f, {}};  // the bounds themselves are usable
    warm.Bench.TempC = 40;
    struct Case {
        const char* name;
        std::string text;
        const char* said;  // in the message; empty: read
    } const cases[] = {
        {"partial", R"({"temp": 40, "opamp": {"gbw": 1e4, "dcgain": 1e7, "zin": 1e10}})", ""},
        {"GBW below 10k", R"({"opamp": {"gbw": 9999}})", "gain-bandwidth"},
        {"Zin below 1k", R"({"opamp": {"zin": 999}})", "input impedance"},
        {"band from 0", R"({"noise_band": [0, 20]})", "noise band"},
        {"oversized", std::string(70000, ' ') + "{}", "larger than 64 KiB"},
        {"not JSON", R"({"opamp": )", "not a settings file"},
        {"an unknown choice", R"({"correction": "second-order", "temp": 4})", "not a settings file"},
        {"slew 0", R"({"opamp": {"slew": 0}})", "The slew rate, V/us, 0 is not within 1E-06 to 1000000"},
        {"DC gain above 1e7", R"({"opamp": {"dcgain": 2e7}})", "gain at DC"},
        {"GBW beyond a Single", R"({"opamp": {"gbw": 1e39}})", "gain-bandwidth"},
        {"band upside down", R"({"noise_band": [2e4, 20]})", "noise band"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(file.string(), c.text);
        const SettingsRead read = ReadSettingsFile(file);
        EXPECT_NE(read.message.find(c.said), std::string::npos) << read.message;
        EXPECT_EQ(read.settings, *c.said ? std::nullopt : std::optional(warm));
    }
    EXPECT_NE(ReadSettingsFile(dir.path_).message.find("not a regular file"), std::string::npos);
}

// The folders follow the XDG variables when they are absolute paths, else HOME.
TEST(SettingsFile, FoldersFollowTheXdgVariables)
{
    struct Case {
        const char *config, *data, *home, *settings, *list;
    } const cases[] = {
        {"/c", "/d", "/h", "/c/stelvane/settings.json", "/d/stelvane/opamps.json"},
        {"c", "", "/h", "/h/.config/stelvane/settings.json", "/h/.local/share/stelvane/opamps.json"},
        {nullptr, nullptr, "h", "", ""},
    };
    const char* names[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "HOME"};
    std::optional<std::string> kept[3];
    for (int k = 0; k < 3; ++k)
        if (const char* value = std::getenv(names[k])) kept[k] = value;
    auto put = [&](int k, const char* value) { value ? setenv(names[k], value, 1) : unsetenv(names[k]); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        for (int k = 0; k < 3; ++k) put(k, (&c.config)[k]);
        const SettingsPlaces places = UserSettingsPlaces();
        EXPECT_EQ(places.settings.value_or("").string(), c.settings);
        EXPECT_EQ(places.opampList.value_or("").string(), c.list);
    }
    for (int k = 0; k < 3; ++k) put(k, kept[k] ? kept[k]->c_str() : nullptr);
}

// The list starts as the generic opamps, takes a named opamp (in place of one
// of the same name), finds names in any case, and is never overwritten when
// it cannot be read.
TEST(OpampList, AddsFindsAndLeavesABadListAlone)
{
    ScratchFolder dir;
    const fs::path file = fs::path(dir / "stelvane") / "opamps.json";
    const std::size_t generic = GenericOpamps().size();
    for (const OpampEntry& o : GenericOpamps()) EXPECT_EQ(SettingsProblem(WithOpamp({}, o)), "") << o.name;
    EXPECT_EQ(ReadOpampList(file).entries.size(), generic);
    const OpampEntry mine{"Bench amp", 2e6, 3e5, 1e7, 6, 0.2, 5, 12};
    ASSERT_EQ(AddToOpampList(file, mine), "");
    OpampEntry again = mine;
    again.name = "bench AMP", again.gbw = 4e6;
    ASSERT_EQ(AddToOpampList(file, again), "");
    const std::vector<OpampEntry> list = ReadOpampList(file).entries;
    ASSERT_EQ(list.size(), generic + 1);
    EXPECT_EQ(FindOpamp(list, "BENCH Amp")->gbw, 4e6);
    EXPECT_EQ(KnownOpamps({again}).size(), generic + 1);
    EXPECT_EQ(KnownOpamps({{"generic JFET-INPUT"}}).size(), generic);

    for (const char* bad : {"", "two\nlines"}) EXPECT_NE(AddToOpampList(file, {bad}), "") << bad;
    again.slew = 0;
    EXPECT_NE(AddToOpampList(file, again).find("slew rate"), std::string::npos);
    for (const char* text : {R"([{"gbw": 1e6}])", R"([{"name": "x", "zin": 10}])", R"({"name": "x"})"}) {
        SCOPED_TRACE(text);
        WriteBytes(file.string(), text);
        EXPECT_EQ(ReadOpampList(file).entries.size(), generic);
        EXPECT_NE(ReadOpampList(file).message, "");
        EXPECT_NE(AddToOpampList(file, mine), "");
        EXPECT_EQ(ReadBytes(file.string()), text);
    }
}

}  // namespace stelvane::testing
