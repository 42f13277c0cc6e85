#include "qtcore/qt_instance_lock.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "qtcore/process_lock.h"

namespace qs::qt {

QtInstanceLock::QtInstanceLock(QString lockFilePath)
    : path_(lockFilePath.isEmpty() ? DefaultLockFilePath() : std::move(lockFilePath)) {}

QString QtInstanceLock::DefaultLockFilePath() {
    return LockFilePathFor(QCoreApplication::applicationFilePath());
}

QString QtInstanceLock::LockFilePathFor(const QString& programPath) {
    const QFileInfo info(programPath);
    // A program that is not there (yet) still gets a lock of its own, from its plain path.
    const QString exe = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    return ProcessLock::PathFor("adj", exe.toUtf8().toStdString());
}

bool QtInstanceLock::TryAcquire() {
    if (lock_ && lock_->isLocked()) return true;
    lock_ = std::make_unique<QLockFile>(path_);
    // Staleness is judged by the recorded process alone, never by age: a copy that runs for
    // days keeps its lock, a crashed one loses it at once.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}

}  // namespace qs::qt
