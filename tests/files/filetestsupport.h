#pragma once

// Scratch folders, byte-exact file access, the table of writers and design
// comparisons for the file tests.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <memory>
#include <numeric>
#include <stdlib.h>
#include <string>
#include <vector>

#include "engine/designstate.h"
#include "engine/synthesis.h"
#include "files/designfile.h"
#include "files/plotoverlay.h"
#include "files/spiceschematic.h"
#include "files/tabulatedfile.h"

namespace stelvane::testing {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything
// in it when the test ends.
struct ScratchFolder {
    ScratchFolder() : path_(mkdtemp((fs::temp_directory_path() / "stelvane-files-XXXXXX").string().data())) {}
    ~ScratchFolder() { std::error_code ec; fs::remove_all(path_, ec); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    fs::path path_;
};

inline std::string ReadBytes(const std::string& file)
{
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline void WriteBytes(const std::string& file, const std::string& text) { std::ofstream(file) << text; }

// Joins lines, each followed by CR LF.
inline std::string CrLfText(const std::vector<std::string>& lines)
{
    return std::accumulate(lines.begin(), lines.end(), std::string(), [](auto t, auto& l) { return t + l + "\r\n"; });
}

// Every writer of the program: the files it writes (the first named, the
// others beside it), and what it says when it fails.
struct Writer {
    const char* name;
    std::vector<std::string> files;
    std::function<bool(const DesignState&, const std::string& firstFile, Notifier&)> write;
    const char* failureMessage; // none for a design file, which only beeps
};

inline const std::vector<Writer> kWriters = {
    {"design file", {"d.QBX"}, WriteDesignFile, nullptr},
    {"last session", {kLastSessionFileName}, [](auto& s, auto& file, auto& n) { return WriteLastSession(s, n, file); },
     kLastSessionNotWrittenMessage},
    {"easy table", {"e.DAT"}, WriteTabulatedEasy, kTabulatedNotWrittenMessage},
    {"scientific table", {"s.DAT"}, WriteTabulatedScientific, kTabulatedNotWrittenMessage},
    {"schematic", {"f.ASC"}, WriteSpiceSchematic, kSpiceNotWrittenMessage},
    {"overlay", {kOverlayGainFileName, kOverlayPhaseFileName, kOverlayDelayFileName},
     [](auto& s, auto& file, auto& n) { return SavePlotOverlay(s, n, fs::path(file).parent_path().string()); },
     kOverlayNotWrittenMessage},
};
enum WriterIndex { kDesignFile, kLastSession, kEasyTable, kScientificTable, kSchematic, kOverlay };

} // namespace stelvane::testing

namespace stelvane {

// Every field of the record a design file stores, and a few it must not touch.
inline void ExpectSameDesign(const DesignState& a, const DesignState& b)
{
    EXPECT_EQ(a.Center, b.Center);
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Gain, b.Gain);
    EXPECT_EQ(a.Order, b.Order);
    EXPECT_EQ(a.Family, b.Family);
    EXPECT_EQ(a.Apass, b.Apass);
    EXPECT_EQ(a.Fstart, b.Fstart);
    EXPECT_EQ(a.Fstop, b.Fstop);
    EXPECT_EQ(a.NrInts, b.NrInts);
    EXPECT_EQ(a.Sweep, b.Sweep);
    EXPECT_EQ(a.dBTop, b.dBTop);
    EXPECT_EQ(a.dBBottom, b.dBBottom);
    EXPECT_EQ(a.DelayTop, b.DelayTop);
    EXPECT_EQ(a.NrY, b.NrY);
    EXPECT_EQ(a.NrX, b.NrX);
    EXPECT_TRUE(a.PoleRe == b.PoleRe);
    EXPECT_TRUE(a.PoleIm == b.PoleIm);
    EXPECT_TRUE(a.C == b.C);
    EXPECT_TRUE(a.R == b.R);
    EXPECT_TRUE(a.Rs == b.Rs);
    EXPECT_EQ(a.GBW, b.GBW);
    EXPECT_EQ(a.DCGain, b.DCGain);
    EXPECT_EQ(a.Zin, b.Zin);
    EXPECT_EQ(a.Caps, b.Caps);
    EXPECT_EQ(a.ManualEntry, b.ManualEntry);
}

// A value as a seven-significant-digit text gives it back, rounded by the C
// library rather than by the program.
inline Single SevenDigitsOf(Single v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", static_cast<double>(v));
    return std::strtof(text, nullptr);
}

// The saved design as a seven-digit file can hold it, analysed as its parts stand.
inline std::unique_ptr<DesignState> RoundedToTheFile(const DesignState& saved)
{
    auto s = std::make_unique<DesignState>(saved);
    for (Single* v : {&s->Center, &s->Width, &s->Gain, &s->Apass, &s->Fstart, &s->Fstop, &s->dBTop,
                      &s->dBBottom, &s->DelayTop})
        *v = SevenDigitsOf(*v);
    for (int i = 1; i <= s->Order; ++i) {
        s->PoleRe[i] = SevenDigitsOf(s->PoleRe[i]);
        s->PoleIm[i] = SevenDigitsOf(s->PoleIm[i]);
        for (int j = 1; j <= 2; ++j) s->C[i][j] = SevenDigitsOf(s->C[i][j]);
        for (int j = 1; j <= 3; ++j) s->R[i][j] = SevenDigitsOf(s->R[i][j]);
    }
    s->ManualEntry = 1;
    RunDesignChain(*s);
    return s;
}

} // namespace stelvane
