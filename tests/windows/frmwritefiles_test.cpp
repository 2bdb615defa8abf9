#include <gtest/gtest.h>

#include "files/tabulatedfile.h"
#include "windows/frmwritefiles.h"
#include "windowtestsupport.h"

namespace stelvane::testing {

// Whatever the user typed, the four files the window writes (the tables, the
// LTspice schematic and the netlist) are byte for byte what the command-line
// program writes for the same design and opamp. Each button
// proposes its own name (the default first, then the one last chosen), a
// cancelled dialog writes nothing, and a file that cannot be written is
// reported while the window stays for another try.
TEST(WriteFilesWindow, WritesWhatTheCommandLineWritesForTheSameDesign)
{
    // What is done on the design window, the window the files are written from (on the schematic, for the
    // specified opamp), and the same design for the command line.
    struct Case {
        const char* name;
        std::vector<std::string> typed;
        WindowKind from;
        std::string options;
    };
    const std::vector<Case> cases = {
        {"start-up design", {}, Design, ""},
        {"four-stage Chebyshev, log sweep, specified opamp",
            {"txtCenter=2.5k", "txtWidth=400", "txtGain=6", "txtCaps=22n", "optChebyshev", "txtApass=0.5", "UpDown1/up",
                "UpDown1/up", "txtStart=1k", "txtStop=5k", "txtInts=500", "optLog", "txtGBW=1M", "cmdSchematic"},
            Schematic,
            "--center 2.5k --width 400 --gain 6 --cap 22n --family chebyshev --ripple 0.5 --order 4 --start 1k "
            "--stop 5k --intervals 500 --sweep log --gbw 1M --specified-opamp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program p;
        p.Start(c.typed);
        if (c.from == Schematic) p.Do(Schematic, "optSpecd");
        p.Do(c.from, "cmdWrite");
        // The button, the name chosen in its dialog (null: cancelled) and the name the dialog proposed.
        const std::vector<std::tuple<const char*, const char*, const char*>> presses = {
            {"cmdWriteTabulatedS", nullptr, "Default.DAT"}, {"cmdWriteTabulatedS", "w-sci.DAT", "Default.DAT"},
            {"cmdWriteTabulatedE", "w-easy.txt", "Default.DAT"},
            {"cmdWriteSpiceSchematic", "w-spice.ASC", "QUIBEXdefault.ASC"},
            {"cmdWriteNetlist", "w-net", kNetlistDefaultName},  // .cir added
            {"cmdWriteNetlist", nullptr, "w-net.cir"},
            {"cmdWriteTabulatedE", "none/x.DAT", "w-easy.DAT"},        // the button's own extension
            {"cmdWriteKicadSchematic", "w-kicad", kKicadDefaultName},  // .kicad_sch added
            {"cmdWriteKicadSchematic", nullptr, "w-kicad.kicad_sch"},  // and kept whole
        };
        for (const auto& [button, answer, proposal] : presses) {
            SCOPED_TRACE(button);
            answer ? p.platform.AnswerFileDialog(answer) : p.platform.CancelFileDialog();
            p.Do(WriteFiles, button);
            EXPECT_EQ(p.platform.dialogs.back().proposedName, proposal);
        }
        EXPECT_FALSE(fs::exists("Default.DAT"));
        EXPECT_EQ(p.LastMessage(), kTabulatedNotWrittenMessage);

        const char* files =
            " --scientific c-sci.DAT --easy c-easy.txt --spice c-spice.ASC --netlist c-net --kicad c-kicad";
        ASSERT_EQ(RunCli(c.options + files), 0);
        for (const char* file : {"sci.DAT", "easy.txt", "spice.ASC", "net.cir", "kicad.kicad_sch"})
            ExpectSameFile(std::string("w-") + file, std::string("c-") + file);
        p.Do(WriteFiles, "cmdExit");
        EXPECT_TRUE(p.navigator.OpenCount() == 1 && p.Find(c.from));
    }
}

}  // namespace stelvane::testing
