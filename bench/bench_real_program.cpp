// The real program as a technician meets it: qs71dr-adj on an X display (Xvfb), bound to
// qt71dr-sim over a pseudo-terminal. --adj names its test build (qs71dr-adj-automated), whose
// automation presses Connect; the keys go to the window through XTest. Everything is measured from outside the program:
//   - start-up: from starting the process to its window being shown on the X server;
//   - the clone read: processor time of the program (/proc/PID/stat, user + system) during a
//     read paced at 9600 bit/s, and the time it adds to the read's line time;
//   - idle: processor time with the console open and no traffic, and beside it the same for
//     an empty Qt window with a 50 ms timer (--reference, bench_idle_reference): the floor
//     of any program built like this one on the machine;
//   - key to wire: Right/Left key presses sent with XTest on " Power(Hi)"; each press's
//     time is taken just before the event goes to the X server, and the time of its
//     adjustment command on the wire from the virtual radio's own log; both are
//     CLOCK_MONOTONIC;
//   - peak resident memory of the program after the whole session.
//
//   bench_real_program --adj=PATH --sim=PATH [--keys=200] [--idle-seconds=30]
//                      [--block-size=16] [--startup-runs=5] [--reference=PATH]
//                      [--arrival=byte|chunks[=N/M]|bursts[=N/M]]  (how the radio's bytes
//                      reach the program; qt71dr-sim --help)
// Needs DISPLAY (scripts/bench.sh runs it under xvfb-run).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_figures.h"

namespace {

using namespace qs::bench;

constexpr const char* kWindowTitle = "QS-71DR ADJ Rev.1.0";
constexpr double kStartupBoundMs = 300;
constexpr double kReadCpuBound = 0.005;
constexpr double kReadAddedBoundMs = 100;
// Idle is bounded above the floor that an empty Qt window with the same timer sets here.
constexpr double kIdleAboveFloorBound = 0.001;
constexpr double kKeyToWireBoundMs = 5;
constexpr double kPeakRssBoundMiB = 40;
constexpr double kBitsPerByte = 10;
// Past the 200 ms wait after a Power(Hi) command, so that no wait holds a press back.
constexpr int kKeySpacingMs = 300;
constexpr int kQuietMs = 2000;

double Monotonic() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void SleepMs(double ms) {
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long>(ms * 1000)));
}

std::string OptionText(int argc, char** argv, const std::string& name) {
    const std::string prefix = "--" + name + "=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
            return argv[i] + prefix.size();
        }
    }
    return {};
}

// User + system processor time of a process, in seconds.
double CpuSecondsOf(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double utime = 0;
    double stime = 0;
    // Field 3 is the state; utime and stime are fields 14 and 15.
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stod(field);
        if (i == 15) stime = std::stod(field);
    }
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The share of one processor a process uses over the next few seconds of wall time.
double ProcessorShareOver(pid_t pid, long seconds) {
    const double cpuStart = CpuSecondsOf(pid);
    const double start = Monotonic();
    SleepMs(static_cast<double>(seconds) * 1000);
    return (CpuSecondsOf(pid) - cpuStart) / (Monotonic() - start);
}

long StatusKiB(pid_t pid, const std::string& key) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) return std::atol(line.c_str() + key.size() + 1);
    }
    return -1;
}

struct Child {
    pid_t pid = -1;
    int out = -1;  // standard output
    int err = -1;  // standard error
};

Child Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return {};
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        close(err[0]);
        close(err[1]);
        for (const std::string& e : env)
            putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    child.out = out[0];
    child.err = err[0];
    return child;
}

void Stop(Child& child) {
    if (child.pid <= 0) return;
    kill(child.pid, SIGTERM);
    int status = 0;
    waitpid(child.pid, &status, 0);
    if (child.out >= 0) close(child.out);
    if (child.err >= 0) close(child.err);
    child = {};
}

// Reads a descriptor line by line on a thread of its own, dropping the lines, so that the
// child never blocks on a full pipe.
void Drain(int fd) {
    std::thread([fd] {
        char buffer[4096];
        while (read(fd, buffer, sizeof buffer) > 0) {
        }
    }).detach();
}

