#include "qtcore/qt_process_locks.h"

namespace qs::qt {

IProcessLocks::Outcome QtProcessLocks::TryLock(const std::string& key, std::string& holder) {
    if (locks_.count(key) > 0) return Outcome::Taken;
    auto lock = std::make_unique<ProcessLock>(kind_, key);
    switch (lock->TryLock(holder)) {
        case ProcessLock::Outcome::Taken:
            locks_.emplace(key, std::move(lock));
            return Outcome::Taken;
        case ProcessLock::Outcome::Held:
            return Outcome::Held;
        case ProcessLock::Outcome::Unavailable:
            break;
    }
    return Outcome::Unavailable;
}

}  // namespace qs::qt
