// The files every writer produces, byte for byte, worked out by hand; the
// design files read back, and damaged ones refused.

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>
#include <numeric>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/recordcheck.h"
#include "files/textfile.h"
#include "tests/files/filetestsupport.h"
#include "tests/support/recordingnotifier.h"

// The designs below name only the fields they set; the rest stay zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace stelvane::testing {
namespace {

// Two stages with negative values, values in exponent form and the grid's extremes. Its parts are not the
// Chebyshev design of its figures, so they come back as entered by hand (which the file does not say).
const DesignState kTwoStages{StoredDesign{.Center = 1500.5f,
    .Width = 250,
    .Gain = -6.5f,
    .Order = 2,
    .Family = FilterFamily::Chebyshev,
    .Apass = 0.5f,
    .ManualEntry = PartsEntry::Manual,
    .Fstart = 100,
    .Fstop = 2e7f,
    .NrInts = 2000,
    .Sweep = SweepSpacing::Log,
    .NrX = 12,
    .NrY = 1,
    .dBTop = 12.25f,
    .dBBottom = -60,
    .DelayTop = 5e-5f,
    .PoleRe = {0, -0.7071068f, -0.7071068f},
    .PoleIm = {0, 0.7071068f, -0.7071068f},
    .C = {{{}, {0, 2.2e-8f, 4.7e-9f}, {0, 1e-8f, 1e-8f}}},
    .R = {{{}, {0, 7957.747f, 397.8874f, 1.5e7f}, {0, 11253.95f, 281.3488f, 22507.91f}}}}};
// Its file: one value a line, the header, then all poles, all capacitors and all resistors.
const std::string kTwoStagesText = GoldenFile("design_two_stages.QBX");

// Values that are not numbers are saved as 0 (the reader then refuses the file rather than take them).
const DesignState kNotNumbers{StoredDesign{
    .Center = 1000, .Width = 200, .Gain = -INFINITY, .Family = FilterFamily::Bessel, .Apass = NAN, .Fstart = INFINITY}};

// What a missing or damaged last-session file leaves: the start-up settings (which the engine's tests pin)
// and the capacitors of the two start-up stages (a capacitor given to a third stage shows), nothing of the file.
const DesignState kStartupDefaults = [] {
    DesignState s;
    InstallDefaults(s);
    s.C = {{{}, {0, 1e-8f, 1e-8f}, {0, 1e-8f, 1e-8f}}};
    return s;
}();

// One stage for the exports, with three sweep points: a plain one, zeros and
// small values, and a phase so large that its easy text fills its column.
// The fourth point is beyond NrInts and never written.
const StoredDesign kExportStored{.Order = 1,
    .Fstart = 500,
    .Fstop = 2000,
    .NrInts = 2,
    .Sweep = SweepSpacing::Linear,
    .C = {{{}, {0, 2.2e-8f, 4.7e-9f}}},
    .R = {{{}, {0, 7957.747f, 397.8874f, 15915.49f}}}};
const DesignState kExport{kExportStored,
    DerivedDesign{.StageFoActual = {0, 1000},
        .Freq = {500, 1000, 1234.5678f, 99},
        .GainDB = {-12.5f, 0, -0.00007f},
        .Phase = {135.25f, -3.5f, -1.234567e12f},
        .Delay = {0.00123f, 1.5e-5f, 0}}};
// The same stage with the resistors for the specified opamp and a logarithmic sweep.
const DesignState kExportSpecified{
    StoredDesign{.Order = 1, .GBW = 1e7f, .Fstart = 10, .Fstop = 2e7f, .Sweep = SweepSpacing::Log, .C = kExport.C},
    DerivedDesign{.Rs = {{{}, {0, 1.5e6f, -470, 22e3f}}}, .StageFoActual = {0, 1000}}};

// The same stage as one whose parts gave no figures: its label says so, as the windows do.
const DesignState kExportUnbuildable = [] {
    DesignState s = kExport;
    s.StageInvalid[1] = 1;
    return s;
}();

// One stage at x = 32, worked out from the placement rules: the source at
// (0, 0), R1 across from (32, 0), R2 down from (208, 0) to ground, C1 at
// (240, 0), C2 at (240, -208), R3 from (368, -208) down to the inverting input
// line, the opamp at (464, -48), then the output, the stage's caption and the
// closing directives.
const std::string kSchematicIdeal = GoldenFile("schematic_ideal.asc");

// The gain overlay of the export: a blank (or the minus sign), the number, a
// blank; the value follows directly.
const std::string kOverlayGainText = GoldenFile("export_overlay.DB");

std::string Replaced(std::string text, const std::vector<std::pair<std::string, std::string>>& changes)
{
    for (const auto& [from, to] : changes) text.replace(text.find(from), from.size(), to);
    return text;
}

TEST(FileFormats, EveryWriterWritesTheGoldenTextAndDesignsReadBack)
{
    const struct {
        const char* name;
        const Writer& writer;
        const DesignState& design;
        std::vector<std::string> texts;
        const DesignState* readBack = nullptr;
    } cases[] = {
        // a text for each file
        {"two stages", kWriters[kDesignFile], kTwoStages, {kTwoStagesText}, &kTwoStages},
        {"two stages", kWriters[kLastSession], kTwoStages, {kTwoStagesText}, &kTwoStages},
        {"no stages, one point, non-numbers", kWriters[kLastSession], kNotNumbers,
            {GoldenFile("design_not_numbers.QBX")}},
        // the easy texts of the screen in columns of 10, plain numbers in columns of 14
        {"", kWriters[kEasyTable], kExport, {GoldenFile("export_easy.DAT")}},
        {"", kWriters[kScientificTable], kExport, {GoldenFile("export_scientific.DAT")}},
        {"three points", kWriters[kOverlay], kExport,
            {kOverlayGainText, GoldenFile("export_overlay.PHS"), GoldenFile("export_overlay.DEL")}},
        {"ideal opamp", kWriters[kSchematic], kExport, {kSchematicIdeal}},
        {"a stage that cannot be built", kWriters[kSchematic], kExportUnbuildable,
            {Replaced(kSchematicIdeal, {{"LEFT 0 1kHz", "LEFT 0 invalid"}})}},
        // mega is MEG to the simulator; a negative value keeps its sign
        {"specified opamp, logarithmic sweep", kWriters[kSchematicSpecified], kExportSpecified,
            {Replaced(kSchematicIdeal,
                {{"Value 7.958k", "Value 1.5MEG"}, {"Value 397.89 ", "Value -470 "}, {"Value 15.915k", "Value 22k"},
                    {"LIN 1000  500   2000 ", "DEC 1000  10   2E+07 "},
                    {"ideal opamp\r\n", "specified opamp\r\nTEXT 0 496 Left 0 ;GBW: 10M \r\n"}})}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.writer.name) + ", " + c.name);
        ScratchFolder folder;
        RecordingNotifier notifier;
        EXPECT_TRUE(c.writer.write(c.design, folder / c.writer.files[0], notifier));
        for (std::size_t k = 0; k < c.texts.size(); ++k) EXPECT_EQ(ReadBytes(folder / c.writer.files[k]), c.texts[k]);
        if (c.readBack) {
            auto back = std::make_unique<DesignState>();
            const std::string file = folder / c.writer.files[0];
            const bool lastSession = &c.writer == &kWriters[kLastSession];
            EXPECT_TRUE(lastSession ? ReadLastSession(*back, notifier, file) : ReadDesignFile(*back, file, notifier));
            EXPECT_EQ(reliability::FirstDifference(*back, *c.readBack), "");
        }
        EXPECT_TRUE(notifier.beeps == 0 && notifier.messages.empty());
    }
}

