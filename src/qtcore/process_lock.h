#pragma once

#include <QLockFile>
#include <QString>
#include <memory>
#include <string>
#include <string_view>

namespace qs::qt {

// One lock every program on this computer sees, named by what it guards: a QLockFile in the
// temporary folder, named from `kind` and a hash of the key, that records the holder's process
// id and program. A refusal can therefore name the holder, and the lock of a holder that
// crashed is recognised as stale and taken over.
//
//   ProcessLock lock("port", "/dev/ttyUSB0");
//   std::string holder;
//   if (lock.TryLock(holder) == ProcessLock::Outcome::Held) ... // "qs71dr-cli (process 4121)"
//   lock.Unlock();                                              // also when it goes
class ProcessLock {
public:
    enum class Outcome {
        Taken,        // this process holds it (now, or already)
        Held,         // another process holds it; `holder` names it
        Unavailable,  // no lock file can be made here; `holder` says why
    };

    ProcessLock(std::string_view kind, const std::string& key);
    ~ProcessLock();
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;

    Outcome TryLock(std::string& holder);
    void Unlock();
    bool held() const { return held_; }
    const std::string& key() const { return key_; }

    static QString PathFor(std::string_view kind, const std::string& key);

private:
    std::string key_;
    QLockFile file_;
    bool held_ = false;
};

}  // namespace qs::qt
