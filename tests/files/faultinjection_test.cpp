// Fault injection on every writer: a full device, a folder in the way, a
// missing folder, a read-only file, a record the arrays cannot hold and a
// disk that fills part-way. Each writer must notice, tell the user as it
// always does, and leave the folder exactly as it was: old files untouched,
// no temporary file left behind.

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "fuzz/recordcheck.h"
#include "tests/files/filetestsupport.h"
#include "tests/support/recordingnotifier.h"

namespace stelvane::testing {
namespace {

// Everything under a folder: links by their targets, folders as such, files by their bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string name = e.path().string();
        found[name] = e.is_symlink() ? "link to " + fs::read_symlink(name).string()
            : e.is_directory()       ? "folder"
                                     : ReadBytes(name);
    }
    return found;
}

TEST(FaultInjection, EveryWriterRecoversAndLeavesTheFolderAsItWas)
{
    // lay: a device the files link to, or what stands in their place
    const struct {
        const char* name;
        std::string lay;
        bool written;
        int order = kMaxStages, points = kMaxPoints;
        bool fillsUp = false;
    } faults[] = {
        // the largest record the arrays hold, and the smallest, can be written
        {"a device that takes everything", "/dev/null", true},
        {"no stages, one point", "", true, 0, 0},
        {"a full device", "/dev/full", false},
        {"a folder in the way", "folder", false},
        {"a missing folder", "missing", false},
        {"a read-only file", "read-only", false},
        {"stages and points beyond the arrays", "old", false, kMaxStages + 1, kMaxPoints + 1},
        {"negative stage and point counts", "old", false, -1, -1},
        {"the disk fills part-way", "old", false, kMaxStages, kMaxPoints, true},
    };
    // a file size limit makes a write fail part-way; SIGXFSZ would end the program first
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    const rlimit limit{60, unlimited.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    for (const Writer& writer : kWriters) {
        for (const auto& fault : faults) {
            SCOPED_TRACE(std::string(writer.name) + ", " + fault.name);
            auto s = std::make_unique<DesignState>(reliability::DistinctiveRecord());
            s->Order = static_cast<Integer>(fault.order);
            s->NrInts = static_cast<Integer>(fault.points);
            ScratchFolder dir;
            for (const auto& f : writer.files) {
                if (fault.lay.rfind("/dev/", 0) == 0) fs::create_symlink(fault.lay, dir / f);
                if (fault.lay == "folder") fs::create_directories(dir / f + "/inside");
                if (fault.lay == "old" || fault.lay == "read-only") WriteBytes(dir / f, "the user's old " + f + "\r\n");
                if (fault.lay == "read-only") fs::permissions(dir / f, fs::perms::owner_read | fs::perms::group_read);
            }
            const auto before = Snapshot(dir.path_);
            RecordingNotifier notifier;
            if (fault.fillsUp) setrlimit(RLIMIT_FSIZE, &limit);
            const std::string file = dir / (fault.lay == "missing" ? "missing/" : "") + writer.files[0];
            const bool written = writer.write(*s, file, notifier);
            setrlimit(RLIMIT_FSIZE, &unlimited);
            EXPECT_EQ(written, fault.written);
            EXPECT_EQ(notifier.beeps, fault.written ? 0 : 1);
            std::string said;
            for (const auto& m : notifier.messages) said += m.text;
            EXPECT_EQ(said, fault.written || writer.failureMessage == nullptr ? "" : writer.failureMessage);
            EXPECT_TRUE(fault.written || Snapshot(dir.path_) == before) << "the folder is not as it was";
        }
    }
    std::signal(SIGXFSZ, SIG_DFL);
}

}  // namespace
}  // namespace stelvane::testing
