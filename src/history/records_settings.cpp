#include "history/records_settings.h"

#include <algorithm>

#include "history/records_url.h"

namespace qs {
namespace {

constexpr std::size_t kValueBufferChars = 4096;

std::string Read(IProfileStore& store, const std::string& file, const char* key) {
    std::string out;
    const std::size_t copied = store.GetPrivateProfileString(kRecordsSettingsSection, key, "", out,
                                                             kValueBufferChars, file);
    out.resize(std::min(copied, out.size()));
    const auto first = out.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(" \t") - first + 1);
}

}  // namespace

RecordsSettings LoadRecordsSettings(IProfileStore& store, const std::string& file) {
    return {Read(store, file, "url"), Read(store, file, "bench_name")};
}

bool RecordsPlaceFrom(const std::string& url, RecordsPlace& place, std::string& error) {
    place = RecordsPlace{};
    if (url.empty()) return true;
    if (url == kRecordsOff) {
        place.kind = RecordsPlace::Kind::Off;
        return true;
    }
    if (!ParseRecordsUrl(url, place.server, error)) return false;
    place.kind = RecordsPlace::Kind::Server;
    return true;
}

}  // namespace qs
