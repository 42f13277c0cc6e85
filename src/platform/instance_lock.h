#pragma once

namespace qs {

// Detects another running copy of the program. A copy that crashed must not leave the
// lock held.
class IInstanceLock {
public:
    virtual ~IInstanceLock() = default;
    // True when this copy is the only one running (and now holds the lock).
    virtual bool TryAcquire() = 0;
};

}  // namespace qs
