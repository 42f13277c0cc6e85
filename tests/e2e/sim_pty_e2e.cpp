// Starts qt71dr-sim, opens its device like a serial port, identifies the radio, reads its
// whole memory, adjusts one setting, closes the device, opens it again and identifies once
// more; then stops the simulator and checks the image it saved. Every wait has a deadline,
// and an alarm ends the whole run if anything still hangs.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "memory_image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr int kWholeRunLimitSeconds = 60;
constexpr int kAnswerDeadlineMs = 5000;
constexpr int kCloneReadDeadlineMs = 30000;

pid_t gSim = -1;
int gFailures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++gFailures;
}

[[noreturn]] void giveUp(const std::string& why) {
    std::printf("FAIL: %s\n", why.c_str());
    if (gSim > 0) kill(gSim, SIGKILL);
    std::exit(1);
}

void onAlarm(int) {
    if (gSim > 0) kill(gSim, SIGKILL);
    static const char kText[] = "FAIL: the run took too long\n";
    (void)!write(STDOUT_FILENO, kText, sizeof(kText) - 1);
    _exit(1);
}

int hexValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int pair(const Bytes& b, std::size_t i) {
    const int h = hexValue(b[i]), l = hexValue(b[i + 1]);
    return h < 0 || l < 0 ? -1 : h * 16 + l;
}

