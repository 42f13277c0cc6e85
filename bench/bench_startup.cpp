// Start-up time of the Qt program to its first shown window, offscreen. The program is run
// with its automation switched on ("report;close"): the automation starts when the window
// is shown and reports one step interval (250 ms) later, so the time to the first report
// line minus that interval is the time to the shown window.
//
//   bench_startup PATH-TO-qs71dr-adj-automated [--runs=5]   (the test build, with the automation)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_figures.h"

namespace {

using namespace qs::bench;

constexpr double kAutomationStepMs = 250.0;
constexpr double kStartupBoundMs = 1000.0;

// Milliseconds to the first line on standard output (negative on failure) and to the end.
bool RunOnce(const std::string& program, double& firstLineMs, double& exitMs) {
    char folder[] = "/tmp/qs-bench-startup-XXXXXX";
    if (mkdtemp(folder) == nullptr) return false;
    const std::string scratch = folder;
    int out[2];
    if (pipe(out) != 0) return false;
    const double start = WallSeconds();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        setenv("QS71DR_ADJ_AUTOMATE", "report;close", 1);
        // The program saves its settings on closing: into a folder of the benchmark's own,
        // never the caller's.
        setenv("XDG_CONFIG_HOME", scratch.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    firstLineMs = -1;
    char c = 0;
    while (read(out[0], &c, 1) == 1) {
        if (c == '\n' && firstLineMs < 0) firstLineMs = (WallSeconds() - start) * 1000;
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    exitMs = (WallSeconds() - start) * 1000;
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return firstLineMs >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') {
        std::printf("start-up to the first shown window: skipped (no program given)\n");
        return 0;
    }
    const std::string program = argv[1];
    const long runs = OptionValue(argc, argv, "runs", 5);
    std::vector<double> shown;
    std::vector<double> whole;
    for (long i = 0; i < runs; ++i) {
        double firstLineMs = 0;
        double exitMs = 0;
        if (!RunOnce(program, firstLineMs, exitMs)) {
            std::printf("start-up run %ld failed (%s)\n", i + 1, program.c_str());
            return 1;
        }
        shown.push_back(firstLineMs - kAutomationStepMs);
        whole.push_back(exitMs);
    }
    std::printf("start-up of %s, offscreen, %ld runs\n", program.c_str(), runs);
    PrintFigure("start-up to first shown window, median", Percentile(shown, 50), kStartupBoundMs,
                "ms");
    PrintNote("  start, show, report and close, median", Percentile(whole, 50), "ms");
    return 0;
}
