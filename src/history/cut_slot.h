#pragma once

#include <memory>
#include <mutex>

#include "platform/sql_connection.h"

namespace qs {

// Where a worker leaves the way to cut its connection to a server, for whoever stops waiting
// for it: a cut asked for before the worker has its connection cuts it as soon as it does.
// Safe from any thread.
class CutSlot {
public:
    void Hold(std::shared_ptr<ISqlCut> cut) {
        std::lock_guard<std::mutex> lock(mutex_);
        held_ = std::move(cut);
        if (cut_ && held_) held_->Cut();
    }
    void Cut() {
        std::lock_guard<std::mutex> lock(mutex_);
        cut_ = true;
        if (held_) held_->Cut();
    }

private:
    std::mutex mutex_;
    std::shared_ptr<ISqlCut> held_;
    bool cut_ = false;
};

}  // namespace qs
