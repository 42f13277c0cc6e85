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
    first_ = 0;
    end_ = 0;
    waitingForStart_ = true;
}

Bytes CloneStreamCutter::buffer() const {
    return Bytes(store_.begin() + static_cast<std::ptrdiff_t>(first_),
                 store_.begin() + static_cast<std::ptrdiff_t>(end_));
}

void CloneStreamCutter::Append(const std::uint8_t* first, const std::uint8_t* last) {
    const auto count = static_cast<std::size_t>(last - first);
    if (count >= kRxBufferMaxBytes) {
        std::copy(last - kRxBufferMaxBytes, last, store_.begin());
        first_ = 0;
        end_ = kRxBufferMaxBytes;
        return;
    }
    if (end_ + count > store_.size()) {
        // The buffer holds at most kRxBufferMaxBytes, so after the move there is room.
        std::copy(store_.begin() + static_cast<std::ptrdiff_t>(first_),
                  store_.begin() + static_cast<std::ptrdiff_t>(end_), store_.begin());
        end_ -= first_;
        first_ = 0;
    }
    // Port reads at 9600 bit/s are mostly a byte or two: a plain loop, not a copy call.
    for (const std::uint8_t* p = first; p != last; ++p)
        store_[end_++] = *p;
    if (end_ - first_ > kRxBufferMaxBytes) first_ = end_ - kRxBufferMaxBytes;
}

void CloneStreamCutter::MakeRoom() {
    // Only the last kRxBufferMaxBytes are kept, so at least as much room is left after.
    const std::size_t keep = std::min(BufferSize(), kRxBufferMaxBytes);
    std::copy(store_.begin() + static_cast<std::ptrdiff_t>(end_ - keep),
              store_.begin() + static_cast<std::ptrdiff_t>(end_), store_.begin());
    first_ = 0;
    end_ = keep;
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
        const auto bufferEnd = store_.begin() + static_cast<std::ptrdiff_t>(end_);
        seam_.assign(bufferEnd - static_cast<std::ptrdiff_t>(fromBuffer), bufferEnd);
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
    const std::uint8_t* p = data.data();
    const std::uint8_t* const end = p + data.size();
    if (waitingForStart_) {
        // Only the first mark matters: a start mark starts the frame; an end mark before it,
        // or no mark at all, drops the bytes.
        while (p != end && *p != kPreamble && *p != kEndMark)
            ++p;
        if (p == end || *p == kEndMark) {
            data = {};
            return Found::Nothing;
        }
        // Both preamble bytes pass through here, so the body begins empty.
        data = ByteView(p + 1, end);
        waitingForStart_ = false;
        first_ = 0;
        end_ = 0;
        return Found::Nothing;
    }
    // Inside a frame: the bytes up to the first mark go straight into the store in one pass
    // (port reads are mostly a byte or two, so this path is kept short).
    std::uint8_t* out = store_.data() + end_;
    for (;;) {
        const auto room = static_cast<std::size_t>(store_.data() + store_.size() - out);
        const std::uint8_t* const stop =
            static_cast<std::size_t>(end - p) < room ? end : p + room;
        while (p != stop && *p != kPreamble && *p != kEndMark)
            *out++ = *p++;
        if (p != stop || p == end) break;
        end_ = static_cast<std::size_t>(out - store_.data());
        MakeRoom();
        out = store_.data() + end_;
    }
    end_ = static_cast<std::size_t>(out - store_.data());
    if (end_ - first_ > kRxBufferMaxBytes) first_ = end_ - kRxBufferMaxBytes;
    if (p == end) {
        data = {};
        return Found::Nothing;
    }
    data = ByteView(p + 1, end);
    if (*p == kPreamble) {
        // A stray start mark restarts the frame.
        first_ = 0;
        end_ = 0;
        return Found::Nothing;
    }
    return CompleteFrame(body);
}

CloneStreamCutter::Found CloneStreamCutter::CompleteFrame(Bytes& body) {
    body.assign(store_.begin() + static_cast<std::ptrdiff_t>(first_),
                store_.begin() + static_cast<std::ptrdiff_t>(end_));
    first_ = 0;
    end_ = 0;
    waitingForStart_ = true;
    return Found::Answer;
}

}  // namespace qs
