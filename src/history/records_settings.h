#pragma once

#include <string>

#include "platform/profile_store.h"
#include "platform/sql_connection.h"

namespace qs {

// The records' section of the settings file, beside the bench's:
//
//   [RECORDS]
//   url=postgresql://bench@records.shop.lan/service
//   bench_name=Bench 2
//
// An empty or missing url keeps the records in the bench's own file only; "none" keeps none.
// An empty bench name means the computer's host name.
inline constexpr const char* kRecordsSettingsSection = "RECORDS";
inline constexpr const char* kRecordsOff = "none";

struct RecordsSettings {
    std::string url;
    std::string benchName;
};

RecordsSettings LoadRecordsSettings(IProfileStore& store, const std::string& file);

// Where the records go.
struct RecordsPlace {
    enum class Kind {
        Off,     // no records at all
        Local,   // the bench's own file
        Server,  // the bench's own file first, then sent on to a shop's server
    };
    Kind kind = Kind::Local;
    SqlTarget server;  // Server only
};

// From an address as the settings or --records give it; false with `error` for one that is
// neither empty, "none" nor a server address.
bool RecordsPlaceFrom(const std::string& url, RecordsPlace& place, std::string& error);

}  // namespace qs
