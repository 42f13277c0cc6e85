#include "qtcore/device_lock.h"

#include <QFileInfo>

namespace qs::qt {

std::string DeviceLock::CanonicalPath(const std::string& device) {
    const QString canonical = QFileInfo(QString::fromStdString(device)).canonicalFilePath();
    // A device that is not there cannot be opened either; its name still keys the lock.
    return canonical.isEmpty() ? device : canonical.toStdString();
}

bool DeviceLock::Take(const std::string& device, std::string& inUse) {
    const std::string key = CanonicalPath(device);
    if (lock_ && lock_->key() == key && lock_->held()) return true;
    lock_ = std::make_unique<ProcessLock>("port", key);
    std::string holder;
    if (lock_->TryLock(holder) != ProcessLock::Outcome::Held) return true;
    lock_.reset();
    inUse = device + " is in use by " + holder;
    return false;
}

}  // namespace qs::qt
