// ngspice in its helper process: start-up files of the user's folders run
// nothing, a netlist that loops, grows without end or is stopped ends in a
// message within its limits, and a library that is not ngspice is named.

#include "spice/ngspice.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include <stdlib.h>
#include <unistd.h>

#include "tests/files/filetestsupport.h"

namespace stelvane::testing {
namespace {

// A circuit of one resistor over a source with extra lines and its sweep.
std::string Circuit(const std::string& extra = "", const std::string& sweep = "lin 3 1 100")
{
    return "title\nV1 in 0 DC 0 AC 1\nR1 in out 1k\nR2 out 0 1k\n" + extra + ".ac " + sweep + "\n.end\n";
}

// Sets an environment variable and the working folder for one scope.
struct Surroundings {
    Surroundings(const char* name, const std::string& value, const std::string& folder) : variable(name)
    {
        if (const char* was = std::getenv(name)) old = was;
        setenv(name, value.c_str(), 1);
        std::filesystem::current_path(folder);
    }
    ~Surroundings()
    {
        old ? setenv(variable, old->c_str(), 1) : unsetenv(variable);
        std::filesystem::current_path(before);
    }
    const char* variable;
    std::optional<std::string> old;
    std::filesystem::path before = std::filesystem::current_path();
};

TEST(Ngspice, StartUpFilesInTheWorkingFolderAndHomeRunNothing)
{
    ScratchFolder folder;
    const std::string witness = folder / "ran";
    for (const char* place : {"work", "home"}) {
        std::filesystem::create_directory(folder / place);
        WriteBytes(folder / place + "/.spiceinit", "* start-up\nshell touch " + witness + "\n");
        WriteBytes(folder / place + "/spinit", "shell touch " + witness + "\n");
    }
    const Surroundings surroundings("HOME", folder / "home", folder / "work");
    const AcAnalysis a = RunAcAnalysis(Circuit(), {"in", "out"}, {0});  // no time limit: the default's
    ASSERT_TRUE(a.ok) << a.message;
    EXPECT_NEAR(std::abs(a.nodes[1][2] / a.nodes[0][2]), 0.5, 1e-9);  // the divider, independent of ngspice
    EXPECT_FALSE(std::filesystem::exists(witness));
}

// The limits: a loop is stopped at its time limit, a sweep of millions of
// points ends in a message, a stop from another thread ends the run, and
// the next run works.
TEST(Ngspice, WhateverTheNetlistDoesTheRunEndsInAMessageWithinItsLimits)
{
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const std::string loop = ".control\nlet i = 0\nwhile 1\nlet i = i + 1\nend\n.endc\n";
    std::atomic<bool> stop{false};
    const struct {
        const char* name;
        std::string netlist;
        SimulationLimits limits;
        std::string said;
    } cases[] = {
        {"endless loop", Circuit(loop), {1, 1024 * kMiB, nullptr}, "ngspice took longer than 1 s and was stopped"},
        // under a memory limit small enough to be reached within a second or two
        {"five million points", Circuit("", "lin 5000000 1 1e6"), {20, 48 * kMiB, nullptr},
            "ngspice stopped itself (status 1): realloc: "},
        {"stopped", Circuit(loop), {20, 1024 * kMiB, &stop}, "The simulation was stopped"},
        {"writes a file", Circuit(".control\nrun\nwrite x.raw\n.endc\n"), {}, "ngspice ended abnormally (signal 25)"},
        {"a refused line of 800 kB", Circuit("Q1 " + std::string(800000, 'x') + "\n"), {},
            "ngspice rejected the circuit: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        stop = false;
        std::thread stopper([&] {
            if (!c.limits.stop) return;
            // the run is under way once its helper has started; the flag may be set at any time
            usleep(300000);
            stop = true;
        });
        const AcAnalysis a = RunAcAnalysis(c.netlist, {"in", "out"}, c.limits);
        stopper.join();
        EXPECT_FALSE(a.ok);
        EXPECT_TRUE(a.message.starts_with(c.said)) << a.message;
        EXPECT_LE(a.message.size(), 400u);  // what ngspice echoes is cut short
    }
    // a program ngspice started and left running neither holds the answer back nor outlives the run
    const AcAnalysis a = RunAcAnalysis(Circuit(".control\nshell sleep 61 &\n.endc\n"), {"in", "out"});
    EXPECT_TRUE(a.ok) << a.message;
}

TEST(Ngspice, ALibraryThatCannotBeLoadedIsNamedWithWhy)
{
    ScratchFolder folder;
    WriteBytes(folder / "notalib.so", "not a library");
    const struct {
        std::string library;
        std::vector<std::string> said;
    } cases[] = {
        {"notalib.so", {"'notalib.so' could not be loaded (", "not in the working folder"}},
        {"./notalib.so", {"'" + folder / "./notalib.so' could not be loaded"}},
        {"libm.so.6", {"'libm.so.6' is not ngspice's shared library"}},
        {std::string(2000, 'x'), {"could not be loaded"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.library.substr(0, 40));
        const Surroundings surroundings(kNgspiceLibraryVariable, c.library, folder.path_);
        const AcAnalysis a = RunAcAnalysis(Circuit(), {"in"});
        EXPECT_FALSE(a.ok);
        EXPECT_TRUE(a.message.starts_with("ngspice is not available")) << a.message;
        for (const std::string& said : c.said) EXPECT_NE(a.message.find(said), std::string::npos) << a.message;
        EXPECT_EQ(a.message.find("libngspice0"), std::string::npos);  // only for the default library
        EXPECT_LE(a.message.size(), 1000u);
    }
}

}  // namespace
}  // namespace stelvane::testing
