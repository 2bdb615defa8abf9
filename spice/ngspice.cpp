#include "spice/ngspice.h"

#include <ngspice/sharedspice.h>

#include <array>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <sstream>

#include <dlfcn.h>
#include <locale.h>

namespace stelvane {

namespace {

// The error lines a message quotes: enough for the line ngspice refused and
// why, not a page of follow-on complaints.
constexpr std::size_t kQuotedLines = 4;

// Signals whose handlers ngspice may set for itself; the program's own (and
// the sanitizers') are put back after every call.
constexpr std::array kGuardedSignals{SIGINT, SIGSEGV, SIGFPE, SIGBUS, SIGILL, SIGABRT};

class SignalGuard {
public:
    SignalGuard()
    {
        for (std::size_t i = 0; i < kGuardedSignals.size(); ++i) sigaction(kGuardedSignals[i], nullptr, &saved_[i]);
    }
    ~SignalGuard()
    {
        for (std::size_t i = 0; i < kGuardedSignals.size(); ++i) sigaction(kGuardedSignals[i], &saved_[i], nullptr);
    }

private:
    std::array<struct sigaction, kGuardedSignals.size()> saved_{};
};

// The C library's number reading and writing follows the locale, under
// which "1.5e3" may read as 1; whatever ngspice leaves to it, the calling
// thread gets the C locale for the length of every call.
class CLocaleGuard {
public:
    CLocaleGuard() : previous_(c_ ? uselocale(c_) : nullptr) {}
    ~CLocaleGuard()
    {
        if (previous_) uselocale(previous_);
    }

private:
    static inline locale_t c_ = newlocale(LC_ALL_MASK, "C", nullptr);
    locale_t previous_;
};

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

// The process's one ngspice, loaded from its shared library on first use.
class Ngspice {
public:
    static Ngspice& Instance()
    {
        static Ngspice instance;
        return instance;
    }

    AcAnalysis Run(const std::string& netlist, const std::vector<std::string>& nodeNames)
    {
        std::lock_guard lock(mutex_);
        CLocaleGuard locale;
        SignalGuard signals;
        AcAnalysis result;
        if (stopped_) {
            result.message = kStoppedEarlier;
            return result;
        }
        if (!Load(result.message)) return result;

        std::vector<std::string> lines = Lines(netlist);
        std::vector<char*> pointers;
        for (std::string& line : lines) pointers.push_back(line.data());
        pointers.push_back(nullptr);

        Begin();
        api_.circ(pointers.data());
        if (Failed("ngspice rejected the circuit", result.message)) return Finish(result);
        Begin();
        api_.command(const_cast<char*>("run"));
        if (Failed("ngspice could not simulate the circuit", result.message)) return Finish(result);
        Read(nodeNames, result);
        return Finish(result);
    }

private:
    struct Api {
        decltype(&ngSpice_Init) init = nullptr;
        decltype(&ngSpice_Circ) circ = nullptr;
        decltype(&ngSpice_Command) command = nullptr;
        decltype(&ngGet_Vec_Info) vectorInfo = nullptr;
        decltype(&ngSpice_CurPlot) currentPlot = nullptr;
    };

    static std::vector<std::string> Lines(const std::string& netlist)
    {
        std::vector<std::string> lines;
        std::istringstream in(netlist);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }

    bool Load(std::string& message)
    {
        if (handle_) return true;
        const char* named = std::getenv(kNgspiceLibraryVariable);
        const std::string library = named && *named ? named : kNgspiceLibrary;
        const std::string missing = "ngspice is not available, so the design cannot be simulated (install "
                                    "libngspice0): ";
        handle_ = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            const char* why = dlerror();
            message = missing + (why ? why : library);
            return false;
        }
        auto symbol = [&](auto& target, const char* name) {
            target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(dlsym(handle_, name));
            return target != nullptr;
        };
        if (!(symbol(api_.init, "ngSpice_Init") && symbol(api_.circ, "ngSpice_Circ") &&
              symbol(api_.command, "ngSpice_Command") && symbol(api_.vectorInfo, "ngGet_Vec_Info") &&
              symbol(api_.currentPlot, "ngSpice_CurPlot"))) {
            message = missing + library + " is not ngspice's shared library";
            Unload();
            return false;
        }
        Begin();
        api_.init(&Ngspice::OnOutput, nullptr, &Ngspice::OnExit, nullptr, nullptr, nullptr, this);
        if (exited_) {
            message = "ngspice stopped while starting" + Quoted();
            stopped_ = true;
            return false;
        }
        return true;
    }

    void Unload()
    {
        if (handle_) dlclose(handle_);
        handle_ = nullptr;
        api_ = {};
    }

