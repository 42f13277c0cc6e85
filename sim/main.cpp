// qt71dr-sim: a virtual QT-71DR on a pseudo-terminal, for trying the adjustment program
// without a radio.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "monitor_server.h"
#include "pty_server.h"
#include "service_monitor.h"
#include "sim_options.h"
#include "virtual_radio.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitBadOptions = 2;

volatile std::sig_atomic_t gStop = 0;

void onStopSignal(int) {
    gStop = 1;
}

void installSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Delivered only while the serving loop sleeps, so no wake-up is ever missed.
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigprocmask(SIG_BLOCK, &blocked, nullptr);
}

int badOptions(const std::string& why) {
    std::cerr << "qt71dr-sim: " << why << "\nTry 'qt71dr-sim --help'.\n";
    return kExitBadOptions;
}

void logLine(const std::string& line) {
    using namespace std::chrono;
    static const auto start = steady_clock::now();
    const double seconds = duration<double>(steady_clock::now() - start).count();
    std::fprintf(stderr, "[%9.3f] %s\n", seconds, line.c_str());
}

// The same line with the monotonic clock's own reading, which a benchmark can compare with
// the times it takes itself.
void logLineMonotonic(const std::string& line) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::fprintf(stderr, "[%ld.%06ld] %s\n", static_cast<long>(now.tv_sec),
                 static_cast<long>(now.tv_nsec / 1000), line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    qtsim::SimOptions options;
    std::string error;
    const std::vector<std::string> args(argv + 1, argv + argc);
    switch (qtsim::parseOptions(args, options, &error)) {
        case qtsim::ParseOutcome::Help:
            std::cout << qtsim::usageText();
            return kExitOk;
        case qtsim::ParseOutcome::Version:
            std::cout << qtsim::versionText();
            return kExitOk;
        case qtsim::ParseOutcome::Error:
            return badOptions(error);
        case qtsim::ParseOutcome::Run:
            break;
    }
    if (!qtsim::VirtualRadio::validate(options.radio, &error)) return badOptions(error);

    qtsim::MemoryImage image = qtsim::MemoryImage::builtIn();
    if (!options.imagePath.empty() && !image.loadFile(options.imagePath, &error)) {
        return badOptions(error);
    }

    qtsim::VirtualRadio radio(options.radio, image);
    qtsim::PtyServer server(radio);
    server.setArrival(options.arrival);
    if (options.verbose) {
        const auto log = options.logMonotonic ? logLineMonotonic : logLine;
        radio.setFrameLog(log);
        server.setLog(log);
    }
    installSignals();
    if (!server.open(&error)) {
        std::cerr << "qt71dr-sim: " << error << "\n";
        return kExitFailure;
    }
    if (!options.linkPath.empty() && !server.makeLink(options.linkPath, &error)) {
        std::cerr << "qt71dr-sim: " << error << "\n";
        return kExitFailure;
    }
    std::unique_ptr<qtsim::ServiceMonitor> monitor;
    std::unique_ptr<qtsim::MonitorServer> monitorServer;
    if (options.monitorPort >= 0) {
        monitor = std::make_unique<qtsim::ServiceMonitor>(radio);
        monitorServer = std::make_unique<qtsim::MonitorServer>(*monitor);
        if (!monitorServer->listen(options.monitorPort, &error)) {
            std::cerr << "qt71dr-sim: " << error << "\n";
            return kExitFailure;
        }
        if (options.verbose) monitorServer->setLog(options.logMonotonic ? logLineMonotonic : logLine);
        server.setCompanion(monitorServer.get());
    }
    std::cout << server.devicePath() << std::endl;
    if (monitorServer) std::cout << "monitor " << monitorServer->resource() << std::endl;

    const bool served = server.run(gStop);

    if (!options.saveImagePath.empty() && !radio.image().saveFile(options.saveImagePath, &error)) {
        std::cerr << "qt71dr-sim: " << error << "\n";
        return kExitFailure;
    }
    return served ? kExitOk : kExitFailure;
}
