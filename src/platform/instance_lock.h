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

// For a program any number of copies of which may run at once: each keeps off the others'
// radios and instruments by the locks of what it uses instead.
class NoInstanceLock : public IInstanceLock {
public:
    bool TryAcquire() override { return true; }
};

}  // namespace qs
