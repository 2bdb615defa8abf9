#include "spice/ngspice.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "spice/quote.h"

namespace stelvane {

namespace {

constexpr const char* kHelperName = "stelvane-ngspice";
// The designs' sweeps (2001 points, 22 nodes) answer in under a megabyte;
// an answer this large is a netlist asking for millions of points.
constexpr std::size_t kLargestAnswer = std::size_t{64} << 20;
// How often the wait looks at the clock and the stop flag.
constexpr int kPollMilliseconds = 20;
// The processor time allowed beyond the time limit: the wall clock is the
// limit, this only catches a helper the program no longer waits for.
constexpr rlim_t kExtraCpuSeconds = 2;
// The longest time limit a run takes (a year): beyond it the clock's arithmetic would overflow.
constexpr double kLongestSeconds = 3.2e7;

std::string Seconds(double seconds)
{
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, seconds).ptr);
}

// The library the helper is to load, with a name relative to the working
// folder made absolute (the helper works in a folder of its own).
std::string LibraryToLoad(bool& isDefault)
{
    const char* named = std::getenv(kNgspiceLibraryVariable);
    isDefault = !(named && *named);
    std::string library = isDefault ? kNgspiceLibrary : named;
    if (library.find('/') != std::string::npos && library.front() != '/') {
        std::error_code error;
        const auto here = std::filesystem::current_path(error);
        if (!error) library = (here / library).string();
    }
    return library;
}

std::string LibraryMessage(char kind, const std::string& library, bool isDefault, const std::string& why)
{
    std::string m = "ngspice is not available, so the design cannot be simulated: ";
    if (kind == 'N') {
        m += "'" + QuotedText(library) + "' is not ngspice's shared library";
    } else {
        m += "'" + QuotedText(library) + "' could not be loaded (" + QuotedText(why) + ")";
        if (library.find('/') == std::string::npos)
            m += "; a name without a folder is looked up on the system's library path, not in the working folder";
    }
    if (isDefault) m += " (install libngspice0)";
    return m;
}

// A fresh environment: nothing of the user's (no SPICE_* variables, no
// library or script paths) reaches ngspice.
std::vector<std::string> HelperEnvironment(const std::string& folder)
{
    return {"HOME=" + folder, "TMPDIR=" + folder, "PATH=/usr/bin:/bin", "LC_ALL=C"};
}

enum class Ending { Answered, TimedOut, Stopped, TooLarge };

struct HelperRun {
    Ending ending = Ending::Answered;
    int status = 0;
    std::string answer;
    std::string failure;  // the helper could not be started
};

// Runs the helper with the netlist on its standard input and collects its
// answer, killing it (and anything it started) at the deadline or on stop.
HelperRun RunHelper(const std::string& helper, const std::vector<std::string>& arguments, const std::string& input,
    const SimulationLimits& limits)
{
    HelperRun run;
    char folderTemplate[] = "/tmp/stelvane-ngspice-XXXXXX";
    if (!mkdtemp(folderTemplate)) {
        run.failure = std::string("no private folder could be made for it in /tmp (") + std::strerror(errno) + ")";
        return run;
    }
    const std::string folder = folderTemplate;
    struct FolderRemover {
        std::string path;
        ~FolderRemover()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } remover{folder};

    // One socket both ways: writing to it never raises SIGPIPE (MSG_NOSIGNAL).
    int sockets[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        run.failure = std::string("no connection to it could be made (") + std::strerror(errno) + ")";
        return run;
    }
    // Everything the child needs is made before fork: after it, a program
    // with threads may only make calls that are safe in a signal handler.
    std::vector<std::string> argStrings{helper};
    argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
    const std::vector<std::string> envStrings = HelperEnvironment(folder);
    std::vector<char*> argv, envp;
    for (auto& a : argStrings) argv.push_back(const_cast<char*>(a.c_str()));
    for (auto& e : envStrings) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const rlim_t memory = limits.memoryBytes;
    const rlim_t cpu = static_cast<rlim_t>(limits.seconds) + kExtraCpuSeconds;
    const pid_t parent = getpid();

    const pid_t pid = fork();
    if (pid < 0) {
        run.failure = std::string("it could not be started (") + std::strerror(errno) + ")";
        close(sockets[0]);
        close(sockets[1]);
        return run;
    }
    if (pid == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        const int null = open("/dev/null", O_RDWR);
        if (dup2(sockets[1], STDIN_FILENO) < 0 || dup2(sockets[1], STDOUT_FILENO) < 0 ||
            dup2(null, STDERR_FILENO) < 0 || chdir(folderTemplate) != 0)
            _exit(127);
        close_range(3, ~0U, 0);
        const rlimit as{memory, memory}, cpuTime{cpu, cpu}, none{0, 0};
        setrlimit(RLIMIT_AS, &as);
        setrlimit(RLIMIT_CPU, &cpuTime);
        setrlimit(RLIMIT_FSIZE, &none);
        setrlimit(RLIMIT_CORE, &none);
        sigset_t all;
        sigemptyset(&all);
        sigprocmask(SIG_SETMASK, &all, nullptr);
        for (const int sig : {SIGPIPE, SIGINT, SIGTERM, SIGXFSZ, SIGXCPU}) signal(sig, SIG_DFL);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(sockets[1]);
    const int fd = sockets[0];
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);

    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limits.seconds));
    std::size_t written = 0;
    bool writing = !input.empty(), reading = true;
    if (!writing) shutdown(fd, SHUT_WR);
    siginfo_t info{};
    auto ended = [&] {
        info.si_pid = 0;
        return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
    };
    // Takes what the socket holds; false when the answer grew too large.
    auto drain = [&] {
        char buffer[65536];
        for (;;) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) run.answer.append(buffer, static_cast<std::size_t>(n));
            if (run.answer.size() > kLargestAnswer) return false;
            if (n == 0 || (n < 0 && errno != EINTR)) {
                if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) reading = false;
                return true;
            }
        }
    };
    // Until the helper has ended: whatever it wrote is then in the socket,
    // even when something it started still holds the other end open.
    for (;;) {
        if (limits.stop && limits.stop->load()) {
            run.ending = Ending::Stopped;
            break;
        }
        if (Clock::now() >= deadline) {
            run.ending = Ending::TimedOut;
            break;
        }
        const bool done = ended();
        pollfd p{fd, static_cast<short>((reading ? POLLIN : 0) | (writing ? POLLOUT : 0)), 0};
        // once the answer is in, the helper is about to end: looked at every millisecond
        poll(&p, reading || writing ? 1 : 0, done ? 0 : reading || writing ? kPollMilliseconds : 1);
        if (writing && (p.revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = send(fd, input.data() + written, input.size() - written, MSG_NOSIGNAL);
            if (n > 0) written += static_cast<std::size_t>(n);
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size()) {
                shutdown(fd, SHUT_WR);
                writing = false;
            }
        }
        if (reading && (done || (p.revents & (POLLIN | POLLERR | POLLHUP))) && !drain()) {
            run.ending = Ending::TooLarge;
            break;
        }
        if (done) break;
    }
    close(fd);
    // The helper's process group: ngspice may have started programs of its own.
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
    while (waitpid(pid, &run.status, 0) < 0 && errno == EINTR) {}
    return run;
}

