#include "qtsql/file_lock.h"

#include <cerrno>
#include <cstring>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace qs {
namespace {

// How often a lock held by another program is tried again while waiting for it.
constexpr std::chrono::milliseconds kRetryGap{20};

#ifdef _WIN32

class SystemFileLock : public IFileLock {
public:
    explicit SystemFileLock(HANDLE file) : file_(file) {}
    ~SystemFileLock() override {
        OVERLAPPED at{};
        UnlockFileEx(file_, 0, 1, 0, &at);
        CloseHandle(file_);
    }

private:
    HANDLE file_;
};

bool TryLock(HANDLE file, FileLockMode mode) {
    OVERLAPPED at{};
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
    if (mode == FileLockMode::Exclusive) flags |= LOCKFILE_EXCLUSIVE_LOCK;
    return LockFileEx(file, flags, 0, 1, 0, &at) != 0;
}

#else

class SystemFileLock : public IFileLock {
public:
    explicit SystemFileLock(int fd) : fd_(fd) {}
    ~SystemFileLock() override {
        flock(fd_, LOCK_UN);
        close(fd_);
    }

private:
    int fd_;
};

#endif

}  // namespace

std::unique_ptr<IFileLock> LockSystemFile(const std::string& path, FileLockMode mode,
                                          std::chrono::milliseconds wait, SqlStatus& status) {
    const auto deadline = std::chrono::steady_clock::now() + wait;
#ifdef _WIN32
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        status = SqlStatus::Failed(SqlError::Other, path + ": the lock file cannot be opened");
        return nullptr;
    }
    for (;;) {
        if (TryLock(file, mode)) {
            status = {};
            return std::make_unique<SystemFileLock>(file);
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(kRetryGap);
    }
    CloseHandle(file);
#else
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        status = SqlStatus::Failed(SqlError::Other, path + ": " + std::strerror(errno));
        return nullptr;
    }
    const int operation = (mode == FileLockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    for (;;) {
        if (flock(fd, operation) == 0) {
            status = {};
            return std::make_unique<SystemFileLock>(fd);
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            status = SqlStatus::Failed(SqlError::Other, path + ": " + std::strerror(errno));
            close(fd);
            return nullptr;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(kRetryGap);
    }
    close(fd);
#endif
    status = SqlStatus::Failed(SqlError::Busy, "another program holds " + path);
    return nullptr;
}

}  // namespace qs
