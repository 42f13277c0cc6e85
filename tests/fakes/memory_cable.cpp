#include "fakes/memory_cable.h"

namespace qs {

void MemoryCable::setCommPort(std::int16_t port) {
    commPort_ = port;
    ++setCommPortCalls_;
}

void MemoryCable::setSettings(const std::string& settings) {
    settings_ = settings;
    ++setSettingsCalls_;
}

bool MemoryCable::setPortOpen(bool open, std::string* error) {
    if (open) {
        ++openCalls_;
        if (!openFailure_.empty()) {
            if (error) *error = openFailure_;
            return false;
        }
        if (!open_) {
            openedPorts_.push_back(commPort_);
            openedSettings_.push_back(settings_);
        }
        open_ = true;
        return true;
    }
    ++closeCalls_;
    // A real port drops whatever it had received when it closes.
    open_ = false;
    rx_.clear();
    return true;
}

Bytes MemoryCable::input() {
    Bytes out;
    out.swap(rx_);
    return out;
}

bool MemoryCable::output(const Bytes& data) {
    if (!open_) return false;
    writes_.push_back(data);
    if (echo_) rx_.insert(rx_.end(), data.begin(), data.end());
    if (peer_) peer_(data);
    return true;
}

bool MemoryCable::clearOutBuffer() {
    ++clearOutCalls_;
    if (!open_) return true;
    if (clearOutFails_) return false;
    outBufferCount_ = 0;
    return true;
}

void MemoryCable::setEventHandler(std::function<void(CommEvent)> handler) {
    handler_ = std::move(handler);
}

void MemoryCable::deliver(const Bytes& data, RaiseEvent raiseEvent) {
    // Nothing reaches a closed port.
    if (!open_) return;
    rx_.insert(rx_.end(), data.begin(), data.end());
    if (raiseEvent == RaiseEvent::Yes) raise(CommEvent::Receive);
}

void MemoryCable::raise(CommEvent event) {
    if (handler_) handler_(event);
}

Bytes MemoryCable::allWritten() const {
    Bytes out;
    for (const Bytes& w : writes_)
        out.insert(out.end(), w.begin(), w.end());
    return out;
}

}  // namespace qs
