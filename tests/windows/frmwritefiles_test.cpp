#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "engine/standardvalues.h"
#include "engine/synthesis.h"
#include "files/spiceschematic.h"
#include "files/tabulatedfile.h"
#include "windows/frmdesign.h"
#include "windows/frmschematic.h"
#include "windows/frmwritefiles.h"
#include "windows/updown.h"
#include "windowtestsupport.h"

namespace stelvane {
namespace {

using namespace stelvane::testing;
namespace fs = std::filesystem;

constexpr const char* kEasyHeader = "Freq,      Gain,    Phase,    Delay,";
constexpr const char* kScientificHeader = "Freq,          Gain,        Phase,         Delay,";

// The record as the program holds it at start without a last-session file,
// with the start-up design computed.
void StartUpRecord(DesignState& s)
{
    InitEngine(s);
    InstallStartDefaults(s);
    InstallOpampDefaults(s);
    RunDesignChain(s);
}

std::string ReadWhole(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The file-writing window opened from the design window, as "Write" opens it.
struct WriteWindow {
    WriteWindow(const std::function<void(DesignState&)>& prepare = {})
    {
        // Every window of the program, the views included.
        RegisterProgramWindows(program->navigator);
        RecordDrawings(program->navigator, program->platform);
        StartUpRecord(program->record);
        if (prepare)
            prepare(program->record);
        design = program->Open<frmDesign>(WindowKind::Design);
        Click(design->cmdWrite);
        window = dynamic_cast<frmWriteFiles*>(program->navigator.Find(WindowKind::WriteFiles));
    }
    ScriptedPlatform& platform() { return program->platform; }
    DesignState& record() { return program->record; }
    QPushButton* Button(ExportKind kind) const
    {
        switch (kind) {
        case ExportKind::TabulatedScientific: return window->cmdWriteTabulatedS;
        case ExportKind::TabulatedEasy: return window->cmdWriteTabulatedE;
        case ExportKind::SpiceSchematic: break;
        }
        return window->cmdWriteSpiceSchematic;
    }
    // Presses the button with the dialog answered (or cancelled) and returns
    // what the dialog was asked.
    FileDialogRequest Press(ExportKind kind, const std::optional<std::string>& answer)
    {
        if (answer)
            platform().AnswerFileDialog(*answer);
        else
            platform().CancelFileDialog();
        const std::size_t before = platform().dialogs.size();
        Click(Button(kind));
        EXPECT_EQ(platform().dialogs.size(), before + 1);
        EXPECT_EQ(platform().dialogs.back().kind, ScriptedPlatform::DialogKind::Save);
        return platform().dialogs.back().request;
    }

    std::unique_ptr<Program> program = std::make_unique<Program>();
    frmDesign* design = nullptr;
    frmWriteFiles* window = nullptr;
};

class WriteFilesTest : public ::testing::Test {
protected:
    TemporaryWorkingDirectory dir;
};

TEST_F(WriteFilesTest, FirstUseProposesTheDefaultNames)
{
    struct Case {
        const char* name;
        ExportKind kind;
        const char* title;
        const char* filter;
        const char* proposal;
    };
    const Case cases[] = {
        {"scientific", ExportKind::TabulatedScientific, "QUIBEX - write tabulated data file",
         "Tabulated-data files (*.DAT)|*.DAT|Text files (*.TXT|*.TXT|All files (*.*)|*.*", "Default.DAT"},
        {"easy", ExportKind::TabulatedEasy, "QUIBEX - write tabulated data file",
         "Tabulated-data files (*.DAT)|*.DAT|Text files (*.TXT|*.TXT|All files (*.*)|*.*", "Default.DAT"},
        {"LTspice", ExportKind::SpiceSchematic, "Write LTspice schematic", "LTspice files (*.ASC)|*.ASC",
         "QUIBEXdefault.ASC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryWorkingDirectory here;
        WriteWindow w;
        ASSERT_NE(w.window, nullptr);
        const FileDialogRequest asked = w.Press(c.kind, std::nullopt);
        EXPECT_EQ(asked.title, c.title);
        EXPECT_EQ(asked.filter, c.filter);
        EXPECT_EQ(asked.proposedName, c.proposal);
        EXPECT_TRUE(asked.confirmOverwrite);
        // Cancelled: nothing written, not even under the proposed name.
        EXPECT_FALSE(fs::exists(here.Path() / c.proposal));
    }
}

TEST_F(WriteFilesTest, EachButtonRemembersItsOwnNameWithItsOwnExtension)
{
    const std::string d = dir.Path().string() + "/";
    struct Step {
        ExportKind kind;
        std::string answer;
        std::string proposal;  // what the dialog proposes before the answer
    };
    const std::vector<Step> steps = {
        {ExportKind::TabulatedEasy, d + "results.TXT", "Default.DAT"},
        {ExportKind::TabulatedEasy, d + "results.DAT", d + "results.DAT"},
        {ExportKind::TabulatedScientific, d + "science.txt", "Default.DAT"},  // the easy name is not its own
        {ExportKind::SpiceSchematic, d + "circuit.DAT", "QUIBEXdefault.ASC"},
        {ExportKind::TabulatedScientific, d + "science.DAT", d + "science.DAT"},
        {ExportKind::SpiceSchematic, d + "circuit.ASC", d + "circuit.ASC"},
        {ExportKind::TabulatedEasy, d + "other.DAT", d + "results.DAT"},
    };
    WriteWindow w;
    ASSERT_NE(w.window, nullptr);
    for (std::size_t k = 0; k < steps.size(); ++k) {
        SCOPED_TRACE("step " + std::to_string(k + 1));
        const Step& step = steps[k];
        EXPECT_EQ(w.Press(step.kind, step.answer).proposedName, step.proposal);
        EXPECT_EQ(RememberedName(w.record(), step.kind), step.answer);
        EXPECT_TRUE(fs::exists(step.answer));
    }
    EXPECT_EQ(w.record().EasyFileName, d + "other.DAT");
    EXPECT_EQ(w.record().ScientificFileName, d + "science.DAT");
    EXPECT_EQ(w.record().SpiceFileName, d + "circuit.ASC");
}

TEST_F(WriteFilesTest, ProposalReplacesOrAddsTheExtension)
{
    struct Case {
        const char* remembered;
        ExportKind kind;
        const char* proposal;
    };
    const Case cases[] = {
        {"results.TXT", ExportKind::TabulatedEasy, "results.DAT"},
        {"Default.DAT", ExportKind::TabulatedScientific, "Default.DAT"},
        {"circuit.asc", ExportKind::SpiceSchematic, "circuit.ASC"},
        {"/home/u/run1.csv", ExportKind::TabulatedEasy, "/home/u/run1.DAT"},
        // Shorter than four characters: nothing to cut, the extension is added.
        {"ab", ExportKind::TabulatedEasy, "ab.DAT"},
        {"abc", ExportKind::SpiceSchematic, "abc.ASC"},
        {"x", ExportKind::TabulatedScientific, "x.DAT"},
        // No extension to replace: the whole name stays.
        {"results", ExportKind::TabulatedEasy, "results.DAT"},
        {"/data.v2/out", ExportKind::SpiceSchematic, "/data.v2/out.ASC"},
        {"notes.html", ExportKind::TabulatedEasy, "notes.html.DAT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.remembered);
        EXPECT_EQ(ProposedExportName(c.remembered, c.kind), c.proposal);
    }
}

TEST_F(WriteFilesTest, ShortRememberedNamesGetTheExtensionInTheWindow)
{
    struct Case {
        const char* name;
        ExportKind kind;
        std::string remembered;
        const char* proposal;
    };
    const Case cases[] = {
        {"easy", ExportKind::TabulatedEasy, "ab", "ab.DAT"},
        {"scientific", ExportKind::TabulatedScientific, "abc", "abc.DAT"},
        {"LTspice", ExportKind::SpiceSchematic, "q", "q.ASC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWindow w([&c](DesignState& s) { RememberedName(s, c.kind) = c.remembered; });
        EXPECT_EQ(w.Press(c.kind, std::nullopt).proposedName, c.proposal);
        EXPECT_EQ(RememberedName(w.record(), c.kind), c.remembered);
        EXPECT_NE(w.program->navigator.Find(WindowKind::WriteFiles), nullptr);
    }
}

TEST_F(WriteFilesTest, CancelledDialogWritesNothingAndKeepsTheName)
{
    struct Case {
        const char* name;
        ExportKind kind;
    };
    const Case cases[] = {
        {"scientific", ExportKind::TabulatedScientific},
        {"easy", ExportKind::TabulatedEasy},
        {"LTspice", ExportKind::SpiceSchematic},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteWindow w;
        const fs::path file = dir.Path() / (std::string("kept") + ExportExtension(c.kind));
        // A file the user wrote before: a cancelled dialog must leave it alone.
        {
            std::ofstream(file, std::ios::binary) << "the user's own text";
        }
        RememberedName(w.record(), c.kind) = file.string();
        EXPECT_EQ(w.Press(c.kind, std::nullopt).proposedName, file.string());
        EXPECT_EQ(ReadWhole(file), "the user's own text");
        EXPECT_EQ(RememberedName(w.record(), c.kind), file.string());
        EXPECT_EQ(w.Press(c.kind, std::nullopt).proposedName, file.string());
        EXPECT_TRUE(w.platform().messages.empty());
        EXPECT_EQ(w.platform().beeps, 0);
    }
}

TEST_F(WriteFilesTest, SeveralFilesAreWrittenBeforeReturn)
{
    struct Case {
        ExportKind kind;
        const char* file;
        std::optional<std::string> secondLine;  // the header that tells the formats apart
    };
    const Case cases[] = {
        {ExportKind::TabulatedScientific, "sci.DAT", kScientificHeader},
        {ExportKind::TabulatedEasy, "easy.DAT", kEasyHeader},
        {ExportKind::SpiceSchematic, "filter.ASC", std::nullopt},
    };
    WriteWindow w;
    ASSERT_NE(w.window, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path file = dir.Path() / c.file;
        w.Press(c.kind, file.string());
        FlushDeletes();
        EXPECT_EQ(w.program->navigator.Find(WindowKind::WriteFiles), w.window);
        const auto lines = FileLines(file);
        if (c.secondLine) {
            // Empty line, two header lines, empty line, points 0..NrInts, empty line.
            ASSERT_EQ(lines.size(), std::size_t(w.record().NrInts) + 6);
            EXPECT_EQ(lines[1], *c.secondLine);
        } else {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines[0], "Version 4");
            EXPECT_EQ(lines[1], "SHEET 1 1 1");
        }
    }
    EXPECT_TRUE(w.platform().messages.empty());

    Click(w.window->cmdExit);
    FlushDeletes();
    EXPECT_EQ(w.program->navigator.Find(WindowKind::WriteFiles), nullptr);
    EXPECT_EQ(w.program->navigator.Find(WindowKind::Design), w.design);
    EXPECT_EQ(w.program->navigator.OpenCount(), 1);
    EXPECT_EQ(w.program->endings, 0);
}

TEST_F(WriteFilesTest, AFailedWriteIsReportedAndTheWindowStays)
{
    struct Case {
        ExportKind kind;
        const char* message;
    };
    const Case cases[] = {
        {ExportKind::TabulatedScientific, kTabulatedNotWrittenMessage},
        {ExportKind::TabulatedEasy, kTabulatedNotWrittenMessage},
        {ExportKind::SpiceSchematic, kSpiceNotWrittenMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        WriteWindow w;
        const std::string nowhere = (dir.Path() / "no such folder" / "x.DAT").string();
        w.Press(c.kind, nowhere);
        ASSERT_EQ(w.platform().messages.size(), 1u);
        EXPECT_EQ(w.platform().messages[0].text, c.message);
        EXPECT_FALSE(fs::exists(nowhere));
        EXPECT_EQ(RememberedName(w.record(), c.kind), nowhere);
        EXPECT_NE(w.program->navigator.Find(WindowKind::WriteFiles), nullptr);
    }
}

TEST_F(WriteFilesTest, ControlsSitWhereTheLayoutPutsThem)
{
    WriteWindow w;
    ASSERT_NE(w.window, nullptr);
    const Layout layout(w.platform().Screen(), WindowKind::WriteFiles);
    struct Case {
        const char* name;
        const char* caption;
        PixelRect rect;
        Rgb background;
        double points;
    };
    const Case cases[] = {
        {"cmdWriteTabulatedS", "Write tabulated-data file (scientific format)", layout.Rect(4000, 2000, 3300, 300),
         {192, 255, 255}, 7.2},
        {"cmdWriteTabulatedE", "Write tabulated-data file (easy format)", layout.Rect(4000, 2600, 3300, 300),
         {192, 255, 255}, 7.2},
        {"cmdWriteSpiceSchematic", "Write LTspice schematic", layout.Rect(4000, 3500, 3300, 300), {192, 255, 255},
         7.2},
        {"Label1", "Brellin Software has no connection with Linear Technology Corporation",
         layout.Rect(4000, 3900, 3000, 300), {224, 224, 224}, 6.3},
        {"cmdExit", "Return", layout.Rect(4000, 6000, 1800, 300), {0, 255, 255}, 7.2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* control = w.window->findChild<QWidget*>(c.name);
        ASSERT_NE(control, nullptr);
        const QRect g = control->geometry();
        EXPECT_EQ((PixelRect{g.x(), g.y(), g.width(), g.height()}), c.rect);
        const auto* button = qobject_cast<QPushButton*>(control);
        const auto* label = qobject_cast<QLabel*>(control);
        EXPECT_EQ(button ? button->text().toStdString() : label->text().toStdString(), c.caption);
        const QColor colour = control->palette().color(button ? QPalette::Button : QPalette::Window);
        EXPECT_EQ((Rgb{std::uint8_t(colour.red()), std::uint8_t(colour.green()), std::uint8_t(colour.blue())}),
                  c.background);
        EXPECT_NEAR(control->font().pointSizeF(), c.points, 1e-6);
    }
    EXPECT_EQ(w.window->windowTitle().toStdString(), "      Stelvane - file writing");
    EXPECT_TRUE(w.window->isModal());
}

// The command-line program built next to this test program.
fs::path CliProgram() { return STELVANE_CLI; }

std::string Quoted(const std::string& text)
{
    std::string out = "'";
    for (char ch : text)
        out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

TEST_F(WriteFilesTest, TypedDesignGivesTheSameSchematicAsTheCommandLine)
{
    const fs::path cli = CliProgram();
    ASSERT_TRUE(fs::exists(cli)) << "build stelvane-cli first: " << cli;

    struct Case {
        const char* name;
        std::function<void(frmDesign&)> type;  // what the user types on the design window
        bool specifiedOpamp;                      // chosen on the schematic window before writing
        std::string options;                      // the same design for the command line
    };
    const std::vector<Case> cases = {
        {"start-up design as it stands", [](frmDesign&) {}, false, ""},
        {"four-stage Chebyshev, logarithmic sweep",
         [](frmDesign& d) {
             Type(d.txtCenter, "2.5k");
             Type(d.txtWidth, "400");
             Type(d.txtGain, "6");
             Type(d.txtCaps, "22n");
             Click(d.optChebyshev);
             Type(d.txtApass, "0.5");
             d.UpDown1->step(2);
             Type(d.txtStart, "1k");
             Type(d.txtStop, "5k");
             Type(d.txtInts, "500");
             Click(d.optLog);
             Type(d.txtGBW, "1M");
         },
         false,
         "--center 2.5k --width 400 --gain 6 --cap 22n --family chebyshev --ripple 0.5 --order 4 "
         "--start 1k --stop 5k --intervals 500 --sweep log --gbw 1M"},
        {"three-stage Bessel for the specified opamp",
         [](frmDesign& d) {
             Type(d.txtCenter, "15k");
             Type(d.txtWidth, "6k");
             Type(d.txtCaps, "1n");
             Click(d.optBessel);
             d.UpDown1->step(1);
             Type(d.txtGBW, "3M");
             Type(d.txtGainDC, "20k");
         },
         true, "--center 15k --width 6k --cap 1n --family bessel --order 3 --gbw 3M --dcgain 20k --specified-opamp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Program program;
        RegisterProgramWindows(program.navigator);
        RecordDrawings(program.navigator, program.platform);
        InitEngine(program.record);
        InstallStartDefaults(program.record);
        InstallOpampDefaults(program.record);
        auto* design = program.Open<frmDesign>(WindowKind::Design);
        ASSERT_NE(design, nullptr);
        c.type(*design);

        BarWindow* writeFrom = design;
        if (c.specifiedOpamp) {
            Click(design->cmdSchematic);
            FlushDeletes();
            auto* schematic = dynamic_cast<frmSchematic*>(program.navigator.Find(WindowKind::Schematic));
            ASSERT_NE(schematic, nullptr);
            Click(schematic->optSpecd);
            writeFrom = schematic;
        }
        Click(writeFrom->cmdWrite);
        auto* window = dynamic_cast<frmWriteFiles*>(program.navigator.Find(WindowKind::WriteFiles));
        ASSERT_NE(window, nullptr);
        const fs::path fromWindow = dir.Path() / "window.ASC";
        program.platform.AnswerFileDialog(fromWindow.string());
        Click(window->cmdWriteSpiceSchematic);
        ASSERT_TRUE(fs::exists(fromWindow));

        const fs::path fromCli = dir.Path() / "cli.ASC";
        const std::string command = "cd " + Quoted(dir.Path().string()) + " && " + Quoted(cli.string()) + " " +
                                    c.options + " --spice " + Quoted(fromCli.string()) + " >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const std::string windowText = ReadWhole(fromWindow);
        EXPECT_EQ(windowText, ReadWhole(fromCli));
        EXPECT_EQ(windowText.find(c.specifiedOpamp ? ";Parts values based on specified opamp"
                                                   : ";Parts values based on ideal opamp") == std::string::npos,
                  false);
        fs::remove(fromWindow);
        fs::remove(fromCli);
    }
}

} // namespace
} // namespace stelvane
