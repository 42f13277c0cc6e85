#pragma once

#include <QMetaObject>
#include <QObject>
#include <mutex>

namespace qs::qt {

// The lock that orders a call posted from a helper thread before its run on the program's
// thread.
std::mutex& ThreadPostLock();

// Runs `call` later on `context`'s thread, from any thread. The call is posted while a lock is
// held, and taken again on the receiving side before the call runs: the hand-over is ordered
// by a lock of the program's own, not only by the event queue's inside Qt, which a thread
// checker cannot see into.
template <typename Call>
void PostFromThread(QObject* context, Call call) {
    std::lock_guard<std::mutex> lock(ThreadPostLock());
    QMetaObject::invokeMethod(
        context,
        [call = std::move(call)]() mutable {
            { std::lock_guard<std::mutex> handedOver(ThreadPostLock()); }
            call();
        },
        Qt::QueuedConnection);
}

}  // namespace qs::qt
