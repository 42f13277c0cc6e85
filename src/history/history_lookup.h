#pragma once

#include <string>
#include <vector>

#include "history/cut_slot.h"
#include "history/record_types.h"
#include "platform/sql_connection.h"

namespace qs {

// What a look into the history brought back, as plain values a worker hands to the window.
struct HistoryAnswer {
    std::vector<ConnectionInfo> found;      // a search's connections, newest first
    std::vector<ConnectionRecord> records;  // the connections asked for, in full, in order
    bool missing = false;                   // no records kept on this bench yet: nothing to list
    std::string error;  // what went wrong, naming the records; empty when all went well
};

// One whole look into the records at `url` (a server) or beside `backupFolder`: opened
// read-only, searched or read, closed. Each may wait for a server up to its connect time-out,
// so both run on a worker; neither touches anything but its own connection. Once open, the
// server's link is left in `cut` (when given), so that whoever stops waiting can end a
// statement the server does not answer.
HistoryAnswer SearchHistory(ISqlConnector& connector, const std::string& url,
                            const std::string& backupFolder, const HistoryFilter& filter,
                            CutSlot* cut = nullptr);
// The connections with these ids, each in full; one no longer recorded is an error.
HistoryAnswer LoadHistory(ISqlConnector& connector, const std::string& url,
                          const std::string& backupFolder, const std::vector<std::string>& ids,
                          CutSlot* cut = nullptr);

}  // namespace qs
