#include "instruments/profile_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace qs::instruments {

Result<Profile> LoadProfile(const std::string& path) {
    if (path == GenericProfile().name) return GenericProfile();
    auto fail = [&path](const std::string& why) {
        return InstrumentError{Fault::BadProfile, "profile " + path + ": " + why};
    };
    if (path.empty()) return fail("no file name");
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return fail("is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(std::strerror(errno));
    std::string text;
    text.resize(kMaxProfileFileBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return fail("cannot be read");
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxProfileFileBytes) {
        return fail("larger than " + std::to_string(kMaxProfileFileBytes / 1024) +
                    " KiB, so not a profile file");
    }
    return ParseProfile(text, path);
}

}  // namespace qs::instruments
