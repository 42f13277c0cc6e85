#include "link/clone_frame.h"

#include <algorithm>

namespace qs {

Bytes BuildCloneFrame(const Bytes& commandAndData) {
    Bytes frame{kPreamble, kPreamble, kRadioAddress, kProgramAddress};
    frame.insert(frame.end(), commandAndData.begin(), commandAndData.end());
    frame.push_back(kEndMark);
    return frame;
}

void CloneStreamCutter::Clear() {
    buffer_.clear();
    waitingForStart_ = true;
}

void CloneStreamCutter::Append(Bytes::const_iterator first, Bytes::const_iterator last) {
    buffer_.insert(buffer_.end(), first, last);
    if (buffer_.size() > kRxBufferMaxBytes) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(
                                                             buffer_.size() - kRxBufferMaxBytes));
    }
}

CloneStreamCutter::Found CloneStreamCutter::Step(WaitState state, const Bytes& transmitFrame,
                                                 Bytes& data, Bytes& body) {
    switch (state) {
        case WaitState::Echo:
            return StepEcho(transmitFrame, data);
        case WaitState::Answer:
            return StepAnswer(data, body);
        case WaitState::None:
            break;
    }
    data.clear();
    return Found::Nothing;
}

CloneStreamCutter::Found CloneStreamCutter::StepEcho(const Bytes& transmitFrame, Bytes& data) {
    // Search the new bytes together with what is buffered before cutting the buffer down to
    // its size: an echo followed at once by a long answer (a port read after a stall, or a
    // fast radio) would otherwise be cut away and the frame reported as never echoed.
    Bytes received;
    received.reserve(buffer_.size() + data.size());
    received.insert(received.end(), buffer_.begin(), buffer_.end());
    received.insert(received.end(), data.begin(), data.end());
    data.clear();
    buffer_.clear();
    Append(received.begin(), received.end());
    if (transmitFrame.empty()) return Found::Nothing;
    const auto at =
        std::search(received.begin(), received.end(), transmitFrame.begin(), transmitFrame.end());
    if (at == received.end()) return Found::Nothing;
    // What follows the echo may already be the answer; the buffer itself is emptied by the
    // answer's start mark.
    data.assign(at + static_cast<std::ptrdiff_t>(transmitFrame.size()), received.end());
    waitingForStart_ = true;
    return Found::Echo;
}

CloneStreamCutter::Found CloneStreamCutter::StepAnswer(Bytes& data, Bytes& body) {
    const auto start = std::find(data.begin(), data.end(), kPreamble);
    const auto end = std::find(data.begin(), data.end(), kEndMark);

    if (start != data.end() && (end == data.end() || start < end)) {
        // A start mark: the frame (re)starts after it. Both preamble bytes pass through here,
        // so the body begins empty.
        data.erase(data.begin(), start + 1);
        waitingForStart_ = false;
        buffer_.clear();
        return Found::Nothing;
    }
    if (waitingForStart_) {
        // Outside a frame, including an end mark seen before any start mark.
        data.clear();
        return Found::Nothing;
    }
    if (end == data.end()) {
        Append(data.begin(), data.end());
        data.clear();
        return Found::Nothing;
    }
    Append(data.begin(), end);
    data.erase(data.begin(), end + 1);
    return CompleteFrame(body);
}

CloneStreamCutter::Found CloneStreamCutter::CompleteFrame(Bytes& body) {
    body = buffer_;
    buffer_.clear();
    waitingForStart_ = true;
    return Found::Answer;
}

}  // namespace qs
