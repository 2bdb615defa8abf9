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
#include <stdlib.h>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/designstate.h"
#include "engine/synthesis.h"
#include "files/designfile.h"
#include "files/storedfields.h"
#include "fuzz/recordcheck.h"
#include "files/plotoverlay.h"
#include "files/spiceschematic.h"
#include "files/tabulatedfile.h"

namespace stelvane::testing {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything
// in it when the test ends.
struct ScratchFolder {
    ScratchFolder() : path_(mkdtemp((fs::temp_directory_path() / "stelvane-files-XXXXXX").string().data())) {}
    ~ScratchFolder()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    fs::path path_;
};

inline std::string ReadBytes(const std::string& file)
{
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
}
// A file as a writer must write it, byte for byte, from tests/golden.
inline std::string GoldenFile(const std::string& name)
{
    const std::string text = ReadBytes(STELVANE_SOURCE_DIR "/tests/golden/" + name);
    if (text.empty()) ADD_FAILURE() << "no golden file " << name;
    return text;
}
inline void WriteBytes(const std::string& file, const std::string& text) { std::ofstream(file) << text; }

// Every writer of the program: the files it writes (the first named, the
// others beside it), and what it says when it fails.
struct Writer {
    const char* name;
    std::vector<std::string> files;
    std::function<bool(const DesignState&, const std::string& firstFile, Notifier&)> write;
    const char* failureMessage;  // none for a design file, which only beeps
};

inline const std::vector<Writer> kWriters = {
    {"design file", {"d.QBX"}, WriteDesignFile, nullptr},
    {"last session", {kLastSessionFileName}, [](auto& s, auto& file, auto& n) { return WriteLastSession(s, n, file); },
        kLastSessionNotWrittenMessage},
    {"easy table", {"e.DAT"}, WriteTabulatedEasy, kTabulatedNotWrittenMessage},
    {"scientific table", {"s.DAT"}, WriteTabulatedScientific, kTabulatedNotWrittenMessage},
    {"schematic", {"f.ASC"},
        [](auto& s, auto& file, auto& n) { return WriteSpiceSchematic(s, PartsType::Ideal, file, n); },
        kSpiceNotWrittenMessage},
    {"overlay", {kOverlayGainFileName, kOverlayPhaseFileName, kOverlayDelayFileName},
        [](auto& s, auto& file, auto& n) { return SavePlotOverlay(s, n, fs::path(file).parent_path().string()); },
        kOverlayNotWrittenMessage},
    {"schematic for the specified opamp", {"f.ASC"},
        [](auto& s, auto& file, auto& n) { return WriteSpiceSchematic(s, PartsType::Specified, file, n); },
        kSpiceNotWrittenMessage},
};
enum WriterIndex { kDesignFile, kLastSession, kEasyTable, kScientificTable, kSchematic, kOverlay, kSchematicSpecified };

}  // namespace stelvane::testing
