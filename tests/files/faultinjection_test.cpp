// Fault injection on every writer: a full disk, a read-only folder, a target
// that is a folder, a missing folder, a read-only file and a write that fails
// part-way. Each writer runs in a child process, so that a crash or a signal
// shows as such; the child reports what the user would have seen (the return
// value, the beeps, the messages), and the parent checks that the file that
// was there before is untouched and that nothing else was left behind.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "filetestsupport.h"
#include "files/designfile.h"
#include "files/plotoverlay.h"
#include "files/spiceschematic.h"
#include "files/tabulatedfile.h"
#include "fuzz/recordcheck.h"
#include "tests/support/recordingnotifier.h"

namespace stelvane {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

// One writer of the program: how to call it for a folder, which files it
// writes there, and the recovery the user sees when it fails.
struct Writer {
    const char* name;
    std::vector<std::string> files;
    std::function<bool(const DesignState&, const std::string& folder, Notifier&)> write;
    std::vector<std::string> failureMessages;
};

std::string In(const std::string& folder, const std::string& name) { return (fs::path(folder) / name).string(); }

const std::vector<Writer>& Writers()
{
    static const std::vector<Writer> writers = {
        {"WriteDesignFile", {"design.QBX"},
         [](const DesignState& s, const std::string& folder, Notifier& n) {
             return WriteDesignFile(s, In(folder, "design.QBX"), n);
         },
         {}},
        {"WriteLastSession", {kLastSessionFileName},
         [](const DesignState& s, const std::string& folder, Notifier& n) {
             return WriteLastSession(s, n, In(folder, kLastSessionFileName));
         },
         {kLastSessionNotWrittenMessage}},
        {"WriteTabulatedEasy", {"Default.DAT"},
         [](const DesignState& s, const std::string& folder, Notifier& n) {
             return WriteTabulatedEasy(s, In(folder, "Default.DAT"), n);
         },
         {kTabulatedNotWrittenMessage}},
        {"WriteTabulatedScientific", {"Science.DAT"},
         [](const DesignState& s, const std::string& folder, Notifier& n) {
             return WriteTabulatedScientific(s, In(folder, "Science.DAT"), n);
         },
         {kTabulatedNotWrittenMessage}},
        {"WriteSpiceSchematic", {"QUIBEXdefault.ASC"},
         [](const DesignState& s, const std::string& folder, Notifier& n) {
             return WriteSpiceSchematic(s, In(folder, "QUIBEXdefault.ASC"), n);
         },
         {kSpiceNotWrittenMessage}},
        {"SavePlotOverlay", {kOverlayGainFileName, kOverlayPhaseFileName, kOverlayDelayFileName},
         [](const DesignState& s, const std::string& folder, Notifier& n) { return SavePlotOverlay(s, n, folder); },
         {kOverlayNotWrittenMessage}},
    };
    return writers;
}

// A complete record with a full sweep: every writer has plenty to write.
const DesignState& Design()
{
    static const std::unique_ptr<DesignState> s = [] {
        auto d = std::make_unique<DesignState>(reliability::DistinctiveRecord());
        d->NrInts = 1000;
        return d;
    }();
    return *s;
}

// What the child saw.
struct Outcome {
    bool exitedNormally = false;
    std::string howItEnded;
    bool returned = true;
    int beeps = -1;
    std::vector<std::string> messages;
};

// Runs the writer in a child process after `prepare` (which may limit the
// child's resources) and collects what the user would have been shown.
Outcome RunInChild(const Writer& writer, const std::string& folder, const std::function<void()>& prepare)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {};
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        prepare();
        RecordingNotifier notifier;
        const bool ok = writer.write(Design(), folder, notifier);
        std::string report = std::string(ok ? "1" : "0") + "\n" + std::to_string(notifier.beeps) + "\n";
        for (const auto& m : notifier.messages) report += m.text + "\n";
        const bool sent = write(pipeEnds[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
        _exit(sent ? 0 : 3);
    }
    close(pipeEnds[1]);
    std::string report;
    char buffer[512];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, got);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);

    Outcome out;
    out.exitedNormally = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    out.howItEnded = WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status))
                                         : "exit " + std::to_string(WEXITSTATUS(status));
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = report.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(report.substr(start, end - start));
    if (lines.size() >= 2) {
        out.returned = lines[0] == "1";
        out.beeps = std::stoi(lines[1]);
        out.messages.assign(lines.begin() + 2, lines.end());
    }
    return out;
}