std::string ReadLine(int fd) {
    std::string line;
    char c = 0;
    while (read(fd, &c, 1) == 1 && c != '\n')
        line.push_back(c);
    return line;
}

// The virtual radio's frame log, with the monotonic time of each line.
class RadioLog {
public:
    struct Line {
        double time;
        std::string text;
    };

    explicit RadioLog(int fd) {
        std::thread([this, fd] { Run(fd); }).detach();
    }

    // Index of the first line at or after `from` that `match` accepts, waiting up to
    // `timeoutS`; -1 when none came.
    long WaitFor(std::size_t from, const std::function<bool(const Line&)>& match, double timeoutS) {
        std::unique_lock<std::mutex> lock(mutex_);
        const double end = Monotonic() + timeoutS;
        for (std::size_t i = from;;) {
            for (; i < lines_.size(); ++i) {
                if (match(lines_[i])) return static_cast<long>(i);
            }
            if (Monotonic() > end) return -1;
            changed_.wait_for(lock, std::chrono::milliseconds(20));
        }
    }
    // Waits until no line has come for `quietMs`.
    void WaitQuiet(double quietMs) {
        for (;;) {
            SleepMs(quietMs / 4);
            std::lock_guard<std::mutex> lock(mutex_);
            if (lastLineAt_ > 0 && (Monotonic() - lastLineAt_) * 1000 >= quietMs) return;
        }
    }
    std::vector<Line> Lines() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    std::size_t Size() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_.size();
    }

private:
    void Run(int fd) {
        std::string pending;
        char buffer[4096];
        ssize_t n = 0;
        while ((n = read(fd, buffer, sizeof buffer)) > 0) {
            pending.append(buffer, static_cast<std::size_t>(n));
            std::size_t eol = 0;
            std::lock_guard<std::mutex> lock(mutex_);
            while ((eol = pending.find('\n')) != std::string::npos) {
                const std::string text = pending.substr(0, eol);
                pending.erase(0, eol + 1);
                const auto close = text.find("] ");
                if (text.empty() || text[0] != '[' || close == std::string::npos) continue;
                lines_.push_back({std::atof(text.c_str() + 1), text.substr(close + 2)});
                lastLineAt_ = Monotonic();
            }
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Line> lines_;
    double lastLineAt_ = 0;
};

bool FromProgram(const RadioLog::Line& line, const char* command) {
    return line.text.rfind(std::string("program -> radio: FE FE EE EF ") + command, 0) == 0;
}

// Bytes of a logged frame ("FE FE ... FD").
std::size_t FrameBytes(const std::string& text) {
    const auto colon = text.find(": ");
    if (colon == std::string::npos) return 0;
    return (text.size() - colon - 2 + 1) / 3;
}

// The program's top-level window with the given title, shown; 0 when there is none.
Window FindShownWindow(Display* display, const char* title) {
    Window root = DefaultRootWindow(display);
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name != nullptr) {
            XWindowAttributes attributes{};
            if (std::strcmp(name, title) == 0 &&
                XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable) {
                found = children[i];
            }
            XFree(name);
        }
    }
    if (children != nullptr) XFree(children);
    return found;
}

Window WaitForWindow(Display* display, double timeoutS) {
    const double end = Monotonic() + timeoutS;
    while (Monotonic() < end) {
        if (Window w = FindShownWindow(display, kWindowTitle)) return w;
        SleepMs(1);
    }
    return 0;
}

void PressKey(Display* display, KeySym key) {
    const KeyCode code = XKeysymToKeycode(display, key);
    XTestFakeKeyEvent(display, code, True, CurrentTime);
    XTestFakeKeyEvent(display, code, False, CurrentTime);
    XFlush(display);
}

std::vector<std::string> ProgramEnvironment(const std::string& home, const char* automation) {
    std::vector<std::string> env{"HOME=" + home, "XDG_DATA_HOME=" + home + "/data",
                                 "XDG_CONFIG_HOME=" + home + "/config"};
    if (automation != nullptr) env.push_back(std::string("QS71DR_ADJ_AUTOMATE=") + automation);
    return env;
}

