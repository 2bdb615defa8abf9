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
    const fs::path before = fs::current_path();
    fs::current_path(folder.path_);
    struct Back {
        fs::path to;
        ~Back() { fs::current_path(to); }
    } back{before};  // also after a failed ASSERT
    ASSERT_EQ(RunCliIn({"--save", "same.QBX", "--netlist", "f.cir"}).code, 0);
    // the saved design with its line `index` (from 0) replaced by a field the reader refuses
    const auto writeWith = [design = ReadBytes("same.QBX")](const char* name, std::size_t index, const char* field) {
        std::istringstream in(design);
        std::string out;
        for (std::string line; std::getline(in, line); --index)
            out += (index == 0 ? field + std::string("\r") : line) + "\n";
        WriteBytes(name, out);
    };
    writeWith("neg.QBX", 6, "-1E+09");  // Fstart
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
        {{"--load", "same.QBX", "--easy", "same.QBX"}, 2, "--easy 'same.QBX' is the file of --load"},
        {{"--load", "same.QBX", "--save", "adir/../same.QBX"}, 2, "is the file of --load"},
        {{"--save", "d.QBX", "--spice", "./d.QBX"}, 2, "--spice './d.QBX' is the file of --save 'd.QBX'"},
        {{"--bom", "p", "--netlist", "p.csv"}, 2, "--netlist 'p.csv' is the file of --bom 'p.csv'"},
        {{"--overlay", "--save", "QUIBEXdata.DEL"}, 2, "is the file of --save"},
        // parts a writer would write as something else
        {{"--cap", "1e10", "--spice", "x.asc"}, 1, "cannot be built"},
        {{"--gain", "400", "--spice", "x.asc"}, 1, "cannot be built"},
        {{"--cap", "1e-45", "--spice", "x.asc"}, 1, "cannot be built"},
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
        {{"--json"}, 1, "standard output could not be written", "", 0, {}, true},
        {{"--help"}, 1, "standard output could not be written", "", 0, {}, true},
        {{"--verify"}, 1, "standard output could not be written", "", 0, {}, true},
        // numbers are wholly one number, or refused
        {{"--width", "1O0"}, 2, "option --width takes a number, not '1O0'"},
        {{"--width=10 Hz"}, 2, "not '10 Hz'"},
        {{"--order", "0x10"}, 2, "option --order takes a whole number, not '0x10'"},
        {{"--intervals", "1e2.5"}, 2, "whole number"},
        {{"--cap", longText + "x"}, 2, "option --cap takes a number, not '" + longText.substr(0, 300) + "...'"},
        {{"--start", "-1k", "--save", "n.QBX"}, 2, "option --start takes a number above 0, not '-1k'"},
        {{"--verify", "--spice-timeout", "-3"}, 2, "above 0"},
        {{"--spice-timeout", "3"}, 2, "--spice-timeout needs --verify or --verify-netlist"},
        {{"--distribution", "normal"}, 2, "--distribution needs --monte-carlo"},
        {{"--ripple", "0.5"}, 2, "--ripple needs --family chebyshev"},
        // the part-marking codes, texts longer than the design window reads and values beyond its range
        {{"--cap", "4n7"}, 0, "", "C", 4.7e-9},
        {{"--cap", "470.0000000000p"}, 0, "", "C", 470e-12},
        {{"--gain", "1R5"}, 0, "", "Gain", 1.5},
        {{"--width", "1e999"}, 0, "--width 1e999 was taken as 1E+10\n", "Width", 1e10},
        {{"--center", "12345678901234"}, 0, "--center 12345678901234 was taken as 1E+10\n", "Center", 1e10},
        // a design file with a field out of range is refused naming the line
        {{"--load", "neg.QBX"}, 1, "(neg.QBX, line 7: "},
    };
    for (const auto& c : cases) {
        std::string name;
        for (const auto& a : c.args) name += a.substr(0, 20) + " ";
        SCOPED_TRACE(name);
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
