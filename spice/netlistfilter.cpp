#include "spice/netlistfilter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "spice/quote.h"

namespace stelvane {

namespace {

// The title a checked netlist gets: a user's title is never read by ngspice,
// so none can turn the deck into a script.
constexpr std::string_view kCheckedTitle = "* Stelvane: a netlist checked against the design";

// The dot lines a circuit consists of; everything else (.control, .include,
// .lib, and whatever ngspice may learn later) could run commands or read files.
constexpr std::array<std::string_view, 7> kCircuitKeywords{".subckt", ".ends", ".model", ".param",
                                                           ".options", ".ac", ".end"};

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return out;
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// The line without a trailing CR, every other control character a blank:
// ngspice sees no line break where this check saw none.
std::string CleanLine(std::string_view line)
{
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string out(line);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return out;
}

std::string_view FirstWord(std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size() && Blank(text[start])) ++start;
    std::size_t end = start;
    while (end < text.size() && !Blank(text[end])) ++end;
    return text.substr(start, end - start);
}

std::string Refusal(int line, std::string_view keyword, const std::string& why)
{
    return "line " + std::to_string(line) + " of the netlist holds " + QuotedText(keyword) + ", " + why;
}

} // namespace

CircuitNetlist CircuitOnly(std::string_view netlist, const std::string& sweepLine)
{
    CircuitNetlist result;
    std::string out;
    out += kCheckedTitle;
    out += '\n';
    bool sweepWritten = false, droppingContinuation = false;
    int number = 0;
    std::size_t at = 0;
    while (at < netlist.size()) {
        const std::size_t end = std::min(netlist.find('\n', at), netlist.size());
        const std::string line = CleanLine(netlist.substr(at, end - at));
        at = end + 1;
        ++number;
        const std::string word = Lower(FirstWord(line));
        if (number == 1) {
            if (word.starts_with("*ng_script")) {
                result.error = Refusal(number, FirstWord(line),
                                       "a title that would make ngspice run the netlist as a script");
                return result;
            }
            continue;
        }
        if (word.starts_with("+") && droppingContinuation) continue;
        droppingContinuation = false;
        if (word.starts_with("*#")) {
            result.error = Refusal(number, FirstWord(line), "a comment ngspice would run as a command");
            return result;
        }
        // a code-model instance: some of them read a file the netlist names
        if (word.starts_with("a")) {
            result.error = Refusal(number, FirstWord(line), "a code-model instance, which may read files");
            return result;
        }
        if (!word.starts_with(".")) {
            out += line + '\n';
            continue;
        }
        if (std::find(kCircuitKeywords.begin(), kCircuitKeywords.end(), word) == kCircuitKeywords.end()) {
            result.error = Refusal(number, FirstWord(line),
                                   "which is not part of a circuit: a netlist to check may hold elements, comments "
                                   "and .subckt, .ends, .model, .param, .options, .ac and .end only");
            return result;
        }
        if (word == ".ac") {
            // the design's sweep, so the verdict covers its frequencies and points
            if (!sweepWritten) out += sweepLine + '\n';
            sweepWritten = droppingContinuation = true;
            continue;
        }
        if (word == ".end" && !sweepWritten) {
            out += sweepLine + '\n';
            sweepWritten = true;
        }
        out += line + '\n';
    }
    if (!sweepWritten) out += sweepLine + '\n';
    result.text = std::move(out);
    return result;
}

std::string DesignSweepLine(const DesignState& s, OpampModel model)
{
    const std::string netlist = NetlistText(s, model);
    const std::size_t start = netlist.find("\n.ac ");
    if (start == std::string::npos) return ".ac lin 1 1 1";
    return CleanLine(netlist.substr(start + 1, netlist.find('\n', start + 1) - start - 1));
}

bool ReadNetlistFile(const std::string& path, std::string& text, std::string& error, bool& refused)
{
    refused = false;
    const std::string name = "'" + QuotedText(path) + "'";
    // Not blocking: a FIFO with no writer must not hang the program.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = "The netlist could not be read: " + name + " (" + std::strerror(errno) + ")";
        return false;
    }
    struct stat info{};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > kLargestNetlistFile) {
        refused = true;
        error = "The netlist " + name +
                (S_ISREG(info.st_mode) ? " is larger than 1 MiB, which no netlist of a design comes near"
                                       : " is not a regular file");
        close(fd);
        return false;
    }
    text.clear();
    char buffer[65536];
    ssize_t n = 0;
    // one byte more than allowed: a file that grew while read is still caught
    while (text.size() <= kLargestNetlistFile && (n = read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    if (n < 0) {
        error = "The netlist could not be read: " + name + " (" + std::strerror(errno) + ")";
        return false;
    }
    if (text.size() > kLargestNetlistFile) {
        refused = true;
        error = "The netlist " + name + " is larger than 1 MiB, which no netlist of a design comes near";
        return false;
    }
    return true;
}

} // namespace stelvane
