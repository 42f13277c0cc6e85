#include "safety/line_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace qs {
namespace {

constexpr int kMaxNameAttempts = 1000;

std::string SystemReason(int code) {
    return std::strerror(code);
}

// Exclusive creation: fails with EEXIST when the file is there.
std::FILE* CreateNew(const std::string& path, int& code) {
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "wbx");
    code = errno;
    return f;
}

}  // namespace

LineFile::~LineFile() {
    Close();
}

bool LineFile::Open(const std::string& path, Mode mode, std::string& error) {
    Close();
    int code = 0;
    if (mode == Mode::CreateNew) {
        file_ = CreateNew(path, code);
    } else {
        errno = 0;
        file_ = std::fopen(path.c_str(), "ab");
        code = errno;
    }
    if (file_ == nullptr) {
        error = path + ": " + SystemReason(code);
        return false;
    }
    path_ = path;
    writeError_.clear();
    return true;
}

void LineFile::Close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

bool LineFile::WriteLine(const std::string& line) {
    if (file_ == nullptr) return false;
    errno = 0;
    const std::string text = line + "\n";
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
        writeError_ = path_ + ": " + SystemReason(errno != 0 ? errno : EIO);
        return false;
    }
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
        std::FILE* f = CreateNew(candidate, code);
        if (f == nullptr) {
            if (code == EEXIST) continue;
            error = candidate + ": " + SystemReason(code);
            return false;
        }
        errno = 0;
        bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
        ok = std::fflush(f) == 0 && ok;
        code = errno != 0 ? errno : EIO;
        ok = std::fclose(f) == 0 && ok;
        if (!ok) {
            // A half-written backup is worse than none: it could be taken for a good one.
            std::filesystem::remove(candidate, ec);
            error = candidate + ": " + SystemReason(code);
            return false;
        }
        path = candidate;
        return true;
    }
    error = folder + ": too many files named " + stem + extension;
    return false;
}

}  // namespace qs
