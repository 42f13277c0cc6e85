#include "virtual_radio.h"

#include <algorithm>

#include "adjust_commands.h"
#include "channel_facts.h"

namespace qtsim {

namespace {

std::string byteText(int value) {
    return std::string{hexDigit(value >> 4), hexDigit(value)};
}

}  // namespace

VirtualRadio::VirtualRadio(RadioConfig config, MemoryImage image)
    : config_(std::move(config)),
      image_(std::move(image)),
      bench_(config_.curves),
      line_(config_.bitsPerSecond) {
    // A bad size would make frames the program cannot take; keep to what the line carries.
    config_.blockSize = std::clamp(config_.blockSize, 1, kMaxBlockBytes);
    if (!codeBytes(config_.modelCode)) config_.modelCode = "3017";
    if (!codeBytes(config_.subCode)) config_.subCode = "0102";
    lastLevelAdjust_ = image_.read(92);
}

bool VirtualRadio::validate(const RadioConfig& config, std::string* error) {
    auto fail = [error](const std::string& text) {
        if (error) *error = text;
        return false;
    };
    if (config.blockSize < 1 || config.blockSize > kMaxBlockBytes) {
        return fail("block size must be 1 to " + std::to_string(kMaxBlockBytes));
    }
    if (config.bitsPerSecond < 0) return fail("line speed must not be negative");
    if (!codeBytes(config.modelCode)) return fail("model code must be four hex digits");
    if (!codeBytes(config.subCode)) return fail("sub code must be four hex digits");
    return true;
}

void VirtualRadio::fromProgramAtUs(const Bytes& bytes, std::int64_t nowUs) {
    if (hungUp_ || bytes.empty()) return;
    // The cable hands every byte straight back before the radio has a chance to answer.
    if (!config_.faults.noEcho) line_.queue(bytes, nowUs);
    for (const Bytes& body : parser_.feed(bytes))
        handleRequest(body, nowUs);
}

Bytes VirtualRadio::toProgramAtUs(std::int64_t nowUs) {
    return line_.release(nowUs);
}

void VirtualRadio::lineClosed() {
    line_.clear();
    parser_.reset();
    hungUp_ = false;
}

void VirtualRadio::note(const std::string& text) {
    if (log_) log_(text);
}

std::string VirtualRadio::reportedModel() const {
    return config_.faults.otherModel ? kOtherModelCode : config_.modelCode;
}

std::string VirtualRadio::reportedSubCode() const {
    return config_.faults.refusedSubCode ? kRefusedSubCode : config_.subCode;
}

void VirtualRadio::send(const Bytes& frame, std::int64_t nowUs) {
    if (config_.faults.noEcho || config_.faults.noAnswer) return;
    if (config_.faults.noise) {
        // Line noise that never forms a frame mark: 1 to 8 bytes from a fixed sequence.
        noiseSeed_ = noiseSeed_ * 1664525u + 1013904223u;
        const int count = 1 + static_cast<int>((noiseSeed_ >> 24) % 8);
        Bytes noise;
        for (int i = 0; i < count; ++i) {
            noiseSeed_ = noiseSeed_ * 1664525u + 1013904223u;
            noise.push_back(static_cast<std::uint8_t>((noiseSeed_ >> 16) % 0xFD));
        }
        line_.queue(noise, nowUs);
    }
    line_.queue(frame, nowUs);
    if (log_) log_("radio -> program: " + hexDump(frame));
}

void VirtualRadio::handleRequest(const Bytes& body, std::int64_t nowUs) {
    Bytes frame{kPreamble, kPreamble};
    frame.insert(frame.end(), body.begin(), body.end());
    frame.push_back(kEndMark);
    if (log_) log_("program -> radio: " + hexDump(frame));

    if (body.size() < 3 || body[0] != kRadioAddress || body[1] != kProgramAddress) {
        ++stats_.ignoredFrames;
        note("  ignored: not a frame from the program to the radio");
        return;
    }
    const Bytes ownModel = *codeBytes(reportedModel());
    const bool forThisModel = body.size() >= 5 && body[3] == ownModel[0] && body[4] == ownModel[1];
    switch (body[2]) {
        case kCmdIdentify:
            ++stats_.identifications;
            send(identityFrame(), nowUs);
            return;
        case kCmdCloneRead:
            if (!forThisModel) break;
            sendCloneRead(nowUs);
            return;
        case kCmdAdjust:
            if (!forThisModel) break;
            handleAdjust(body, nowUs);
            return;
        default:
            break;
    }
    ++stats_.ignoredFrames;
    note("  ignored: unknown command or another model code");
}

void VirtualRadio::handleAdjust(const Bytes& body, std::int64_t nowUs) {
    // EE EF E8, model (2), sub code (2), command, two ASCII hexadecimal digits.
    constexpr std::size_t kAdjustBodyBytes = 10;
    if (body.size() != kAdjustBodyBytes) {
        ++stats_.ignoredFrames;
        note("  ignored: adjustment command of the wrong length");
        return;
    }
    const std::uint8_t command = body[7];
    const auto value = asciiHexByte(body[8], body[9]);
    if (!value) {
        ++stats_.ignoredFrames;
        note("  ignored: adjustment value is not two hexadecimal digits");
        return;
    }
    if (command == kAdjustReading) {
        ++stats_.readings;
        Reception reception;
        if (generator_) {
            const auto channel = channelFacts(image_, selectedChannel_);
            const auto level = receivedLevelDbm(monitorCurves_, *generator_,
                                                channel ? channel->rxHz : std::nullopt);
            reception.detectorPeak = detectorPeak(monitorCurves_, level, bench_.curves().sdFloor,
                                                  bench_.curves().sdPeak);
            reception.quieting = quieting(monitorCurves_, level);
            reception.receiverLevelAdjust = lastLevelAdjustRx_;
        }
        const auto reading =
            bench_.reading(*value, image_, lastLevelAdjust_, generator_ ? &reception : nullptr);
        send(readingFrame(reading), nowUs);
        return;
    }
    if (command == kAdjustSelectChannel) {
        ++stats_.settings;
        selectedChannel_ = *value - 1;
        note("  channel " + std::to_string(*value));
        return;
    }
    if (command == kAdjustMode) {
        ++stats_.settings;
        adjustMode_ = *value != 0;
        note(std::string("  adjustment mode ") + (adjustMode_ ? "on" : "off"));
        return;
    }
    const auto setting = storedSetting(command);
    if (!setting) {
        ++stats_.ignoredFrames;
        note("  ignored: unknown adjustment command " + byteText(command));
        return;
    }
    ++stats_.settings;
    image_.write(setting->address, static_cast<std::uint8_t>(*value));
    if (command == kAdjustRxLva || command == kAdjustTxLva) {
        lastLevelAdjust_ = *value;
        lastLevelAdjustRx_ = command == kAdjustRxLva;
    }
    note(std::string("  ") + setting->name + " = " + std::to_string(*value) + " at " +
         std::to_string(setting->address));
}

void VirtualRadio::coupleGenerator(const GeneratorOutput* generator, MonitorCurves curves) {
    generator_ = generator;
    monitorCurves_ = curves;
}

void VirtualRadio::keyForMeasurement() {
    ++stats_.keyedMeasurements;
    note("  keyed for a transmitter measurement");
}

Bytes VirtualRadio::readingFrame(int value) const {
    const Faults& faults = config_.faults;
    Bytes data =
        *codeBytes(faults.readingIdentity ? std::string(kOtherModelCode) : reportedModel());
    const Bytes sub = *codeBytes(reportedSubCode());
    data.insert(data.end(), sub.begin(), sub.end());
    data.push_back(kAdjustReading);
    if (faults.readingLength) data.push_back('0');
    if (faults.readingDigits) {
        data.push_back('G');
        data.push_back('H');
    } else {
        appendAsciiHex(data, static_cast<std::uint8_t>(value));
    }
    return radioFrame(kCmdAdjust, data);
}

}  // namespace qtsim
