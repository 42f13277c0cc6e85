#pragma once

#include "platform/instance_lock.h"

namespace qs {

// A lock that another copy may already hold (`otherCopyRunning`).
class FakeInstanceLock : public IInstanceLock {
public:
    bool TryAcquire() override {
        ++attempts;
        if (otherCopyRunning) return false;
        held = true;
        return true;
    }

    bool otherCopyRunning = false;
    bool held = false;
    int attempts = 0;
};

}  // namespace qs
