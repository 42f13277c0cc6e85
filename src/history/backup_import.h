#pragma once

#include <functional>
#include <string>
#include <vector>

#include "history/records_store.h"
#include "safety/backup_file.h"

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
    // Connections taken in all the same: the lines of their files that were skipped
    // ("file:line: why"), and an ID another connection has already, taken in apart.
    std::vector<std::string> notes;
    SqlStatus status;      // a failure of the records themselves ends the import early
    bool stopped = false;  // asked to stop: the folder is not remembered as imported
    // The same connections were skipped whole by the import before (said then already).
    bool skippedAsBefore = false;
    // The notice of each run imported that the program had ended during (still marked in
    // progress in its files): recorded as ERROR, told once, as the import of a file is.
    std::vector<std::string> interrupted;
};

// Imports every connection of a backups folder: each backup with the journal, curves, runs and
// connection file beside it, one connection per transaction. The files are untrusted: a
// connection whose backup, journal or curves file cannot be read, or whose runs or connection
// file is not one of this program's, is skipped and the file listed; a line of a runs or
// connection file that cannot be read is skipped and named, and the rest taken. A journal or
// curves file without its backup is listed too. A backup already recorded (by name and
// checksum, whether imported or recorded live) is left alone, so importing again doubles
// nothing; a connection ID that another connection has already is never merged into it: the
// connection comes in apart under its backup's ID, and that is said. Afterwards the records
// remember that the folder was imported, unless a connection was skipped whole: the next
// import tries it again.
ImportResult ImportBackupFolder(RecordsStore& store, const std::string& folder,
                                const std::string& bench);
// The same for the backups `wanted` accepts (by path); the others are passed over unlisted.
// A program importing while it records takes only the backups that were there when it
// started, so that a connection it records live never comes in a second time.
// `stopping`, asked before each connection, ends the import early (a closing program); the
// rest comes in at the next start.
ImportResult ImportBackupFolder(RecordsStore& store, const std::string& folder,
                                const std::string& bench,
                                const std::function<bool(const std::string&)>& wanted,
                                const std::function<bool()>& stopping = {});

// The backups in `folder` now, by path; empty when it cannot be read.
std::vector<std::string> BackupsIn(const std::string& folder);

// The connection a backup stands for, as the import records it: its row (the uid made from
// the file's name and checksum, the radio, the start, the backup) and every item's value at
// Connect from the image, without journal or curves. A program recording a connection live
// starts from the same, with a uid of its own.
ConnectionRecord RecordOfBackup(const BackupRecord& backup, const std::string& backupPath,
                                const std::string& bench);

// Seconds since 1970 UTC of a local "2026-12-07 10:46:02"; false when the text is not one.
bool LocalTimeFromText(const std::string& text, std::time_t& when);

// One backup with its journal, curves, runs and connection file into a record, as the import
// takes it in; false with the file and reason when one of them cannot be read.
bool ReadConnectionFiles(const std::string& backupPath, const std::string& bench,
                         ConnectionRecord& record, ImportProblem& problem);

}  // namespace qs
