#include <gtest/gtest.h>

#include <cstdlib>

#include "clitestsupport.h"
#include "files/settingsfile.h"
#include "tests/files/filetestsupport.h"

namespace stelvane::testing {

// --opamp takes the figures of an opamp of the user's list or of the generic
// ones, whatever the case of its name; an option of its own wins; a name of
// no opamp is refused, listing the names.
TEST(CliOpamp, NamesAnOpampOfTheListOrTheGenericOnes)
{
    ScratchFolder dir;
    const char* data = std::getenv("XDG_DATA_HOME");
    const std::string kept = data ? data : "";
    setenv("XDG_DATA_HOME", dir.path_.c_str(), 1);
    ASSERT_EQ(AddToOpampList(dir.path_ / "stelvane/opamps.json", {"Bench amp", 2e6, 3e5, 5e5}), "");
    struct Case {
        std::vector<std::string> args;
        double gbw, dcGain, zin;
    } const cases[] = {
        {{"--opamp", "generic JFET-input"}, 3e6, 2e5, 1e10},
        {{"--opamp", "bench amp", "--gbw", "5M", "--zin", "1M"}, 5e6, 3e5, 1e6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ArgsText(c.args));
        const CliRun run = RunCliIn(c.args, true);
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(Numbers(run.out, "GBW"), std::vector{c.gbw});
        EXPECT_EQ(Numbers(run.out, "DCGain"), std::vector{c.dcGain});
        EXPECT_EQ(Numbers(run.out, "Zin"), std::vector{c.zin});
    }
    const CliRun unknown = RunCliIn({"--opamp", "Bench"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_NE(unknown.err.find("'Generic fast CMOS', 'Bench amp'"), std::string::npos) << unknown.err;
    data ? setenv("XDG_DATA_HOME", kept.c_str(), 1) : unsetenv("XDG_DATA_HOME");
}

}  // namespace stelvane::testing
