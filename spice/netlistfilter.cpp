#include "spice/netlistfilter.h"

#include <algorithm>
#include <array>

#include "engine/designtext.h"
#include "files/textfile.h"
#include "spice/quote.h"

namespace stelvane {

namespace {

// The title a checked netlist gets: a user's title is never read by ngspice,
// so none can turn the deck into a script.
constexpr std::string_view kCheckedTitle = "* Stelvane: a netlist checked against the design";

// The dot lines a circuit consists of; everything else (.control, .include,
// .lib, and whatever ngspice may learn later) could run commands or read files.
constexpr std::array<std::string_view, 7> kCircuitKeywords{
    ".subckt", ".ends", ".model", ".param", ".options", ".ac", ".end"};

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

}  // namespace

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
        const std::string word = LowerCase(FirstWord(line));
        if (number == 1) {
            if (word.starts_with("*ng_script")) {
                result.error =
                    Refusal(number, FirstWord(line), "a title that would make ngspice run the netlist as a script");
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
        // a written netlist's output request: the check reads its own vectors
        if (word == ".print") {
            droppingContinuation = true;
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
    InputFile file = ReadInputFile(path, kLargestNetlistFile);
    const std::string name = "'" + QuotedText(path) + "'";
    refused = file.fault == InputFault::NotRegular || file.fault == InputFault::TooLarge;
    if (file.fault == InputFault::TooLarge)
        error = "The netlist " + name + " is larger than 1 MiB, which no netlist of a design comes near";
    else if (refused)
        error = "The netlist " + name + " is not a regular file";
    else if (file.fault != InputFault::None)
        error = "The netlist could not be read: " + name + " (" + InputFaultText(file.fault, kLargestNetlistFile) + ")";
    text = std::move(file.text);
    return file.fault == InputFault::None;
}

}  // namespace stelvane
