#include "qtcore/thread_post.h"

namespace qs::qt {

std::mutex& ThreadPostLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace qs::qt
