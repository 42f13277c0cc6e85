#include "qtcore/process_lock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSysInfo>

namespace qs::qt {

namespace {

// Who the lock file names: its program and process, and its computer when that is another
// (a temporary folder shared over the network).
std::string HolderText(const QLockFile& file) {
    qint64 pid = 0;
    QString host;
    QString program;
    if (!file.getLockInfo(&pid, &host, &program)) return "another program";
    std::string text = program.isEmpty() ? std::string("a program") : program.toStdString();
    text += " (process " + std::to_string(pid) + ")";
    if (!host.isEmpty() && host != QSysInfo::machineHostName()) {
        text += " on " + host.toStdString();
    }
    return text;
}

}  // namespace

ProcessLock::ProcessLock(std::string_view kind, const std::string& key)
    : key_(key), file_(PathFor(kind, key)) {
    // Staleness is judged by the recorded process alone, never by age: a run of hours keeps
    // its lock, a crashed one loses it at the next attempt.
    file_.setStaleLockTime(0);
}

ProcessLock::~ProcessLock() {
    Unlock();
}

QString ProcessLock::PathFor(std::string_view kind, const std::string& key) {
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(key), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QDir(QDir::tempPath())
        .filePath(QStringLiteral("qs71dr-%1-%2.lock")
                      .arg(QString::fromLatin1(kind.data(), static_cast<qsizetype>(kind.size())),
                           QString::fromLatin1(hash)));
}

ProcessLock::Outcome ProcessLock::TryLock(std::string& holder) {
    if (held_) return Outcome::Taken;
    // A holder that lets go between the refusal and the look at its file: one more try.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (file_.tryLock(0)) {
            held_ = true;
            return Outcome::Taken;
        }
        if (file_.error() != QLockFile::LockFailedError) {
            holder = "the lock file " + file_.fileName().toStdString() + " cannot be made";
            return Outcome::Unavailable;
        }
        holder = HolderText(file_);
        if (holder != "another program") return Outcome::Held;
    }
    return Outcome::Held;
}

void ProcessLock::Unlock() {
    if (!held_) return;
    file_.unlock();
    held_ = false;
}

}  // namespace qs::qt
