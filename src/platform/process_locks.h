#pragma once

#include <string>

namespace qs {

// Locks that every program on this computer sees, each named by a key (an instrument's
// address): one process holds a key at a time, until it lets go or ends, however it ends.
class IProcessLocks {
public:
    enum class Outcome {
        Taken,        // this process holds the key (now, or already)
        Held,         // another process holds it: `holder` names it, "qs71dr-cli (process 4121)"
        Unavailable,  // no lock can be made here: `holder` says why
    };

    virtual ~IProcessLocks() = default;
    virtual Outcome TryLock(const std::string& key, std::string& holder) = 0;
    // Lets go of every key this process holds through this table.
    virtual void UnlockAll() = 0;
};

}  // namespace qs
