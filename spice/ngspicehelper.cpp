// stelvane-ngspice: runs one AC (or noise, or transient) analysis in ngspice's shared library for the
// program, in a process of its own so that whatever ngspice does (loops,
// crashes, runs out of memory) ends here and not in the program.
//   stelvane-ngspice LIBRARY NODE...   the netlist on standard input
// The answer on standard output, which nothing else may write to:
//   'R', points and nodes (uint32 each), the frequencies, then per node the
//        real and imaginary part at every frequency (doubles, native order)
//   'E' and a message in the program's words
//   'L' and why the library could not be loaded
//   'N' when the library is not ngspice's
// The parent starts it with an empty working folder and home of its own, an
// environment made from scratch and limits on time, memory and files.

#include <ngspice/sharedspice.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include "spice/quote.h"

namespace {

// The error lines a message quotes: enough for the line ngspice refused and
// why, not a page of follow-on complaints.
constexpr std::size_t kQuotedLines = 4;

int g_answer = -1;  // the answer's descriptor; standard output itself goes to /dev/null
std::vector<std::string> g_errors;
bool g_exited = false;
int g_exitStatus = 0;

void Answer(char kind, const std::string& body)
{
    std::string out(1, kind);
    out += body;
    const char* p = out.data();
    std::size_t left = out.size();
    while (left > 0) {
        const ssize_t n = write(g_answer, p, left);
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

bool ContainsError(const std::string& line)
{
    std::string lower(line);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("error") != std::string::npos;
}

std::string Trim(std::string text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    std::size_t first = 0;
    while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    return text.substr(first);
}

// What ngspice said on its error stream, from its first error on; ngspice
// echoes the netlist in its complaints, so the quote is cut short.
std::string Quoted()
{
    std::string text;
    std::size_t first = 0;
    while (first < g_errors.size() && !ContainsError(g_errors[first])) ++first;
    if (first == g_errors.size()) first = 0;
    for (std::size_t i = first; i < g_errors.size() && i < first + kQuotedLines; ++i)
        text += (text.empty() ? "" : " / ") + g_errors[i].substr(0, 2 * stelvane::kQuotedCharacters);
    return text.empty() ? text : ": " + stelvane::QuotedText(text);
}

// Whether the last call failed: ngspice stopped itself, or said "error" on
// its error stream (it reports most failures only there).
bool Failed(const std::string& what)
{
    if (g_exited) {
        Answer('E', "ngspice stopped itself (status " + std::to_string(g_exitStatus) + ")" + Quoted());
        return true;
    }
    for (const std::string& line : g_errors) {
        if (ContainsError(line)) {
            Answer('E', what + Quoted());
            return true;
        }
    }
    return false;
}

int OnOutput(char* text, int, void*)
{
    // Each line comes prefixed with the stream it was written to.
    static constexpr std::string_view kErrorStream = "stderr ";
    const std::string_view line = text ? text : "";
    // a runaway netlist may complain without end: the first lines are the ones quoted
    if (line.substr(0, kErrorStream.size()) == kErrorStream && g_errors.size() < 64)
        g_errors.push_back(Trim(std::string(line.substr(kErrorStream.size()))));
    return 0;
}

// ngspice asks to be unloaded: after "quit", or after an error it cannot
// recover from.
int OnExit(int status, bool, bool, int, void*)
{
    g_exited = true;
    g_exitStatus = status;
    return 0;
}

struct Api {
    decltype(&ngSpice_Init) init = nullptr;
    decltype(&ngSpice_Circ) circ = nullptr;
    decltype(&ngSpice_Command) command = nullptr;
    decltype(&ngGet_Vec_Info) vectorInfo = nullptr;
    decltype(&ngSpice_CurPlot) currentPlot = nullptr;
};

void Append(std::string& out, const void* data, std::size_t size) { out.append(static_cast<const char*>(data), size); }

void ReadResult(const Api& api, const std::vector<std::string>& nodeNames)
{
    const std::string plot = api.currentPlot() ? api.currentPlot() : "";
    // A noise analysis leaves its spectrum in the plot noise1 and ends on
    // noise2 (the totals): its vectors are asked for by their plot's name.
    const bool noise = plot.rfind("noise", 0) == 0;
    // a transient analysis answers as the AC one, its times in place of the frequencies
    const bool transient = plot.rfind("tran", 0) == 0;
    if (plot.rfind("ac", 0) != 0 && !noise && !transient)
        return Answer('E', "ngspice ran no AC, noise or transient analysis");
    const std::string prefix = noise ? "noise1." : "";
    // ngspice answers every query in the same place: each vector is used
    // before the next is asked for.
    auto vector = [&](const std::string& name) -> pvector_info {
        pvector_info v = api.vectorInfo(const_cast<char*>(name.c_str()));
        if (v && v->v_length > 0 && (v->v_compdata || v->v_realdata)) return v;
        return nullptr;
    };
    auto part = [](pvector_info v, int i, bool imaginary) {
        if (!v->v_compdata) return imaginary ? 0.0 : v->v_realdata[i];
        return imaginary ? v->v_compdata[i].cx_imag : v->v_compdata[i].cx_real;
    };
    pvector_info frequency = vector(prefix + (transient ? "time" : "frequency"));
    if (!frequency) return Answer('E', "ngspice returned no frequencies: the sweep holds no point");
    const int points = frequency->v_length;
    std::string body;
    const std::uint32_t counts[2] = {static_cast<std::uint32_t>(points), static_cast<std::uint32_t>(nodeNames.size())};
    Append(body, counts, sizeof counts);
    for (int i = 0; i < points; ++i) {
        const double f = part(frequency, i, false);
        Append(body, &f, sizeof f);
    }
    for (const std::string& name : nodeNames) {
        const pvector_info v = vector(prefix + name);
        if (!v || v->v_length != points)
            return Answer('E', "ngspice returned no voltages for node " + stelvane::QuotedText(name));
        for (int i = 0; i < points; ++i) {
            const double value[2] = {part(v, i, false), part(v, i, true)};
            Append(body, value, sizeof value);
        }
    }
    Answer('R', body);
}

}  // namespace

int main(int argc, char** argv)
{
    // ngspice may print to standard output: the answer keeps a descriptor of its own.
    g_answer = dup(STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    if (g_answer < 0 || null < 0 || dup2(null, STDOUT_FILENO) < 0) return 3;
    if (argc < 2) {
        Answer('E', "the simulation helper was started without a library");
        return 3;
    }
    const std::string netlist(std::istreambuf_iterator<char>(std::cin), {});
    std::vector<std::string> lines;
    std::istringstream in(netlist);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    std::vector<char*> pointers;
    for (std::string& line : lines) pointers.push_back(line.data());
    pointers.push_back(nullptr);

    void* handle = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        Answer('L', why ? why : "");
        return 0;
    }
    Api api;
    auto symbol = [&](auto& target, const char* name) {
        target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(dlsym(handle, name));
        return target != nullptr;
    };
    if (!(symbol(api.init, "ngSpice_Init") && symbol(api.circ, "ngSpice_Circ") &&
            symbol(api.command, "ngSpice_Command") && symbol(api.vectorInfo, "ngGet_Vec_Info") &&
            symbol(api.currentPlot, "ngSpice_CurPlot"))) {
        Answer('N', "");
        return 0;
    }
    api.init(&OnOutput, nullptr, &OnExit, nullptr, nullptr, nullptr, nullptr);
    if (g_exited) {
        Answer('E', "ngspice stopped while starting" + Quoted());
        return 0;
    }
    g_errors.clear();
    api.circ(pointers.data());
    if (Failed("ngspice rejected the circuit")) return 0;
    g_errors.clear();
    api.command(const_cast<char*>("run"));
    if (Failed("ngspice could not simulate the circuit")) return 0;
    ReadResult(api, std::vector<std::string>(argv + 2, argv + argc));
    // What ngspice holds goes with the process; it is not asked to tidy up.
    std::fflush(nullptr);
    _exit(0);
}
