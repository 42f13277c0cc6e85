#include "fakes/memory_profile_store.h"

#include <algorithm>
#include <cctype>

namespace qs {

bool MemoryProfileStore::NoCase::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(),
        [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
}

std::size_t MemoryProfileStore::GetPrivateProfileString(const std::string& section,
                                                        const std::string& key,
                                                        const std::string& defaultText,
                                                        std::string& out, std::size_t bufferSize,
                                                        const std::string& file) {
    ++reads;
    const auto stored = value(file, section, key);
    const std::string& text = stored ? *stored : defaultText;
    if (bufferSize == 0) {
        out.clear();
        return 0;
    }
    out = text.substr(0, std::min(text.size(), bufferSize - 1));
    return out.size();
}

bool MemoryProfileStore::WritePrivateProfileString(const std::string& section,
                                                   const std::string& key, const std::string& value,
                                                   const std::string& file) {
    ++writes;
    if (failWrites) return false;
    files_[file][section][key] = value;
    return true;
}

void MemoryProfileStore::setRaw(const std::string& file, const std::string& section,
                                const std::string& key, const std::string& value) {
    files_[file][section][key] = value;
}

std::optional<std::string> MemoryProfileStore::value(const std::string& file,
                                                     const std::string& section,
                                                     const std::string& key) const {
    const auto f = files_.find(file);
    if (f == files_.end()) return std::nullopt;
    const auto s = f->second.find(section);
    if (s == f->second.end()) return std::nullopt;
    const auto k = s->second.find(key);
    if (k == s->second.end()) return std::nullopt;
    return k->second;
}

}  // namespace qs
