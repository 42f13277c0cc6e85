#include "qtcore/posix_terminal.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace qs::qt {

namespace {

struct Speed {
    std::int32_t baud;
    speed_t code;
};

constexpr Speed kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

constexpr const char* kLockFolders[] = {"/run/lock", "/var/lock"};

bool SpeedCode(std::int32_t baud, speed_t& code) {
    for (const Speed& speed : kSpeeds) {
        if (speed.baud != baud) continue;
        code = speed.code;
        return true;
    }
    return false;
}

// The line format in termios terms; false when the terminal interface has no such format.
bool MakeRaw(const LineSettings& line, termios& tio) {
    speed_t speed = B9600;
    if (!SpeedCode(line.baud, speed) || line.stopBits == StopBits::OneAndHalf) return false;
    cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= kSizes[line.dataBits - 5];
    if (line.stopBits == StopBits::Two) tio.c_cflag |= CSTOPB;
    switch (line.parity) {
        case Parity::None:
            break;
        case Parity::Even:
            tio.c_cflag |= PARENB;
            break;
        case Parity::Odd:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case Parity::Mark:
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case Parity::Space:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
    }
    // A read returns at once with what has come; with nothing it fails with EAGAIN, so that a
    // read of no bytes means the line hung up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speed);
    cfsetospeed(&tio, speed);
    return true;
}

std::string LockFileName(const std::string& device) {
    char real[PATH_MAX];
    const std::string path = ::realpath(device.c_str(), real) != nullptr ? real : device;
    return "LCK.." + path.substr(path.find_last_of('/') + 1);
}

// The holder as "minicom (process 4121)": its command name where the system shows it.
std::string ProcessText(long pid) {
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    const std::string number = "process " + std::to_string(pid);
    return std::getline(comm, name) && !name.empty() ? name + " (" + number + ")" : number;
}

void SetInUse(std::string* inUse, const std::string& text) {
    if (inUse != nullptr) *inUse = text;
}

}  // namespace

long UucpLockHolder(const std::string& device) {
    const std::string name = LockFileName(device);
    for (const char* folder : kLockFolders) {
        std::ifstream file(std::string(folder) + "/" + name);
        long pid = 0;
        // ASCII lock files start with the holder's process id (QLockFile's too).
        if (!(file >> pid) || pid <= 0 || pid == static_cast<long>(::getpid())) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) return pid;
    }
    return 0;
}

int OpenTerminal(const std::string& device, const std::string& settingsText,
                 const LineSettings& line, std::string& error, std::string* inUse) {
    if (const long holder = UucpLockHolder(device)) {
        error = "Cannot open " + device + ": it is in use by process " + std::to_string(holder) +
                " (its lock file " + LockFileName(device) + ")";
        SetInUse(inUse, device + " is in use by " + ProcessText(holder));
        return -1;
    }
    const std::string byAnother = device + " is in use by another program";
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        error = "Cannot open " + device + ": " + std::strerror(code) +
                (code == EBUSY ? " (another program has it open)" : "");
        if (code == EBUSY) SetInUse(inUse, byAnother);
        return -1;
    }
    auto fail = [fd, &error](const std::string& text) {
        ::close(fd);
        error = text;
        return -1;
    };
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        SetInUse(inUse, byAnother);
        return fail("Cannot open " + device + ": another program holds a lock on it");
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return fail("Cannot open " + device + ": " + std::strerror(errno) +
                    " (not a serial device)");
    }
    if (!MakeRaw(line, tio) || ::tcsetattr(fd, TCSANOW, &tio) != 0) {
        return fail("The line settings " + settingsText + " are not supported by " + device);
    }
    ::ioctl(fd, TIOCEXCL);
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

void CloseTerminal(int fd) {
    if (fd < 0) return;
    ::tcflush(fd, TCIOFLUSH);
    // Exclusive use outlives the descriptor on a terminal that stays (a pseudo-terminal whose
    // other end is held): lifted here, the device can be opened again.
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

std::optional<std::int64_t> LostByteCount(int fd) {
    if (fd < 0) return std::nullopt;
    serial_icounter_struct counts{};
    if (::ioctl(fd, TIOCGICOUNT, &counts) != 0) return std::nullopt;
    // Overrun: the UART's own buffer; buf_overrun: the line discipline's was full.
    return static_cast<std::int64_t>(counts.overrun) + counts.buf_overrun;
}

void SetModemLine(int fd, int line, bool on) {
    if (fd < 0) return;
    ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

}  // namespace qs::qt