// Every value the program cannot hold is refused with the file, the line and
// why; a design file leaves the record as it was, a damaged last-session file
// installs the defaults and is kept beside as .damaged.
TEST(FileFormats, ReadersRefuseWhatTheyCannotHoldNamingFileLineAndWhy)
{
    // The two-stage file with some lines changed, cut short or filled up with 1s.
    using Changes = std::vector<std::pair<std::size_t, std::string>>;
    const auto file = [](const Changes& changes, std::size_t lines = 29) {
        std::vector<std::string> text;
        std::istringstream in(kTwoStagesText);
        for (std::string line; std::getline(in, line);) text.push_back(line + "\n");
        text.resize(lines, "1\r\n");
        for (const auto& [line, value] : changes) text[line - 1] = value + "\r\n";
        return std::accumulate(text.begin(), text.end(), std::string());
    };
    const std::string longWord(1000, 'x');
    // text: what the file holds (nothing: no file); detail: what the message adds after the file's name
    const struct {
        const char* name;
        std::optional<std::string> text;
        std::string detail;
    } cases[] = {
        {"ends inside the header", file({}, 8),
            ", line 9: the file ends before NrInts (a design needs at least 15 lines)"},
        {"ends before the last resistor", file({}, 28),
            ", line 29: the file ends before R3 of stage 2 (2 stages need 29 lines)"},
        {"22 stages", file({{4, "22"}}, 15 + 7 * 22), ", line 4: Order 22 is not 1 to 21"},
        {"a part of a stage", file({{4, "-0.4"}}), ", line 4: Order -0.4 is not a whole number"},
        {"11 Bessel stages", file({{4, "11"}, {5, "3"}}, 15 + 7 * 11),
            ", line 4: Order 11 is not 1 to 10 for a Bessel design"},
        {"sweep 3", file({{10, "3"}}), ", line 10: Sweep 3 is not 1 or 2"},
        {"2001 points", file({{9, "2001"}}), ", line 9: NrInts 2001 is not 0 to 2000"},
        {"centre 0", file({{1, "0"}}), ", line 1: Center 0 is not above 0"},
        {"gain scale upside down", file({{11, "-70"}}), ", line 12: dBTop -70 is not above dBBottom -60"},
        {"decimal comma", file({{1, "1,5"}}), ", line 1: Center '1,5' holds more than one value"},
        {"a long word", file({{23, longWord}}),
            ", line 23: C2 of stage 2 '" + longWord.substr(0, 297) + "...' is not a number"},
        {"a real beyond a Single", file({{1, "-1e39"}}),
            ", line 1: Center -1e39 is beyond the range of a stored value"},
        {"an integer above 16 bits", file({{5, "32768"}}),
            ", line 5: Family 32768 is beyond the range of a stored value"},
        {"too large", std::string(kDesignFileLimit + 1, '1'), ": it is larger than 1 MiB"},
        {"a pipe", std::nullopt, ": it is not a regular file"},
        {"no file", std::nullopt, ": there is no such file"},
    };
    for (const auto& c : cases) {
        for (const bool lastSession : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (lastSession ? ", last session" : ", design file"));
            ScratchFolder folder;
            const std::string path = folder / "bad.QBX";
            if (c.text) WriteBytes(path, *c.text);
            if (std::string(c.name) == "a pipe") {
                ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
            }
            auto s = std::make_unique<DesignState>(lastSession ? DesignState{} : reliability::DistinctiveRecord());
            const auto expected = std::make_unique<DesignState>(lastSession ? kStartupDefaults : *s);
            RecordingNotifier notifier;
            EXPECT_FALSE(lastSession ? ReadLastSession(*s, notifier, path) : ReadDesignFile(*s, path, notifier));
            EXPECT_EQ(reliability::FirstDifference(*s, *expected), "");
            // Only a damaged file that is a file is kept beside, as it was.
            const bool kept = lastSession && c.text;
            std::string message = std::string(lastSession ? kLastSessionDamagedMessage : kDesignNotReadMessage) + " (" +
                path + c.detail + ")" + (kept ? ". It was kept as " + path + ".damaged." : "");
            if (lastSession && std::string(c.name) == "no file") message = kLastSessionNotFoundMessage;
            ASSERT_EQ(notifier.messages.size(), 1u);
            EXPECT_EQ(notifier.messages[0].text, message);
            EXPECT_EQ(notifier.beeps, 0);
            EXPECT_TRUE(!kept || (!fs::exists(path) && ReadBytes(path + ".damaged") == *c.text));
        }
    }
}