void ExpectRecovery(const Writer& writer, const Outcome& out)
{
    EXPECT_TRUE(out.exitedNormally) << "the writer ended the program: " << out.howItEnded;
    EXPECT_FALSE(out.returned) << "the failure was not noticed";
    EXPECT_EQ(out.beeps, 1);
    EXPECT_EQ(out.messages, writer.failureMessages);
}

std::set<std::string> Listing(const fs::path& folder)
{
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ec)) {
        names.insert(fs::relative(entry.path(), folder).string() + (entry.is_symlink() ? "@" : ""));
    }
    return names;
}

// What stands at a path, without following links (a link to /dev/full would
// read zeros for ever).
std::string Contents(const std::string& path)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (fs::is_symlink(status)) return "link to " + fs::read_symlink(path, ec).string();
    if (fs::is_directory(status)) return "folder";
    if (fs::is_regular_file(status)) return ReadBytes(path);
    return "nothing";
}

std::string OldText(const std::string& name) { return "the user's old " + name + "\r\nkeep me\r\n"; }

void NoLimit() {}

// A file size limit makes the write fail part-way; SIGXFSZ would otherwise
// end the program before the writer could notice.
void LimitFileSize()
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{60, 60};
    setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(FaultInjection, EveryWriterRecoversAndLeavesTheOldFilesIntact)
{
    // How each fault is laid out in a fresh scratch folder; returns the folder
    // the writer is pointed at.
    struct Fault {
        const char* name;
        std::function<std::string(const ScratchFolder&, const Writer&)> lay;
        std::function<void()> prepare;
    };
    const std::vector<Fault> faults = {
        {"full disk",
         [](const ScratchFolder& dir, const Writer& w) {
             for (const auto& f : w.files) fs::create_symlink("/dev/full", dir / f);
             return dir.Path().string();
         },
         NoLimit},
        {"target is a folder",
         [](const ScratchFolder& dir, const Writer& w) {
             for (const auto& f : w.files) {
                 fs::create_directory(dir / f);
                 WriteBytes(dir / f + "/inside.txt", OldText(f));
             }
             return dir.Path().string();
         },
         NoLimit},
        {"missing folder", [](const ScratchFolder& dir, const Writer&) { return dir / "no such folder"; }, NoLimit},
        {"read-only file",
         [](const ScratchFolder& dir, const Writer& w) {
             for (const auto& f : w.files) {
                 WriteBytes(dir / f, OldText(f));
                 fs::permissions(dir / f, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
             }
             return dir.Path().string();
         },
         NoLimit},
        {"write fails part-way over old files",
         [](const ScratchFolder& dir, const Writer& w) {
             for (const auto& f : w.files) WriteBytes(dir / f, OldText(f));
             return dir.Path().string();
         },
         LimitFileSize},
        {"write fails part-way, no old file",
         [](const ScratchFolder& dir, const Writer&) { return dir.Path().string(); }, LimitFileSize},
    };

    for (const Writer& writer : Writers()) {
        for (const Fault& fault : faults) {
            SCOPED_TRACE(std::string(writer.name) + ", " + fault.name);
            ScratchFolder dir;
            const std::string folder = fault.lay(dir, writer);
            std::vector<std::string> before;
            for (const auto& f : writer.files) before.push_back(Contents(dir / f));
            std::vector<std::string> beforeInside;
            for (const auto& f : writer.files) beforeInside.push_back(Contents(dir / f + "/inside.txt"));
            const std::set<std::string> listing = Listing(dir.Path());

            const Outcome out = RunInChild(writer, folder, fault.prepare);
            ExpectRecovery(writer, out);

            // Nothing written over, nothing half-written, no temporary file left.
            for (std::size_t k = 0; k < writer.files.size(); ++k) {
                EXPECT_EQ(Contents(dir / writer.files[k]), before[k]) << writer.files[k];
                EXPECT_EQ(Contents(dir / writer.files[k] + "/inside.txt"), beforeInside[k]) << writer.files[k];
            }
            EXPECT_EQ(Listing(dir.Path()), listing);
        }
    }
}

TEST(FaultInjection, EveryWriterRecoversWhereTheSystemRefusesFiles)
{
    // Tests run as root, for whom permission bits are no obstacle; the kernel's
    // own folders and files refuse writes whoever asks.
    struct Place {
        const char* name;
        std::string folder;
    };
    const std::vector<Place> places = {
        {"/proc, a folder nobody can create files in", "/proc"},
        {"/sys, a folder nobody can create files in", "/sys"},
        {"a missing folder under /proc", "/proc/stelvane-none"},
        {"/dev/full directly", ""},
    };
    for (const Writer& writer : Writers()) {
        for (const Place& place : places) {
            SCOPED_TRACE(std::string(writer.name) + ", " + place.name);
            Writer direct = writer;
            if (place.folder.empty()) {
                // Named straight at the full device; the overlay goes to a
                // folder holding only links to it.
                if (writer.files.size() > 1) continue;
                direct.write = [&writer](const DesignState& s, const std::string&, Notifier& n) {
                    const std::string device = "/dev/full";
                    if (writer.name == std::string("WriteDesignFile")) return WriteDesignFile(s, device, n);
                    if (writer.name == std::string("WriteLastSession")) return WriteLastSession(s, n, device);
                    if (writer.name == std::string("WriteTabulatedEasy")) return WriteTabulatedEasy(s, device, n);
                    if (writer.name == std::string("WriteTabulatedScientific"))
                        return WriteTabulatedScientific(s, device, n);
                    return WriteSpiceSchematic(s, device, n);
                };
            }
            ExpectRecovery(writer, RunInChild(direct, place.folder, NoLimit));
        }
    }
    // Nothing may have appeared in the kernel's folders.
    for (const auto& name : {"design.QBX", "QUIBEX.LAST", "Default.DAT", kOverlayGainFileName})
        EXPECT_FALSE(fs::exists(fs::path("/proc") / name)) << name;
}

TEST(FaultInjection, WorkingFolderWritersRecoverInAReadOnlyWorkingFolder)
{
    // The last-session and overlay files go to the working folder under fixed
    // names; a program started in a folder it cannot write to must carry on.
    struct Case {
        const char* name;
        std::function<bool(const DesignState&, const std::string&, Notifier&)> write;
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {"WriteLastSession",
         [](const DesignState& s, const std::string&, Notifier& n) { return WriteLastSession(s, n); },
         {kLastSessionNotWrittenMessage}},
        {"SavePlotOverlay", [](const DesignState& s, const std::string&, Notifier& n) { return SavePlotOverlay(s, n); },
         {kOverlayNotWrittenMessage}},
    };
    for (const Case& c : cases) {
        for (const char* folder : {"/proc", "/sys"}) {
            SCOPED_TRACE(std::string(c.name) + " in " + folder);
            const Writer writer{c.name, {}, c.write, c.messages};
            const std::string where = folder;
            const Outcome out = RunInChild(writer, "", [where] {
                if (chdir(where.c_str()) != 0) _exit(4);
            });
            ExpectRecovery(writer, out);
        }
    }
}

} // namespace
} // namespace stelvane
