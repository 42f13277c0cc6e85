#include "safety/line_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/atomic_file.h"

namespace qs {
namespace {

constexpr int kMaxNameAttempts = 1000;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the user's umask

std::string SystemReason(int code) {
    return std::strerror(code);
}

}  // namespace

LineFile::~LineFile() {
    Close();
}

bool LineFile::Create(const std::string& path, const std::vector<std::string>& heading,
                      std::string& error) {
    Close();
    std::string text;
    for (const std::string& line : heading)
        text += line + "\n";
    return WriteFileAtomically(path, text, ExistingFile::Keep, error) && Append(path, error);
}

bool LineFile::Open(const std::string& path, Mode mode, std::string& error) {
    return mode == Mode::CreateNew ? Create(path, {}, error) : Append(path, error);
}

bool LineFile::Append(const std::string& path, std::string& error) {
    Close();
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kNewFileMode);
    if (fd_ < 0) {
        error = path + ": " + SystemReason(errno);
        return false;
    }
    struct stat st {};
    size_ = ::fstat(fd_, &st) == 0 ? st.st_size : 0;
    path_ = path;
    writeError_.clear();
    return true;
}

void LineFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool LineFile::WriteLine(const std::string& line) {
    if (fd_ < 0) return false;
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            writeError_ = path_ + ": " + SystemReason(n < 0 ? errno : EIO);
            // Half a line would read as a damaged file; without it the file stays usable.
            if (done > 0) [[maybe_unused]] const int ignored = ::ftruncate(fd_, size_);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    size_ += static_cast<std::int64_t>(text.size());
    return true;
}

bool SaveNewFile(const std::string& folder, const std::string& stem, const std::string& extension,
                 const std::string& text, std::string& path, std::string& error) {
    if (folder.empty()) {
        error = "No folder for user data is known (neither XDG_DATA_HOME nor HOME is set).";
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = folder + ": " + ec.message();
        return false;
    }

    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        const std::string name =
            stem + (attempt == 1 ? "" : "-" + std::to_string(attempt)) + extension;
        const std::string candidate = (std::filesystem::path(folder) / name).string();
        int code = 0;
        if (WriteFileAtomically(candidate, text, ExistingFile::Keep, error, &code)) {
            path = candidate;
            return true;
        }
        if (code != EEXIST) return false;
    }
    error = folder + ": too many files named " + stem + extension;
    return false;
}

}  // namespace qs