// Reads from `fd` until `done(received)` says so or the deadline passes.
template <typename Done>
Bytes readUntil(int fd, int deadlineMs, Done done) {
    Bytes got;
    const auto end = Clock::now() + std::chrono::milliseconds(deadlineMs);
    while (!done(got)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        std::uint8_t buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n > 0) got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

void writeAll(int fd, const Bytes& bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + at, bytes.size() - at);
        if (n > 0) {
            at += static_cast<std::size_t>(n);
        } else {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
}

// Radio frame bodies (between FE and FD) after the first `skip` bytes (the echo).
std::vector<Bytes> bodies(const Bytes& stream, std::size_t skip) {
    std::vector<Bytes> out;
    Bytes body;
    bool in = false;
    for (std::size_t i = skip; i < stream.size(); ++i) {
        const std::uint8_t b = stream[i];
        if (b == 0xFE) {
            in = true;
            body.clear();
        } else if (b == 0xFD) {
            if (in && !body.empty()) out.push_back(body);
            in = false;
        } else if (in) {
            body.push_back(b);
        }
    }
    return out;
}

bool endsWithFrame(const Bytes& got, std::size_t minBytes, std::uint8_t command) {
    if (got.size() < minBytes || got.back() != 0xFD) return false;
    const auto b = bodies(got, 0);
    return !b.empty() && b.back().size() >= 3 && b.back()[2] == command;
}

int openDevice(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) giveUp("cannot open " + path);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

void identify(int fd, const std::string& when) {
    const Bytes request{0xFE, 0xFE, 0xEE, 0xEF, 0xE0, 0x30, 0x17, 0x00, 0x00, 0xFD};
    writeAll(fd, request);
    const Bytes got = readUntil(fd, kAnswerDeadlineMs, [&](const Bytes& g) {
        return endsWithFrame(g, request.size() + 72, 0xE1);
    });
    check(got.size() >= request.size() && Bytes(got.begin(), got.begin() + 10) == request,
          when + ": the echo comes back first, unchanged");
    const auto answers = bodies(got, request.size());
    const bool one = answers.size() == 1 && answers[0].size() == 69;
    check(one, when + ": one identification answer of 69 bytes");
    if (!one) return;
    const Bytes& a = answers[0];
    check(a[2] == 0xE1 && a[3] == 0x30 && a[4] == 0x17 && a[5] == 0x01 && a[6] == 0x02,
          when + ": model 3017, sub code 0102");
    check(a[7] == 62 && a[42] == 0x01, when + ": count and format byte");
    check(Bytes(a.begin() + 65, a.end()) == Bytes{'7', 'D', '6', 'F'},
          when + ": last address 7D6F");
}

void cloneRead(int fd) {
    const Bytes request{0xFE, 0xFE, 0xEE, 0xEF, 0xE2, 0x30, 0x17, 0x01, 0x02, 0xFD};
    writeAll(fd, request);
    const Bytes got = readUntil(fd, kCloneReadDeadlineMs, [&](const Bytes& g) {
        return endsWithFrame(g, 10 + 2007 * 46 + 17, 0xE5);
    });
    Bytes image;
    int blocks = 0;
    bool wellFormed = true;
    int endCount = -1;
    for (const Bytes& body : bodies(got, request.size())) {
        if (body.size() == 14 && body[2] == 0xE5) {
            endCount = pair(body, 12);
            continue;
        }
        if (body.size() < 13 || body.size() % 2 == 0 || body[2] != 0xE4) {
            wellFormed = false;
            continue;
        }
        unsigned sum = 0;
        Bytes values;
        for (std::size_t i = 3; i + 1 < body.size(); i += 2)
            values.push_back(pair(body, i));
        for (auto v : values)
            sum += v;
        const int address = values[0] * 256 + values[1];
        wellFormed = wellFormed && sum % 256 == 0 && address == int(image.size()) &&
                     values[2] == values.size() - 4;
        image.insert(image.end(), values.begin() + 3, values.end() - 1);
        ++blocks;
    }
    check(wellFormed, "clone read: every block checks out, in address order");
    check(blocks == 2007 && endCount == 2007 % 256, "clone read: 2007 blocks, end count D7");
    check(image == qtsim::MemoryImage::builtIn().bytes(),
          "clone read: the image equals the built-in one");
}

void rawLine(int fd) {
    // Control characters a cooked terminal would eat or translate.
    const Bytes junk{0xFE, 0xFE, 0x01, 0x02, 0x03, 0x0D, 0x0A, 0x11, 0x13, 0x7F, 0x1A, 0x04, 0xFD};
    writeAll(fd, junk);
    const Bytes got =
        readUntil(fd, kAnswerDeadlineMs, [&](const Bytes& g) { return g.size() >= junk.size(); });
    check(got == junk, "raw line: control characters come back unchanged, nothing more");
}

std::string readFirstLine(int fd) {
    std::string line;
    const Bytes got = readUntil(fd, kAnswerDeadlineMs, [](const Bytes& g) {
        for (auto c : g) {
            if (c == '\n') return true;
        }
        return false;
    });
    for (auto c : got) {
        if (c == '\n') break;
        line.push_back(static_cast<char>(c));
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sim_pty_e2e PATH-TO-qt71dr-sim\n");
        return 2;
    }
    signal(SIGALRM, onAlarm);
    alarm(kWholeRunLimitSeconds);

    char dir[] = "/tmp/qtsim-e2e-XXXXXX";
    if (mkdtemp(dir) == nullptr) giveUp("cannot make a temporary directory");
    const std::string link = std::string(dir) + "/radio";
    const std::string saved = std::string(dir) + "/saved.bin";

    int out[2];
    if (pipe(out) != 0) giveUp("pipe");
    gSim = fork();
    if (gSim == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(argv[1], argv[1], "--baud", "0", "--link", link.c_str(), "--save-image",
              saved.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    const std::string device = readFirstLine(out[0]);
    check(device.rfind("/dev/", 0) == 0, "the first line is the device path: " + device);
    if (device.empty()) giveUp("no device path");
    char target[256] = {};
    const ssize_t n = readlink(link.c_str(), target, sizeof(target) - 1);
    check(n > 0 && device == target, "--link points at the device");

    int fd = openDevice(link);
    identify(fd, "first opening");
    cloneRead(fd);
    rawLine(fd);
    // POW HI = 0x5A: stored by the radio, no answer.
    writeAll(fd, {0xFE, 0xFE, 0xEE, 0xEF, 0xE8, 0x30, 0x17, 0x01, 0x02, 0x09, '5', 'A', 0xFD});
    const Bytes echo =
        readUntil(fd, kAnswerDeadlineMs, [](const Bytes& g) { return g.size() >= 13; });
    check(echo.size() == 13, "adjustment: only its echo comes back");
    close(fd);

    fd = openDevice(device);
    identify(fd, "after reopening");
    close(fd);

    kill(gSim, SIGTERM);
    int status = 0;
    pid_t done = 0;
    const auto end = Clock::now() + std::chrono::milliseconds(kAnswerDeadlineMs);
    while ((done = waitpid(gSim, &status, WNOHANG)) == 0 && Clock::now() < end) {
        poll(nullptr, 0, 10);
    }
    check(done == gSim && WIFEXITED(status) && WEXITSTATUS(status) == 0,
          "the simulator stops cleanly on SIGTERM");
    if (done != gSim) giveUp("the simulator did not stop");
    gSim = -1;
    struct stat st {};
    check(lstat(link.c_str(), &st) != 0, "the link is removed on exit");

    qtsim::MemoryImage image;
    std::string error;
    check(image.loadFile(saved, &error) && image.read(168) == 0x5A,
          "the saved image holds the adjusted value");
    unlink(saved.c_str());
    rmdir(dir);
    std::printf("%s\n", gFailures == 0 ? "PASSED" : "FAILED");
    return gFailures == 0 ? 0 : 1;
}
