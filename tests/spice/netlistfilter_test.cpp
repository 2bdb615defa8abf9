// A netlist from outside is simulated as a circuit only: every line that
// could run a command or read a file is refused with its line and keyword,
// and the sweep is always the design's.

#include "spice/netlistfilter.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tests/engine/engine_test_support.h"
#include "tests/files/filetestsupport.h"

namespace stelvane::testing {
namespace {

const std::string kSweep = ".ac lin 11 100 200";

TEST(NetlistFilter, EveryLineThatIsNotPartOfACircuitIsRefusedWithItsLineAndKeyword)
{
    const std::string body = "V1 in 0 AC 1\nR1 in out 1k\n";
    const struct {
        std::string netlist, keyword;
        int line;
    } cases[] = {
        {"t\n" + body + ".control\nshell touch x\n.endc\n.end\n", ".control", 4},
        {"t\r\n" + body + "   \t.CONTROL\r\n", ".CONTROL", 4}, {"*ng_script\n" + body, "*ng_script", 1},
        {"t\n" + body + " *# shell touch x\n", "*#", 4},
        {"t\n" + body + "A1 %v(out) src\n.model src filesource (file=\"/etc/passwd\")\n", "A1", 4},
        {"t\n" + body + ".end\n.control\n", ".control", 5},  // after the end too
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.netlist);
        const CircuitNetlist n = CircuitOnly(c.netlist, kSweep);
        EXPECT_TRUE(n.text.empty());
        EXPECT_TRUE(n.error.starts_with("line " + std::to_string(c.line) + " of the netlist holds " + c.keyword))
            << n.error;
    }
}

TEST(NetlistFilter, ACircuitKeepsItsLinesUnderAFixedTitleAndTakesTheDesignsSweep)
{
    const std::string kept = ".SUBCKT op a b\nE1 b 0 a 0 1\n.Ends op\n.model m d\n.param x=1\n.options reltol=1e-6\n"
                             "+ abstol=1e-12\n* comment\nX1 in out op\n";
    // a netlist and its lines after the title line that replaces its own
    const struct {
        std::string netlist, checked;
    } cases[] = {
        {"my title\n" + kept + ".ac lin 1 1e6 1e6\n.end\n", kept + kSweep + "\n.end\n"},
        // continuation lines of a replaced sweep go with it; only one sweep is run
        {"t\nR1 a 0 1\n  .ac dec 10\n+ 1 1e9\n.ac lin 2 1 2\n.end\n", "R1 a 0 1\n" + kSweep + "\n.end\n"},
        // without a sweep the design's goes before .end, or last
        {"t\nR1 a 0 1\n.end\n", "R1 a 0 1\n" + kSweep + "\n.end\n"},
        {"t\nR1 a 0 1", "R1 a 0 1\n" + kSweep + "\n"},
        // a written netlist's output request goes, with its continuation, whatever its case
        {"t\nR1 a 0 1\n.print ac vdb(out)\n+ vp(out)\n .PRINT ac v(a)\n.end\n", "R1 a 0 1\n" + kSweep + "\n.end\n"},
        // a carriage return or NUL inside a line hides no second line from the check
        {std::string("t\nR1 a 0 1\r.control\nR2 a 0 1") + '\0' + ".endc\n",
            "R1 a 0 1 .control\nR2 a 0 1 .endc\n" + kSweep + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.netlist);
        const CircuitNetlist n = CircuitOnly(c.netlist, kSweep);
        ASSERT_TRUE(n.error.empty()) << n.error;
        EXPECT_TRUE(n.text.starts_with("* ")) << n.text;
        EXPECT_EQ(n.text.substr(n.text.find('\n') + 1), c.checked);
    }
    EXPECT_EQ(DesignSweepLine(*StartUpDesign(), OpampModel::Ideal), ".ac lin 1001 5.00000000e+02 2.00000000e+03");
}

TEST(NetlistFilter, OnlyARegularFileOfAtMostOneMebibyteIsRead)
{
    ScratchFolder folder;
    WriteBytes(folder / "big.cir", std::string(kLargestNetlistFile + 1, '*'));
    WriteBytes(folder / "full.cir", std::string(kLargestNetlistFile, '*'));
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    const struct {
        const char* name;
        std::string said;  // nothing when the file is read
    } cases[] = {
        {"full.cir", ""}, {"big.cir", "is larger than 1 MiB"},
        {"fifo", "is not a regular file"},  // and does not wait for a writer
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text, error;
        bool refused = false;
        const bool read = ReadNetlistFile(folder / c.name, text, error, refused);
        EXPECT_EQ(read, c.said.empty());
        EXPECT_EQ(refused, !read);
        EXPECT_NE(error.find(c.said), std::string::npos) << error;
        EXPECT_EQ(text.size(), read ? kLargestNetlistFile : text.size());
    }
}

}  // namespace
}  // namespace stelvane::testing
