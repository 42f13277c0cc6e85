#pragma once

#include <string>
#include <vector>

#include "history/records_store.h"

namespace qs {

// A file the import could not take, and why. The file itself is never changed or removed.
struct ImportProblem {
    std::string path;
    std::string reason;
};

struct ImportResult {
    int imported = 0;      // connections added by this import
    int alreadyThere = 0;  // connections the records held already
    std::vector<ImportProblem> skipped;
    SqlStatus status;  // a failure of the records themselves ends the import early
};

// Imports every connection of a backups folder: each backup with the journal and curves file
// beside it, one connection per transaction. A connection whose backup, journal or curves file
// cannot be read is skipped and the file listed; a journal or curves file without its backup is
// listed too. A backup already recorded (by name and checksum, whether imported or recorded
// live) is left alone, so importing again doubles nothing. Afterwards the records remember that
// the folder was imported.
ImportResult ImportBackupFolder(RecordsStore& store, const std::string& folder,
                                const std::string& bench);

// Seconds since 1970 UTC of a local "2026-12-07 10:46:02"; false when the text is not one.
bool LocalTimeFromText(const std::string& text, std::time_t& when);

}  // namespace qs
