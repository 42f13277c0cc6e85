#include "port/serial_trace.h"

#include <cstdio>

#include "port/frame_text.h"

namespace qs {
namespace {

constexpr std::uint8_t kPreamble = 0xFE;
constexpr std::uint8_t kEndMark = 0xFD;

std::string SpacedHex(const Bytes& bytes) {
    static const char* const kDigits = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

bool IsEcho(const Bytes& frame) {
    return frame.size() > 4 && frame[2] == 0xEE && frame[3] == 0xEF;
}

}  // namespace

TracingSerialPort::TracingSerialPort(ISerialPort& inner, const ITickSource& clock, ILineSink& sink)
    : SerialPortDecorator(inner), clock_(clock), sink_(sink), startTick_(clock.GetTickCount()) {}

std::string TracingSerialPort::Stamp() const {
    const auto elapsed =
        static_cast<std::uint32_t>(clock_.GetTickCount()) - static_cast<std::uint32_t>(startTick_);
    char text[24] = {};
    std::snprintf(text, sizeof text, "[%8u ms]", static_cast<unsigned>(elapsed));
    return text;
}

void TracingSerialPort::Write(const std::string& direction, const Bytes& bytes,
                              const std::string& meaning) {
    std::string line = Stamp() + " " + direction;
    if (!bytes.empty()) line += " " + SpacedHex(bytes);
    if (!meaning.empty()) line += " | " + meaning;
    sink_.WriteLine(line);
}

bool TracingSerialPort::setPortOpen(bool open, std::string* error) {
    if (!open) FlushOpenFrame("RX cut off");
    std::string reason;
    const bool ok = inner().setPortOpen(open, &reason);
    if (error != nullptr) *error = reason;
    std::string what =
        open ? "port " + std::to_string(inner().commPort()) + " opened" : "port closed";
    if (!ok)
        what = (open ? "port " + std::to_string(inner().commPort()) + " cannot be opened: "
                     : "port cannot be closed: ") +
               reason;
    Write("--", {}, what);
    return ok;
}

Bytes TracingSerialPort::input() {
    Bytes bytes = inner().input();
    if (!bytes.empty()) Received(bytes);
    return bytes;
}

bool TracingSerialPort::output(const Bytes& data) {
    const bool ok = inner().output(data);
    Write(ok ? "TX" : "TX refused", data, DescribeFrame(data));
    return ok;
}

void TracingSerialPort::Received(const Bytes& bytes) {
    for (std::uint8_t b : bytes) {
        // A preamble after bytes that are no frame start ends the noise before it.
        const bool frameOpen = rx_.size() >= 2 && rx_[0] == kPreamble && rx_[1] == kPreamble;
        if (b == kPreamble && !rx_.empty() && rx_.back() != kPreamble && !frameOpen) {
            FlushOpenFrame("RX noise");
        } else if (b == kPreamble && frameOpen && rx_.back() != kPreamble) {
            // A new start inside a frame: what came before never ended.
            FlushOpenFrame("RX cut off");
        }
        rx_.push_back(b);
        if (b == kEndMark) {
            const bool isFrame = rx_.size() >= 2 && rx_[0] == kPreamble && rx_[1] == kPreamble;
            if (isFrame) {
                const std::string meaning = DescribeFrame(rx_);
                Write("RX", rx_, IsEcho(rx_) ? "echo: " + meaning : meaning);
                rx_.clear();
            } else {
                FlushOpenFrame("RX noise");
            }
        } else if (rx_.size() >= kMaxOpenFrameBytes) {
            FlushOpenFrame("RX noise");
        }
    }
}

void TracingSerialPort::FlushOpenFrame(const char* what) {
    if (rx_.empty()) return;
    Write(what, rx_, "");
    rx_.clear();
}

}  // namespace qs
