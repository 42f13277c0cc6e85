#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

#include "platform/instance_lock.h"

namespace qs::qt {

// One running copy per installed program: a QLockFile in the temporary folder whose name is
// made from the executable's path. The file records the holder's process id, so the lock of
// a copy that crashed is recognised as stale and taken over.
class QtInstanceLock : public IInstanceLock {
public:
    // `lockFilePath` empty: derived from the running executable.
    explicit QtInstanceLock(QString lockFilePath = QString());
    bool TryAcquire() override;
    QString lockFilePath() const { return path_; }

    static QString DefaultLockFilePath();
    // The lock of the program at `programPath`: the command-line twin takes the desktop
    // program's lock, so the two never work the radio at once.
    static QString LockFilePathFor(const QString& programPath);

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace qs::qt
