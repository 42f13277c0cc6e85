#include "shell/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qs {
namespace {

namespace fs = std::filesystem;

constexpr int kTempNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the user's umask
constexpr mode_t kPermissionBits = 07777;

bool Fail(const std::string& path, int code, std::string& error, int* systemError) {
    error = path + ": " + std::strerror(code);
    if (systemError != nullptr) *systemError = code;
    return false;
}

// The file a link stands for, so that replacing it keeps the link (a settings file kept in
// a dotfiles folder, for instance).
std::string Target(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(path, ec)) return path;
    const fs::path resolved = fs::weakly_canonical(path, ec);
    return ec ? path : resolved.string();
}

std::string FolderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

// A hidden name beside the file, unique to this process and call.
std::string TempName(const std::string& path, int attempt) {
    static unsigned counter = 0;
    const fs::path p(path);
    return (p.parent_path() / ("." + p.filename().string() + ".tmp-" + std::to_string(::getpid()) +
                               "-" + std::to_string(++counter) + "-" + std::to_string(attempt)))
        .string();
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// File systems that cannot flush a file (EINVAL) have nothing more to give; any other
// failure means the bytes may not be on the disk.
bool Flush(int fd) {
    return ::fsync(fd) == 0 || errno == EINVAL;
}

// The rename made durable: the folder's entry reaches the disk as well. Best effort, as some
// file systems cannot flush a folder.
void FlushFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool IsUnsupported(int code) {
    return code == EINVAL || code == ENOSYS || code == EPERM || code == ENOTSUP ||
           code == EOPNOTSUPP || code == EXDEV || code == EMLINK;
}

// Gives `temp` the name `target` only when no file has it; 0 or the error number.
int RenameNoReplace(const std::string& temp, const std::string& target) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (!IsUnsupported(errno)) return errno;
#endif
    // A hard link fails on an existing name just as atomically.
    if (::link(temp.c_str(), target.c_str()) == 0) {
        ::unlink(temp.c_str());
        return 0;
    }
    if (!IsUnsupported(errno)) return errno;
    // File systems without either (FAT on a memory stick): look, then rename.
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) return EEXIST;
    return ::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, ExistingFile existing,
                         std::string& error, int* systemError) {
    const std::string target = Target(path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && existing == ExistingFile::Keep) return Fail(path, EEXIST, error, systemError);
    if (exists && S_ISDIR(old.st_mode)) return Fail(path, EISDIR, error, systemError);

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < kTempNameAttempts && fd < 0; ++attempt) {
        temp = TempName(target, attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
        if (fd < 0 && errno != EEXIST) return Fail(path, errno, error, systemError);
    }
    if (fd < 0) return Fail(path, EEXIST, error, systemError);

    if (exists && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & kPermissionBits);
    bool written = WriteAll(fd, bytes) && Flush(fd);
    int code = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        code = errno;
    }
    if (!written) {
        ::unlink(temp.c_str());
        return Fail(path, code, error, systemError);
    }

    if (existing == ExistingFile::Replace) {
        code = ::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
    } else {
        code = RenameNoReplace(temp, target);
    }
    if (code != 0) {
        ::unlink(temp.c_str());
        return Fail(path, code, error, systemError);
    }
    FlushFolder(FolderOf(target));
    return true;
}

bool CheckFileCanBeWritten(const std::string& path, std::string& error) {
    if (path.empty()) return Fail("(no name)", ENOENT, error, nullptr);
    const std::string target = Target(path);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        return Fail(path, EISDIR, error, nullptr);
    }
    const std::string folder = FolderOf(target);
    if (::stat(folder.c_str(), &st) != 0) return Fail(path, errno, error, nullptr);
    if (!S_ISDIR(st.st_mode)) return Fail(path, ENOTDIR, error, nullptr);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return Fail(path, errno, error, nullptr);
    return true;
}

}  // namespace qs
