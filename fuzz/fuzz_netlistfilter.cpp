// A netlist from outside: whatever it holds, what reaches ngspice is a
// circuit under the program's own title, with the design's sweep as its one
// analysis, and no line that ngspice would take as a command.

#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzzfiles.h"
#include "spice/netlistfilter.h"

using namespace stelvane;
using stelvane::reliability::FuzzFailure;

constexpr const char* kTarget = "fuzz_netlistfilter";
const std::string kSweep = ".ac lin 11 100 200";

namespace {

void CheckLine(const std::string& line, bool first, int& sweeps)
{
    for (char c : line)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') FuzzFailure(kTarget, "control character in: " + line);
    if (first) {
        if (!line.starts_with("* ")) FuzzFailure(kTarget, "the title is not the program's: " + line);
        return;
    }
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return;
    std::string word = line.substr(start, line.find_first_of(" \t", start) - start);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word.starts_with("*#")) FuzzFailure(kTarget, "a comment ngspice runs: " + line);
    if (word.starts_with("a")) FuzzFailure(kTarget, "a code-model instance: " + line);
    if (word == ".ac") {
        ++sweeps;
        if (line != kSweep) FuzzFailure(kTarget, "a sweep that is not the design's: " + line);
    } else if (word.starts_with(".") && word != ".subckt" && word != ".ends" && word != ".model" && word != ".param" &&
        word != ".options" && word != ".end") {
        FuzzFailure(kTarget, "a dot line that is no part of a circuit: " + line);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view netlist(reinterpret_cast<const char*>(data), size);
    const CircuitNetlist n = CircuitOnly(netlist, kSweep);
    if (n.text.empty() == n.error.empty()) FuzzFailure(kTarget, "neither a circuit nor a refusal, or both");
    if (!n.error.empty()) {
        if (!n.error.starts_with("line ")) FuzzFailure(kTarget, "a refusal that names no line: " + n.error);
        return 0;
    }
    int sweeps = 0;
    std::size_t begin = 0;
    for (bool first = true; begin < n.text.size(); first = false) {
        const std::size_t end = n.text.find('\n', begin);
        CheckLine(n.text.substr(begin, end - begin), first, sweeps);
        begin = end == std::string::npos ? n.text.size() : end + 1;
    }
    if (sweeps != 1) FuzzFailure(kTarget, "not exactly one sweep: " + std::to_string(sweeps));
    return 0;
}