std::string AbnormalEnd(int status)
{
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        std::string m = "ngspice ended abnormally (signal " + std::to_string(signal) + ")";
        if (signal == SIGXCPU) m += ": it used up its processor time";
        if (signal == SIGXFSZ) m += ": it tried to write a file";
        return m;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return "ngspice's helper program could not be started";
    return "ngspice ended abnormally (exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) +
        "), perhaps out of the memory it is allowed";
}

// The helper's 'R' answer: the counts, the frequencies and every node.
bool ReadResult(const std::string& body, std::size_t nodeCount, AcAnalysis& result)
{
    std::uint32_t counts[2];
    if (body.size() < sizeof counts) return false;
    std::memcpy(counts, body.data(), sizeof counts);
    const std::size_t points = counts[0];
    if (counts[1] != nodeCount || points == 0 ||
        body.size() != sizeof counts + sizeof(double) * points * (1 + 2 * nodeCount))
        return false;
    const char* p = body.data() + sizeof counts;
    auto next = [&p] {
        double value;
        std::memcpy(&value, p, sizeof value);
        p += sizeof value;
        return value;
    };
    result.freq.resize(points);
    for (double& f : result.freq) f = next();
    result.nodes.assign(nodeCount, std::vector<std::complex<double>>(points));
    for (auto& node : result.nodes)
        for (auto& value : node) {
            const double re = next();
            value = {re, next()};
        }
    result.ok = true;
    return true;
}

}  // namespace

std::string SimulationHelperPath()
{
    std::vector<std::filesystem::path> candidates;
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        candidates.push_back(self.parent_path() / kHelperName);
        candidates.push_back(self.parent_path() / ".." / "libexec" / "stelvane" / kHelperName);
    }
#ifdef STELVANE_NGSPICE_HELPER
    candidates.emplace_back(STELVANE_NGSPICE_HELPER);
#endif
    for (const auto& path : candidates)
        if (std::filesystem::is_regular_file(path, error) && access(path.c_str(), X_OK) == 0) return path.string();
    return {};
}

AcAnalysis RunAcAnalysis(
    const std::string& netlist, const std::vector<std::string>& nodeNames, const SimulationLimits& requested)
{
    AcAnalysis result;
    SimulationLimits limits = requested;
    // a limit that is no time at all, or none, is the default
    if (!(limits.seconds > 0 && limits.seconds <= kLongestSeconds)) limits.seconds = SimulationLimits{}.seconds;
    const std::string helper = SimulationHelperPath();
    if (helper.empty()) {
        result.message = std::string("ngspice cannot be run: its helper program ") + kHelperName +
            " is missing beside the program and in ../libexec/stelvane/";
        return result;
    }
    bool isDefault = true;
    const std::string library = LibraryToLoad(isDefault);
    std::vector<std::string> arguments{library};
    arguments.insert(arguments.end(), nodeNames.begin(), nodeNames.end());
    const HelperRun run = RunHelper(helper, arguments, netlist, limits);
    if (!run.failure.empty()) {
        result.message = "ngspice cannot be run: " + run.failure;
        return result;
    }
    switch (run.ending) {
    case Ending::TimedOut:
        result.message = "ngspice took longer than " + Seconds(limits.seconds) + " s and was stopped";
        return result;
    case Ending::Stopped: result.message = "The simulation was stopped"; return result;
    case Ending::TooLarge:
        result.message = "ngspice's results grew larger than " + std::to_string(kLargestAnswer >> 20) +
            " MiB and it was stopped: the sweep holds too many points";
        return result;
    case Ending::Answered: break;
    }
    const std::string body = run.answer.empty() ? "" : run.answer.substr(1);
    const char kind = run.answer.empty() ? '\0' : run.answer[0];
    if (kind == 'R' && ReadResult(body, nodeNames.size(), result)) return result;
    if (kind == 'E')
        result.message = body;
    else if (kind == 'L' || kind == 'N')
        result.message = LibraryMessage(kind, library, isDefault, body);
    else if (run.answer.empty() && !(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 0))
        result.message = AbnormalEnd(run.status);
    else
        result.message = "ngspice's helper program gave an answer that could not be read";
    result.freq.clear();
    result.nodes.clear();
    return result;
}

}  // namespace stelvane