TEST(FileFormats, OverlayReadKeepsTheWholePairsBeforeAnyFaultAndSaysWhenThereIsNone)
{
    std::string tooMany;
    for (int k = 0; k < 2005; ++k) tooMany += " " + std::to_string(k) + "  " + std::to_string(-k) + " \r\n";
    ScratchFolder folder;
    // text: what the file holds, if there is one; points: the first points read; problem: what the user is told
    const struct {
        const char* name;
        std::optional<std::string> text;
        int last;
        std::vector<std::pair<float, float>> points;
        std::string problem;
    } cases[] = {
        {"as the writer writes it", kOverlayGainText, 2, {{500, -12.5f}, {1000, 0}, {1234.568f, -7e-5f}}, ""},
        {"an odd count of numbers", " 1  2 \r\n 3 \r\n", 0, {{1, 2}}, ""},
        {"a value beyond a Single", " 1  2 \r\n 3  -1e39 \r\n", 0, {{1, 2}}, ""},
        {"more points than the arrays hold", tooMany, 2000, {{0, 0}, {1, -1}}, ""},
        {"NaN", " nan  1 \r\n", -1, {}, kOverlayNoPointEnding},
        // nothing to read: nothing changes
        {"too large", std::string(kOverlayFileLimit + 1, '1'), 7, {{123, 0}},
            " could not be read: it is larger than 16 MiB"},
        {"no file", std::nullopt, 7, {{123, 0}}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string fileName = folder / (c.text ? "in.DB" : c.name);
        if (c.text) WriteBytes(fileName, *c.text);
        OverlayCurve s{.OverlayFreq = {123}, .OverlayLast = 7};
        std::string problem;
        EXPECT_EQ(ReadPlotOverlay(s, fileName, &problem), std::string(c.name) != "no file");
        EXPECT_EQ(problem, c.problem.empty() ? "" : fileName + c.problem);
        EXPECT_EQ(s.OverlayLast, c.last);
        for (std::size_t n = 0; n < c.points.size(); ++n) {
            EXPECT_EQ(s.OverlayFreq[n], c.points[n].first) << n;
            EXPECT_EQ(s.OverlayValue[n], c.points[n].second) << n;
        }
    }
}

}  // namespace
}  // namespace stelvane::testing