    void Begin()
    {
        errors_.clear();
        exited_ = false;
    }

    // Whether the last call failed: ngspice stopped itself, or said "error"
    // on its error stream (it reports most failures only there).
    bool Failed(const std::string& what, std::string& message) const
    {
        if (exited_) {
            message = "ngspice stopped itself (status " + std::to_string(exitStatus_) + ")" + Quoted();
            return true;
        }
        for (const std::string& line : errors_) {
            if (ContainsError(line)) {
                message = what + Quoted();
                return true;
            }
        }
        return false;
    }

    // What ngspice said on its error stream, from its first error on.
    std::string Quoted() const
    {
        std::string text;
        std::size_t first = 0;
        while (first < errors_.size() && !ContainsError(errors_[first])) ++first;
        if (first == errors_.size()) first = 0;
        for (std::size_t i = first; i < errors_.size() && i < first + kQuotedLines; ++i)
            text += (text.empty() ? ": " : " / ") + errors_[i];
        return text;
    }

    void Read(const std::vector<std::string>& nodeNames, AcAnalysis& result)
    {
        const char* plot = api_.currentPlot();
        const std::string plotName = plot ? plot : "";
        if (plotName.rfind("ac", 0) != 0) {
            result.message = "ngspice ran no AC analysis";
            return;
        }
        // ngspice answers every query in the same place: each vector is
        // copied before the next is asked for.
        auto vector = [&](const std::string& name) -> pvector_info {
            pvector_info v = api_.vectorInfo(const_cast<char*>(name.c_str()));
            if (v && v->v_length > 0 && (v->v_compdata || v->v_realdata)) return v;
            return nullptr;
        };
        auto value = [](pvector_info v, int i) {
            return v->v_compdata ? std::complex<double>(v->v_compdata[i].cx_real, v->v_compdata[i].cx_imag)
                                 : std::complex<double>(v->v_realdata[i], 0);
        };
        const pvector_info frequency = vector("frequency");
        if (!frequency) {
            result.message = "ngspice returned no frequencies: the sweep holds no point";
            return;
        }
        const int points = frequency->v_length;
        for (int i = 0; i < points; ++i) result.freq.push_back(value(frequency, i).real());
        for (const std::string& name : nodeNames) {
            const pvector_info v = vector(name);
            if (!v || v->v_length != points) {
                result.message = "ngspice returned no voltages for node " + name;
                return;
            }
            auto& values = result.nodes.emplace_back();
            for (int i = 0; i < points; ++i) values.push_back(value(v, i));
        }
        result.ok = true;
    }

    // Removes the circuit and every result, so the next run starts clean.
    // An ngspice that stopped itself is never called again: it would end
    // the process. Unloading it would not help either, as what it keeps
    // would then be lost to the leak checker and to any handler it left.
    AcAnalysis& Finish(AcAnalysis& result)
    {
        if (!exited_) {
            api_.command(const_cast<char*>("remcirc"));
            api_.command(const_cast<char*>("destroy all"));
        }
        if (exited_) {
            if (result.ok || result.message.empty()) Failed("", result.message);
            result.ok = false;
            stopped_ = true;
        }
        if (!result.ok) {
            result.freq.clear();
            result.nodes.clear();
        }
        return result;
    }

    static int OnOutput(char* text, int, void* self)
    {
        // Each line comes prefixed with the stream it was written to.
        static constexpr std::string_view kErrorStream = "stderr ";
        const std::string_view line = text ? text : "";
        if (line.substr(0, kErrorStream.size()) == kErrorStream)
            static_cast<Ngspice*>(self)->errors_.push_back(Trim(std::string(line.substr(kErrorStream.size()))));
        return 0;
    }

    // ngspice asks to be unloaded: after "quit", or after an error it cannot
    // recover from. It never exits the process itself in shared mode.
    static int OnExit(int status, bool, bool, int, void* self)
    {
        auto* ngspice = static_cast<Ngspice*>(self);
        ngspice->exited_ = true;
        ngspice->exitStatus_ = status;
        return 0;
    }

    static constexpr const char* kStoppedEarlier =
        "ngspice stopped itself earlier in this run and cannot simulate again until the program is started anew";

    std::mutex mutex_;
    bool stopped_ = false; // ngspice asked to be unloaded
    void* handle_ = nullptr;
    Api api_;
    std::vector<std::string> errors_;
    bool exited_ = false;
    int exitStatus_ = 0;
};

} // namespace

AcAnalysis RunAcAnalysis(const std::string& netlist, const std::vector<std::string>& nodeNames)
{
    return Ngspice::Instance().Run(netlist, nodeNames);
}

} // namespace stelvane
