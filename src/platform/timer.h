#pragma once

#include <cstdint>
#include <functional>

namespace qs {

// A periodic timer whose handler runs on the program's one thread.
class ITimer {
public:
    virtual ~ITimer() = default;
    virtual void setInterval(std::int32_t milliseconds) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void setHandler(std::function<void()> handler) = 0;
};

}  // namespace qs
