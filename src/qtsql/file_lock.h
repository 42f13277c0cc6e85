#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/sql_connection.h"

namespace qs {

// The records' writer lock on the local system: flock(2) on POSIX, LockFileEx on Windows. Both
// are let go by the system when the holder ends, however it ends, so a killed program never
// leaves the records locked.
std::unique_ptr<IFileLock> LockSystemFile(const std::string& path, FileLockMode mode,
                                          std::chrono::milliseconds wait, SqlStatus& status);

}  // namespace qs
