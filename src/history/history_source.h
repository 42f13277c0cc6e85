#pragma once

#include <memory>
#include <string>

#include "platform/sql_connection.h"

namespace qs {

// The records a history is read from, opened read-only.
struct HistoryRecords {
    std::unique_ptr<ISqlConnection> db;  // null when missing or not opened
    // What to call them in a message: "The service records file /.../records.sqlite" or
    // "The shared records at host:5432/db".
    std::string where;
    // No records file yet (nothing was ever recorded on this bench): no connection to list.
    bool missing = false;
    std::string error;  // why they cannot be read, naming them; empty when they can
};

// Opens the records a history is read from: a shop's server when `url` names one, else the
// bench's own file beside `backupFolder` (also when the records are switched off: what was
// recorded before stays readable). A reader only reads: nothing is created, migrated, locked
// for writing or set aside, and a damaged or empty file is said in `error`.
//
// It may wait for a server up to the connect time-out: call it from a worker, never from the
// window's thread.
HistoryRecords OpenHistoryRecords(ISqlConnector& connector, const std::string& url,
                                  const std::string& backupFolder);

}  // namespace qs
