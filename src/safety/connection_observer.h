#pragma once

#include <string>

#include "safety/backup_file.h"
#include "safety/journal_file.h"

namespace qs {

// Sees what the safety net keeps of each connection, as it keeps it: the backup taken at
// Connect and every line of the connection's journal. It sees them whether or not the files
// could be written, so a second record of the connection (the service records) stays whole
// when a disk is full. Called on the program's thread; it must return at once.
class IConnectionFilesObserver {
public:
    virtual ~IConnectionFilesObserver() = default;
    // A clone read has ended: a new connection. `backupPath` is where its backup went, empty
    // when it could not be saved.
    virtual void OnConnectionStarted(const BackupRecord& backup, const std::string& backupPath) = 0;
    // An adjustment command or a line of the bench, in the journal's order.
    virtual void OnJournalEntry(const JournalEntry& entry) = 0;
};

}  // namespace qs
