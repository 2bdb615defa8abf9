#include "tools/clipaths.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include <sys/stat.h>

#include "files/kicadschematic.h"
#include "files/plotoverlay.h"
#include "files/textfile.h"

namespace stelvane {
namespace {

namespace fs = std::filesystem;

struct RunFile {
    std::string option;  // "--bom"
    std::string name;    // as the writer or reader gets it
    bool output;
    bool used = true;  // false: the name as given, where the writer adds an extension to it
};

// The file a name stands for: by device and inode where it exists (a link or
// another spelling of the same file compares equal), else by its absolute
// path with "." and ".." and the links of its existing part resolved.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    fs::path path;
    bool operator==(const FileIdentity& other) const
    {
        return exists == other.exists && (exists ? device == other.device && inode == other.inode : path == other.path);
    }
};

FileIdentity IdentityOf(const std::string& name)
{
    FileIdentity id;
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0) {
        id.exists = true;
        id.device = st.st_dev;
        id.inode = st.st_ino;
        return id;
    }
    std::error_code ec;
    id.path = fs::weakly_canonical(fs::absolute(name, ec), ec).lexically_normal();
    return id;
}

// Why a name cannot be written or read, or nothing. stat() looks without
// opening, so a FIFO is refused before anything waits on it.
std::optional<std::string> Refusal(const RunFile& f)
{
    const std::string said = f.option + " " + Quoted(f.name);
    if (f.name.empty()) return f.option + " needs a file name, not an empty one";
    if (f.output && f.name.back() == '/') return said + " is a folder, not a file";
    struct stat st {};
    if (::stat(f.name.c_str(), &st) != 0) return std::nullopt;  // a new file, or one the reader says it cannot read
    if (S_ISDIR(st.st_mode)) return said + " is a folder, not a file";
    if (!S_ISREG(st.st_mode)) return said + " is not a regular file (a device or a pipe)";
    return std::nullopt;
}

std::vector<RunFile> FilesOf(const CliOptions& o)
{
    std::vector<RunFile> files;
    auto add = [&](const char* option, const std::optional<std::string>& name, bool output, const char* extension) {
        if (!name) return;
        // The writer adds the extension to a name without one: that file is
        // written, and both names are looked at ("/dev/full" as well as "/dev/full.csv").
        const bool extended = extension && !name->empty() && WithExtension(*name, extension) != *name;
        files.push_back({option, *name, output, !extended});
        if (extended) files.push_back({option, WithExtension(*name, extension), output});
    };
    add("--load", o.load, false, nullptr);
    add("--verify-netlist", o.verifyNetlist, false, nullptr);
    add("--save", o.save, true, nullptr);
    add("--scientific", o.scientific, true, nullptr);
    add("--easy", o.easy, true, nullptr);
    add("--spice", o.spice, true, nullptr);
    add("--bom", o.bom, true, ".csv");
    add("--netlist", o.netlist, true, ".cir");
    add("--kicad", o.kicad, true, kKicadExtension);
    add("--tabulate-time", o.tabulateTime, true, nullptr);
    add("--image", o.image, true, nullptr);
    if (o.overlay)
        for (const char* name : {kOverlayGainFileName, kOverlayPhaseFileName, kOverlayDelayFileName})
            add("--overlay", name, true, nullptr);
    return files;
}

}  // namespace

std::string CheckCliFiles(const CliOptions& o)
{
    const std::vector<RunFile> files = FilesOf(o);
    for (const RunFile& f : files)
        if (auto why = Refusal(f)) return *why;
    std::vector<std::pair<const RunFile*, FileIdentity>> used;
    for (const RunFile& f : files) {
        if (!f.used) continue;
        const FileIdentity id = IdentityOf(f.name);
        for (const auto& [other, otherId] : used)
            if ((f.output || other->output) && otherId == id)
                return f.option + " " + Quoted(f.name) + " is the file of " + other->option + " " +
                    Quoted(other->name) + ": a run never writes over a file it reads or writes";
        used.emplace_back(&f, id);
    }
    return {};
}

}  // namespace stelvane
