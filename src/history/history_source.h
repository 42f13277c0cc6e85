#pragma once

#include <memory>
#include <string>

#include "platform/sql_connection.h"
#include "safety/wall_clock.h"

namespace qs {

// Opens the records a history is read from: a shop's server when `url` names one, else the
// bench's own file beside `backupFolder` (also when the records are switched off: what was
// recorded before stays readable). A reader never marks or changes what a running program
// writes. Null with `error` for the technician when they cannot be opened.
std::unique_ptr<ISqlConnection> OpenHistoryRecords(ISqlConnector& connector, const std::string& url,
                                                   const std::string& backupFolder,
                                                   const IWallClock& clock, std::string& error);

}  // namespace qs
