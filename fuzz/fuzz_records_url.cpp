// Shared records addresses from arbitrary text: no crash, and an address that is accepted
// reads back as the same server, user and database from the text messages show for it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "history/records_url.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    qs::SqlTarget target;
    std::string error;
    if (!qs::ParseRecordsUrl(url, target, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    qs::SqlTarget again;
    if (!qs::ParseRecordsUrl(qs::RecordsTargetText(target), again, error)) __builtin_trap();
    if (again.user != target.user || again.host != target.host || again.port != target.port ||
        again.database != target.database) {
        __builtin_trap();
    }
    return 0;
}