// Process start to the window shown on the X server, in milliseconds; negative on failure.
double StartupOnce(Display* display, const std::string& adj, const std::string& home) {
    const double start = Monotonic();
    Child child = Spawn({adj}, ProgramEnvironment(home, nullptr));
    Drain(child.out);
    Drain(child.err);
    const Window window = WaitForWindow(display, 10);
    const double ms = (Monotonic() - start) * 1000;
    Stop(child);
    return window != 0 ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string adj = OptionText(argc, argv, "adj");
    const std::string sim = OptionText(argc, argv, "sim");
    const long keys = OptionValue(argc, argv, "keys", 200);
    const long idleSeconds = OptionValue(argc, argv, "idle-seconds", 30);
    const long blockSize = OptionValue(argc, argv, "block-size", 16);
    const long startupRuns = OptionValue(argc, argv, "startup-runs", 5);
    const std::string reference = OptionText(argc, argv, "reference");
    // Another speed only for trying the benchmark out; the bounds are for 9600 bit/s.
    const long baud = OptionValue(argc, argv, "baud", 9600);
    std::string arrival = OptionText(argc, argv, "arrival");
    if (arrival.empty()) arrival = "byte";
    if (adj.empty() || sim.empty()) {
        std::printf("real program benchmark: skipped (--adj and --sim needed)\n");
        return 0;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::printf("real program benchmark: skipped (no X display; run under xvfb-run)\n");
        return 0;
    }
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        std::printf("real program benchmark: skipped (the X server has no XTest)\n");
        return 0;
    }
    char homeTemplate[] = "/tmp/bench-real-XXXXXX";
    const std::string home = mkdtemp(homeTemplate);
    signal(SIGPIPE, SIG_IGN);

    std::printf("real program: %s, arrival %s\n", adj.c_str(), arrival.c_str());

    // Start-up, a few times; the median counts.
    std::vector<double> startups;
    for (long i = 0; i < startupRuns; ++i) {
        const double ms = StartupOnce(display, adj, home);
        if (ms < 0) {
            std::printf("start-up run %ld: no window within 10 s\n", i + 1);
            return 1;
        }
        startups.push_back(ms);
        SleepMs(200);
    }
    PrintFigure(
        "start-up to the window shown on the X server, median of " + std::to_string(startupRuns),
        Percentile(startups, 50), kStartupBoundMs, "ms");

    // The session: the virtual radio, then the program bound to it, Connect clicked.
    Child radio =
        Spawn({sim, "--verbose", "--log-monotonic", "--block-size=" + std::to_string(blockSize),
               "--baud=" + std::to_string(baud), "--arrival=" + arrival},
              {});
    const std::string device = ReadLine(radio.out);
    Drain(radio.out);
    RadioLog log(radio.err);
    Child program =
        Spawn({adj, "--port", "1=" + device}, ProgramEnvironment(home, "pause;button:0"));
    Drain(program.out);
    Drain(program.err);

    const long request = log.WaitFor(
        0, [](const auto& l) { return FromProgram(l, "E2"); }, 30);
    if (request < 0) {
        std::printf("the program did not ask for a clone read\n");
        Stop(program);
        Stop(radio);
        return 1;
    }
    const double readStart = log.Lines()[static_cast<std::size_t>(request)].time;
    const double readCpuStart = CpuSecondsOf(program.pid);
    const long next = log.WaitFor(
        static_cast<std::size_t>(request) + 1, [](const auto& l) { return FromProgram(l, "E8"); },
        600);
    const double readCpuEnd = CpuSecondsOf(program.pid);
    if (next < 0) {
        std::printf("the clone read did not end\n");
        Stop(program);
        Stop(radio);
        return 1;
    }
    const std::vector<RadioLog::Line> readLines = log.Lines();
    const double readEnd = readLines[static_cast<std::size_t>(next)].time;
    // The line carries the request's echo and every frame the radio sent for the read.
    std::size_t lineBytes = FrameBytes(readLines[static_cast<std::size_t>(request)].text);
    for (long i = request + 1; i < next; ++i) {
        const std::string& text = readLines[static_cast<std::size_t>(i)].text;
        if (text.rfind("radio -> program: ", 0) == 0) lineBytes += FrameBytes(text);
    }
    const double lineSeconds =
        static_cast<double>(lineBytes) * kBitsPerByte / static_cast<double>(baud);
    const double readSeconds = readEnd - readStart;
    std::printf("clone read at %ld bit/s, %ld-byte blocks: %zu bytes on the line\n", baud,
                blockSize, lineBytes);
    PrintNote("  read, request to the program's next frame", readSeconds, "s");
    PrintFigure("  time the program adds to the read's line time",
                (readSeconds - lineSeconds) * 1000, kReadAddedBoundMs, "ms");
    PrintFigure("  processor use of the program during the read",
                (readCpuEnd - readCpuStart) / readSeconds * 100, kReadCpuBound * 100, "%");

    // Every item is sent once after the read; then the console is open and the line quiet.
    log.WaitQuiet(kQuietMs);
    const double idleFraction = ProcessorShareOver(program.pid, idleSeconds);
    PrintNote("idle processor use, console open, " + std::to_string(idleSeconds) + " s",
              idleFraction * 100, "%");
    if (!reference.empty()) {
        Child empty = Spawn({reference}, {});
        Drain(empty.out);
        Drain(empty.err);
        SleepMs(3000);
        const double emptyFraction = ProcessorShareOver(empty.pid, idleSeconds);
        Stop(empty);
        PrintNote("  the same for an empty Qt window with a 50 ms timer (the floor here)",
                  emptyFraction * 100, "%");
        PrintFigure("  idle above that floor", (idleFraction - emptyFraction) * 100,
                    kIdleAboveFloorBound * 100, "%");
    }

    // Key presses on " Power(Hi)" (row 1; the console selects row 0 when it takes the focus).
    const Window window = FindShownWindow(display, kWindowTitle);
    if (window == 0) {
        std::printf("the program's window is gone\n");
        Stop(program);
        Stop(radio);
        return 1;
    }
    XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    XFlush(display);
    SleepMs(300);
    PressKey(display, XK_Down);
    SleepMs(kKeySpacingMs);
    const std::size_t keysFrom = log.Size();
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> jitter(0, 50);
    std::vector<double> pressedAt;
    for (long i = 0; i < keys; ++i) {
        const KeySym key = (i % 2 == 0) ? XK_Right : XK_Left;
        pressedAt.push_back(Monotonic());
        PressKey(display, key);
        // A random phase against the program's 50 ms heartbeat.
        SleepMs(kKeySpacingMs + jitter(random));
    }
    SleepMs(500);
    const std::vector<RadioLog::Line> lines = log.Lines();
    std::vector<const RadioLog::Line*> commands;
    for (std::size_t i = keysFrom; i < lines.size(); ++i) {
        // FE FE EE EF E8, model and sub code, then command 09 (Power(Hi)).
        if (FromProgram(lines[i], "E8 30 17 01 02 09")) commands.push_back(&lines[i]);
    }
    std::vector<double> latencies;
    std::size_t c = 0;
    for (double pressed : pressedAt) {
        while (c < commands.size() && commands[c]->time < pressed)
            ++c;
        if (c == commands.size()) break;
        latencies.push_back((commands[c]->time - pressed) * 1000);
        ++c;
    }
    std::printf("key to wire: %ld presses, %zu adjustment commands on the wire\n", keys,
                commands.size());
    if (latencies.size() != static_cast<std::size_t>(keys)) {
        std::printf("  some presses put no command on the wire\n");
    }
    PrintFigure("  key press to adjustment command on the wire, median", Percentile(latencies, 50),
                kKeyToWireBoundMs, "ms");
    PrintFigure("  key press to adjustment command on the wire, 99th percentile",
                Percentile(latencies, 99), kKeyToWireBoundMs, "ms");
    PrintNote("  key press to adjustment command on the wire, maximum", Percentile(latencies, 100),
              "ms");

    const long peakKiB = StatusKiB(program.pid, "VmHWM");
    PrintFigure("peak resident memory of the program after the session",
                static_cast<double>(peakKiB) / 1024, kPeakRssBoundMiB, "MiB");

    Stop(program);
    Stop(radio);
    XCloseDisplay(display);
    return 0;
}
