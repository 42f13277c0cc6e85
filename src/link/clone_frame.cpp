#include "link/clone_frame.h"

#include <algorithm>

namespace qs {

Bytes BuildCloneFrame(const Bytes& commandAndData) {
    // Sized up front: growing a four-byte vector here trips a false -Warray-bounds in GCC 12.
    Bytes frame(commandAndData.size() + 5);
    frame[0] = kPreamble;
    frame[1] = kPreamble;
    frame[2] = kRadioAddress;
    frame[3] = kProgramAddress;
    std::copy(commandAndData.begin(), commandAndData.end(), frame.begin() + 4);
    frame.back() = kEndMark;
    return frame;
}

void CloneStreamCutter::Clear() {
    store_.clear();
    first_ = 0;
    waitingForStart_ = true;
}

Bytes CloneStreamCutter::buffer() const {
    return Bytes(store_.begin() + static_cast<std::ptrdiff_t>(first_), store_.end());
}

void CloneStreamCutter::Append(const std::uint8_t* first, const std::uint8_t* last) {
    const auto count = static_cast<std::size_t>(last - first);
    if (count >= kRxBufferMaxBytes) {
        store_.assign(last - kRxBufferMaxBytes, last);
        first_ = 0;
        return;
    }
    store_.insert(store_.end(), first, last);
    if (BufferSize() > kRxBufferMaxBytes) first_ = store_.size() - kRxBufferMaxBytes;
    if (first_ >= kRxBufferMaxBytes) {
        store_.erase(store_.begin(), store_.begin() + static_cast<std::ptrdiff_t>(first_));
        first_ = 0;
    }
}

CloneStreamCutter::Found CloneStreamCutter::Step(WaitState state, const Bytes& transmitFrame,
                                                 ByteView& data, Bytes& body) {
    switch (state) {
        case WaitState::Echo:
            return StepEcho(transmitFrame, data);
        case WaitState::Answer:
            return StepAnswer(data, body);
        case WaitState::None:
            break;
    }
    data = {};
    return Found::Nothing;
}

CloneStreamCutter::Found CloneStreamCutter::Step(WaitState state, const Bytes& transmitFrame,
                                                 Bytes& data, Bytes& body) {
    ByteView rest(data);
    const Found found = Step(state, transmitFrame, rest, body);
    data.erase(data.begin(), data.end() - static_cast<std::ptrdiff_t>(rest.size()));
    return found;
}

CloneStreamCutter::Found CloneStreamCutter::StepEcho(const Bytes& transmitFrame, ByteView& data) {
    // The echo is looked for in the buffered bytes and the new ones together, before the
    // buffer is cut down to its size: an echo followed at once by a long answer (a port read
    // after a stall, or a fast radio) would otherwise be cut away and the frame reported as
    // never echoed. The buffer never holds a whole echo here (it would have been found when
    // its last byte came), so only an echo that ends in the new bytes can be found: one that
    // begins in the buffer's last bytes, or one wholly in the new bytes.
    const std::uint8_t* begin = data.data();
    const std::uint8_t* end = begin + data.size();
    const std::size_t length = transmitFrame.size();
    std::size_t consumed = 0;  // new bytes up to the end of the echo; 0 when not found
    if (length > 0) {
        const std::size_t fromBuffer = std::min(BufferSize(), length - 1);
        seam_.assign(store_.end() - static_cast<std::ptrdiff_t>(fromBuffer), store_.end());
        seam_.insert(seam_.end(), begin, begin + std::min(data.size(), length - 1));
        const auto inSeam =
            std::search(seam_.begin(), seam_.end(), transmitFrame.begin(), transmitFrame.end());
        if (inSeam != seam_.end()) {
            consumed = static_cast<std::size_t>(inSeam - seam_.begin()) + length - fromBuffer;
        } else {
            const std::uint8_t* inData =
                std::search(begin, end, transmitFrame.begin(), transmitFrame.end());
            if (inData != end) consumed = static_cast<std::size_t>(inData - begin) + length;
        }
    }
    Append(begin, end);
    if (consumed == 0) {
        data = {};
        return Found::Nothing;
    }
    // What follows the echo may already be the answer; the buffer itself is emptied by the
    // answer's start mark.
    data = data.subspan(consumed);
    waitingForStart_ = true;
    return Found::Echo;
}

CloneStreamCutter::Found CloneStreamCutter::StepAnswer(ByteView& data, Bytes& body) {
    // Only the first mark matters: a start mark (re)starts the frame, an end mark before any
    // start mark ends it.
    const std::uint8_t* begin = data.data();
    const std::uint8_t* end = begin + data.size();
    const std::uint8_t* mark = std::find_if(
        begin, end, [](std::uint8_t b) { return b == kPreamble || b == kEndMark; });

    if (mark != end && *mark == kPreamble) {
        // Both preamble bytes pass through here, so the body begins empty.
        data = data.subspan(static_cast<std::size_t>(mark - begin) + 1);
        waitingForStart_ = false;
        store_.clear();
        first_ = 0;
        return Found::Nothing;
    }
    if (waitingForStart_) {
        // Outside a frame, including an end mark seen before any start mark.
        data = {};
        return Found::Nothing;
    }
    Append(begin, mark);
    if (mark == end) {
        data = {};
        return Found::Nothing;
    }
    data = data.subspan(static_cast<std::size_t>(mark - begin) + 1);
    return CompleteFrame(body);
}

CloneStreamCutter::Found CloneStreamCutter::CompleteFrame(Bytes& body) {
    body.assign(store_.begin() + static_cast<std::ptrdiff_t>(first_), store_.end());
    store_.clear();
    first_ = 0;
    waitingForStart_ = true;
    return Found::Answer;
}

}  // namespace qs
