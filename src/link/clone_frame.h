#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/bytes.h"

namespace qs {

// Wire constants of the clone protocol.
inline constexpr std::uint8_t kPreamble = 0xFE;
inline constexpr std::uint8_t kEndMark = 0xFD;
inline constexpr std::uint8_t kRadioAddress = 0xEE;
inline constexpr std::uint8_t kProgramAddress = 0xEF;
inline constexpr std::uint8_t kCmdIdentify = 0xE0;
inline constexpr std::uint8_t kCmdIdentifyAnswer = 0xE1;
inline constexpr std::uint8_t kCmdCloneRead = 0xE2;
inline constexpr std::uint8_t kCmdDataBlock = 0xE4;
inline constexpr std::uint8_t kCmdCloneEnd = 0xE5;
inline constexpr std::uint8_t kCmdAdjust = 0xE8;

// The receive buffer keeps only this many of the latest bytes.
inline constexpr std::size_t kRxBufferMaxBytes = 256;

// FE FE EE EF, the command code and data, FD.
Bytes BuildCloneFrame(const Bytes& commandAndData);

// What the transaction currently waits for; decides how received bytes are read.
enum class WaitState { None, Echo, Answer };

// A view of received bytes; a step consumes bytes by moving the view's front.
using ByteView = std::span<const std::uint8_t>;

// Cuts the received byte stream into the echo of the sent frame and the radio's answer
// bodies (the bytes between the last FE before a frame and its FD). Pure: no I/O and no
// time, so tests and fuzzers can drive it with any bytes.
//
// Every received byte is looked at a bounded number of times, so the cost is linear in the
// bytes received however the port splits them into reads and however long the blocks are.
class CloneStreamCutter {
public:
    enum class Found { Nothing, Echo, Answer };

    // Consumes bytes from the front of `data` for the given wait state and stops at the
    // first thing found (or once `data` is used up). On Answer the body is in `body`.
    // Callers loop while `data` is not empty, passing the wait state as it is after
    // acting on what was found.
    Found Step(WaitState state, const Bytes& transmitFrame, ByteView& data, Bytes& body) {
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
    // The same on a byte string, which loses the bytes consumed (for tests and tools; each
    // call moves what is left, so a caller that loops over a long read should use a view).
    Found Step(WaitState state, const Bytes& transmitFrame, Bytes& data, Bytes& body);

    // The short way for the commonest read, bytes in the middle of an answer frame: when the
    // frame has begun, `data` holds no mark and fits the store, appends it and returns true.
    // Otherwise changes nothing and returns false; Step then takes the bytes. Same result as
    // Step in answer wait, without its per-call cost (port reads are mostly a byte or two).
    bool TakeFrameBytes(ByteView data) {
        if (waitingForStart_ || data.size() > store_.size() - end_) return false;
        // Copied while looking for a mark; the copy counts only when none is found.
        std::uint8_t* out = store_.data() + end_;
        for (const std::uint8_t byte : data) {
            if (byte == kPreamble || byte == kEndMark) return false;
            *out++ = byte;
        }
        end_ += data.size();
        if (end_ - first_ > kRxBufferMaxBytes) first_ = end_ - kRxBufferMaxBytes;
        return true;
    }

    // Empties the receive buffer and waits for the next start mark.
    void Clear();

    // The receive buffer: the last bytes kept, at most kRxBufferMaxBytes.
    Bytes buffer() const;
    bool waitingForStart() const { return waitingForStart_; }

private:
    void Append(const std::uint8_t* first, const std::uint8_t* last);
    void MakeRoom();
    std::size_t BufferSize() const { return end_ - first_; }
    Found StepEcho(const Bytes& transmitFrame, ByteView& data);
    Found StepAnswer(ByteView& data, Bytes& body);
    Found CompleteFrame(Bytes& body);

    // The buffer is store_[first_, end_). Bytes before first_ have dropped out of it; the
    // kept bytes move to the front only when the store is full, so each append costs about
    // what it adds.
    std::array<std::uint8_t, 2 * kRxBufferMaxBytes> store_{};
    std::size_t first_ = 0;
    std::size_t end_ = 0;
    // Scratch for the echo search across the buffer's end; kept to reuse its memory.
    Bytes seam_;
    bool waitingForStart_ = true;
};

}  // namespace qs
