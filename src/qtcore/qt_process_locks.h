#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/process_locks.h"
#include "qtcore/process_lock.h"

namespace qs::qt {

// The process locks of one kind ("instrument") as lock files in the temporary folder
// (ProcessLock), each held until UnlockAll or the table goes.
class QtProcessLocks : public IProcessLocks {
public:
    explicit QtProcessLocks(std::string kind) : kind_(std::move(kind)) {}
    Outcome TryLock(const std::string& key, std::string& holder) override;
    void UnlockAll() override { locks_.clear(); }

private:
    std::string kind_;
    std::map<std::string, std::unique_ptr<ProcessLock>> locks_;
};

}  // namespace qs::qt
