#include "qtcore/qt_instance_lock.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace qs::qt {

QtInstanceLock::QtInstanceLock(QString lockFilePath)
    : path_(lockFilePath.isEmpty() ? DefaultLockFilePath() : std::move(lockFilePath)) {}

QString QtInstanceLock::DefaultLockFilePath() {
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(exe.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("qs71dr-adj-%1.lock").arg(QString::fromLatin1(hash)));
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
