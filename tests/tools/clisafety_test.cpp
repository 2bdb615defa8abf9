// The command line against hostile and careless input: numbers that are not
// wholly numbers, files that are devices, pipes, folders or another file of
// the same run, and a standard output that fills up. Every case gives its exit
// code and message, and leaves the folder as it says: what it was told to
// write, nothing else, and every file it was given unchanged.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include <sys/stat.h>

#include "tests/files/filetestsupport.h"
#include "tests/tools/clitestsupport.h"

namespace stelvane::testing {
namespace {

std::set<std::string> FolderNames(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

TEST(CliSafety, EveryHostileInputEndsWithItsCodeAndMessageAndLeavesOnlyWhatItWasToldToWrite)
{
    ScratchFolder folder;
    struct Back {
        fs::path to = fs::current_path();
        ~Back() { fs::current_path(to); }
    } back;  // also after a failed ASSERT
    fs::current_path(folder.path_);
    ASSERT_EQ(RunCliIn({"--save", "same.QBX", "--netlist", "f.cir"}).code, 0);
    fs::create_directory("adir");
    fs::create_directory("box.cir");
    ASSERT_EQ(mkfifo("ff", 0600), 0);
    const std::set<std::string> fixtures = FolderNames(folder.path_);
    std::vector<std::pair<std::string, std::string>> given;
    for (const auto& name : fixtures)
        if (fs::is_regular_file(name)) given.emplace_back(name, ReadBytes(name));

    const std::string longText(400, '7');
    const struct {
        std::vector<std::string> args;
        int code;
        std::string said, key = "";
        double value = 0;
        std::set<std::string> made = {};
        bool fullOutput = false;
    } cases[] = {
        // a file that is also an input or another output of the run
        {{"--verify-netlist", "f.cir", "--netlist", "f.cir"}, 2, "--netlist 'f.cir' is the file of --verify-netlist"},
        {{"--load", "same.QBX", "--save", "adir/../same.QBX"}, 2, "is the file of --load"},
        {{"--bom", "p", "--netlist", "p.csv"}, 2, "--netlist 'p.csv' is the file of --bom 'p.csv'"},
        {{"--overlay", "--save", "QUIBEXdata.DEL"}, 2, "is the file of --save"},
        // a part the writer would write as something else
        {{"--cap", "1e10", "--spice", "x.asc"}, 1, "cannot be built"},
        // names that are no file to write, and inputs that are no file to read
        {{"--bom", ""}, 2, "--bom needs a file name"},
        {{"--bom", "adir/"}, 2, "--bom 'adir/' is a folder"},
        {{"--netlist", "box"}, 2, "--netlist 'box.cir' is a folder"},
        {{"--bom", "/dev/full"}, 2, "'/dev/full' is not a regular file"},
        {{"--save", "ff"}, 2, "--save 'ff' is not a regular file"},
        {{"--verify-netlist", "ff"}, 2, "is not a regular file"},
        {{"--overlay"}, 0, "", "", 0, {"QUIBEXdata.DB", "QUIBEXdata.PHS", "QUIBEXdata.DEL"}},
        {{"--bom", "p", "--save", "q"}, 0, "", "", 0, {"p.csv", "q"}},
        // standard output that cannot take what is printed
        {{}, 1, "standard output could not be written", "", 0, {}, true},
        {{"--help"}, 1, "standard output could not be written", "", 0, {}, true},
        // numbers are wholly one number, or refused
        {{"--width", "1O0"}, 2, "option --width takes a number, not '1O0'"},
        {{"--order", "0x10"}, 2, "option --order takes a whole number, not '0x10'"},
        {{"--order", "2\n3"}, 2, "option --order takes a whole number, not '2\\x0a3'"},  // a refusal is one line
        {{"--order", "2\x1f"}, 2, "option --order takes a whole number, not '2\\x1f'"},
        {{"--cap", longText + "x"}, 2, "option --cap takes a number, not '" + longText.substr(0, 300) + "...'"},
        {{"--start", "-1k", "--save", "n.QBX"}, 2, "option --start takes a number above 0, not '-1k'"},
        {{"--spice-timeout", "3"}, 2, "--spice-timeout needs --verify or --verify-netlist"},
        {{"--ripple", "0.5"}, 2, "--ripple needs --family chebyshev"},
        // a tolerance run needs its copies and tolerances, each in its range
        {{"--seed", "3"}, 2, "--seed needs --monte-carlo"},
        {{"--monte-carlo", "10", "--r-tol", "1"}, 2, "--monte-carlo needs --r-tol and --c-tol"},
        {{"--monte-carlo", "0", "--r-tol", "1", "--c-tol", "1"}, 2,
            "--monte-carlo takes a number of copies from 1 to 10000, not '0'"},
        {{"--monte-carlo", "10", "--r-tol", "50.5", "--c-tol", "1"}, 2,
            "--r-tol takes a tolerance in percent from 0 to 50, not '50.5'"},
        {{"--monte-carlo", "10", "--r-tol", "1", "--c-tol", "1", "--distribution", "gauss"}, 2,
            "--distribution takes uniform or normal, not 'gauss'"},
        {{"--monte-carlo", "10", "--r-tol", "1", "--c-tol", "1", "--seed", "1e30"}, 2,
            "--seed takes a whole number from 0 to 18446744073709551615, not '1e30'"},
        // the bench: a word from its list, two frequencies low to high, a temperature above absolute zero
        {{"--stage-gains", "most"}, 2, "--stage-gains takes equal or buildable, not 'most'"},
        {{"--correction", "second-order"}, 2, "--correction takes first-order or exact, not 'second-order'"},
        {{"--noise-band", "800", "1.2k", "5k"}, 2, "unexpected argument '5k'"},
        {{"--noise-band", "800"}, 2, "--noise-band takes two frequencies, F1 and F2"},
        {{"--noise-band", "1.2k", "800"}, 2, "--noise-band takes a lower frequency first, then a higher one"},
        {{"--noise-band", "0", "800"}, 2, "--noise-band takes two frequencies above 0, not '0'"},
        {{"--temp", "-273.15"}, 2, "--temp takes a temperature above -273.15 degrees Celsius, not '-273.15'"},
        {{"--in", "-1"}, 2, "option --in takes a number, 0 or more, not '-1'"},
        // a part-marking code, a text longer than the design window reads and a value beyond its range
        {{"--cap", "4n7"}, 0, "", "C", 4.7e-9},
        {{"--cap", "470.0000000000p"}, 0, "", "C", 470e-12},
        {{"--width", "1e999"}, 0, "--width 1e999 was taken as 1E+10\n", "Width", 1e10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ArgsText(c.args));
        CliRun r{};
        if (c.fullOutput) {
            std::ostream full(nullptr);  // every write fails, as on a full disk
            std::ostringstream err;
            r = {RunCli(c.args, full, err), "", err.str()};
        } else {
            r = RunCliIn(c.args, !c.key.empty());
        }
        std::set<std::string> expected = fixtures;
        expected.insert(c.made.begin(), c.made.end());
        const std::set<std::string> found = FolderNames(folder.path_);
        for (const auto& f : found)
            if (!fixtures.contains(f)) fs::remove(f);
        EXPECT_EQ(r.code, c.code);
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        if (c.code == 2) {  // one line, then the hint
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
            EXPECT_TRUE(r.err.ends_with(kSeeHelp));
        }
        if (!c.key.empty()) {
            EXPECT_EQ(float(Numbers(r.out, c.key).at(0)), float(c.value));
        }
        EXPECT_EQ(found, expected);
        for (const auto& [file, bytes] : given) EXPECT_EQ(ReadBytes(file), bytes) << file;
    }
    EXPECT_FALSE(fs::exists("/dev/full.csv"));
}

}  // namespace
}  // namespace stelvane::testing
