#pragma once

// A virtual QT-71DR on its cloning cable: the radio's side of the clone protocol.
//
// Bytes in, bytes out, on a clock the caller drives (milliseconds, any origin, never going
// backwards):
//
//   radio.fromProgram(bytesTheProgramWrote, nowMs);   // the cable echoes them, the radio
//                                                     // answers complete request frames
//   Bytes back = radio.toProgram(nowMs);              // what has reached the program by now
//
// Output leaves at the configured line speed (default 9600 bit/s, 10 bits a byte, echo
// included); 0 releases everything at once. The echo of a write always comes before the
// answer to it. `lineClosed()` is the program closing its port: bytes still on their way are
// lost, a half-received request is forgotten and a hung-up line works again.
//
// What it answers:
//   E0 identification  -> E1 with model code, sub code, count, format byte 01 at body
//                         position 43, option flags at 59 and "7D6F" at 66..69 (69-byte body)
//   E2 clone read      -> the whole image as E4 blocks of `blockSize` bytes (1..122,
//                         default 16: 2007 blocks), then E5 with the maker bytes and the
//                         block count modulo 256
//   E8 03 <code>       -> E8 answer: model, sub code, 03, the reading as two ASCII hex digits
//                         (bench_model.h lists the codes and curves)
//   E8 <cmd> <value>   -> no answer; the value is applied and stored (adjust_commands.h)
// Requests for another model code (E2, E8) are ignored, as are frames not addressed EE/EF.
// The built-in image and its known values are described in builtin_image.h, the faults in
// faults.h.

#include <cstdint>
#include <functional>
#include <string>

#include "bench_model.h"
#include "faults.h"
#include "line_pacer.h"
#include "memory_image.h"
#include "monitor_curves.h"
#include "request_parser.h"
#include "wire_format.h"

namespace qtsim {

struct RadioConfig {
    std::string modelCode = "3017";
    std::string subCode = "0102";
    int blockSize = 16;
    int bitsPerSecond = 9600;
    std::uint8_t optionFlags = 0x00;
    Faults faults;
    BenchCurves curves;
};

// Counts of what the radio has done, for tests and the log.
struct RadioStats {
    int identifications = 0;
    int cloneReads = 0;
    int blocksSent = 0;  // in the last clone read
    int settings = 0;
    int readings = 0;
    int ignoredFrames = 0;
    int keyedMeasurements = 0;  // transmitter quantities a coupled monitor measured
};

class VirtualRadio {
public:
    static constexpr int kIdentityBodyBytes = 69;
    static constexpr int kFormatBytePosition = 43;
    static constexpr int kOptionFlagsPosition = 59;
    static constexpr int kLastAddressPosition = 66;

    explicit VirtualRadio(RadioConfig config = {}, MemoryImage image = MemoryImage::builtIn());

    // Checks a configuration; false with `error` saying what is wrong.
    static bool validate(const RadioConfig& config, std::string* error);

    // The line's time in microseconds: bytes leave when their last bit has.
    void fromProgramAtUs(const Bytes& bytes, std::int64_t nowUs);
    Bytes toProgramAtUs(std::int64_t nowUs);
    // When the next byte will have reached the program (only while output is pending).
    std::int64_t nextOutputUs() const { return line_.nextDueUs(); }
    // The same on a clock of whole milliseconds.
    void fromProgram(const Bytes& bytes, std::int64_t nowMs) { fromProgramAtUs(bytes, nowMs * 1000); }
    Bytes toProgram(std::int64_t nowMs) { return toProgramAtUs(nowMs * 1000); }
    std::int64_t nextOutputMs() const { return (line_.nextDueUs() + 999) / 1000; }
    bool outputPending() const { return line_.pending(); }
    void lineClosed();
    // True after a hang-up fault fired, until the line is closed.
    bool hungUp() const { return hungUp_; }

    const MemoryImage& image() const { return image_; }
    MemoryImage& image() { return image_; }
    const RadioConfig& config() const { return config_; }
    BenchModel& bench() { return bench_; }
    const RadioStats& stats() const { return stats_; }

    // Live state set by adjustment commands.
    int selectedChannel() const { return selectedChannel_; }
    bool adjustMode() const { return adjustMode_; }
    int lastLevelAdjust() const { return lastLevelAdjust_; }

    // Couples a service monitor's generator to the receiver (monitor_curves.h); it must
    // outlive the radio. Null uncouples: the readings are those of bench_model.h alone.
    void coupleGenerator(const GeneratorOutput* generator, MonitorCurves curves = {});
    const MonitorCurves& monitorCurves() const { return monitorCurves_; }
    // A meter measures the transmitter: the radio counts as keyed for it.
    void keyForMeasurement();

    // Called with one line of text per frame in either direction and per ignored request.
    void setFrameLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

    // The frames the radio sends, built from its configuration (also for tests).
    Bytes identityFrame() const;
    Bytes readingFrame(int value) const;

private:
    void handleRequest(const Bytes& body, std::int64_t nowUs);
    void handleAdjust(const Bytes& body, std::int64_t nowUs);
    void sendCloneRead(std::int64_t nowUs);
    Bytes faultyBlock(int blockNumber, std::uint16_t address, const Bytes& data);
    void send(const Bytes& frame, std::int64_t nowUs);
    void note(const std::string& text);
    std::string reportedModel() const;
    std::string reportedSubCode() const;

    RadioConfig config_;
    MemoryImage image_;
    BenchModel bench_;
    LinePacer line_;
    RequestParser parser_;
    RadioStats stats_;
    std::function<void(const std::string&)> log_;
    bool hungUp_ = false;
    int selectedChannel_ = 0;
    bool adjustMode_ = false;
    int lastLevelAdjust_ = 0;
    bool lastLevelAdjustRx_ = true;
    const GeneratorOutput* generator_ = nullptr;
    MonitorCurves monitorCurves_;
    std::uint32_t noiseSeed_ = 0x2545F491u;
};

}  // namespace qtsim
