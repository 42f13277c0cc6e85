// The radio's identification answer and its memory dump.
#include <algorithm>

#include "virtual_radio.h"

namespace qtsim {

namespace {

// One past the last address of the image, as the first address of the fault block.
constexpr std::uint16_t kOutsideAddress = 0x7D70;

}  // namespace

Bytes VirtualRadio::identityFrame() const {
    // Body positions count from 1 (destination); the data below starts at position 4.
    constexpr int kFirstDataPosition = 4;
    Bytes data(kIdentityBodyBytes - kFirstDataPosition + 1, 0x00);
    auto at = [&data](int position) -> std::uint8_t& {
        return data[static_cast<std::size_t>(position - kFirstDataPosition)];
    };
    const Bytes model = *codeBytes(reportedModel());
    const Bytes sub = *codeBytes(reportedSubCode());
    at(4) = model[0];
    at(5) = model[1];
    at(6) = sub[0];
    at(7) = sub[1];
    at(8) = static_cast<std::uint8_t>(kIdentityBodyBytes - 7);
    static constexpr char kName[] = "QT-71DR";
    for (int i = 0; kName[i] != '\0'; ++i)
        at(9 + i) = static_cast<std::uint8_t>(kName[i]);
    at(kFormatBytePosition) = static_cast<std::uint8_t>(config_.faults.formatByte);
    at(kOptionFlagsPosition) = config_.optionFlags;
    const int lastAddress = image_.size() - 1;
    for (int i = 0; i < 4; ++i) {
        at(kLastAddressPosition + i) =
            static_cast<std::uint8_t>(hexDigit(lastAddress >> (12 - 4 * i)));
    }
    return radioFrame(kCmdIdentity, data);
}

Bytes VirtualRadio::faultyBlock(int blockNumber, std::uint16_t address, const Bytes& data) {
    Bytes frame = dataBlockFrame(address, data);
    if (blockNumber == config_.faults.badChecksumBlock) {
        // The checksum's two digits sit just before the end mark.
        const std::uint8_t wrong = static_cast<std::uint8_t>(blockChecksum(address, data) + 1);
        frame[frame.size() - 3] = static_cast<std::uint8_t>(hexDigit(wrong >> 4));
        frame[frame.size() - 2] = static_cast<std::uint8_t>(hexDigit(wrong));
    }
    if (blockNumber == config_.faults.dropByteBlock) {
        // Lose the first character of the count field: the body turns even and misaligned.
        constexpr std::size_t kCountPosition = 5 + 4;
        frame.erase(frame.begin() + static_cast<std::ptrdiff_t>(kCountPosition));
    }
    return frame;
}

void VirtualRadio::sendCloneRead(std::int64_t nowUs) {
    const Faults& faults = config_.faults;
    ++stats_.cloneReads;
    stats_.blocksSent = 0;
    int blocks = 0;
    for (int address = 0; address < image_.size(); address += config_.blockSize) {
        const int number = blocks + 1;
        if (faults.silentAfterBlocks >= 0 && number > faults.silentAfterBlocks) {
            note("  falls silent after block " + std::to_string(blocks));
            return;
        }
        if (faults.hangUpAfterBlocks >= 0 && number > faults.hangUpAfterBlocks) {
            note("  hangs up the line after block " + std::to_string(blocks));
            hungUp_ = true;
            return;
        }
        const int count = std::min(config_.blockSize, image_.size() - address);
        const auto first = image_.bytes().begin() + address;
        const Bytes data(first, first + count);
        send(faultyBlock(number, static_cast<std::uint16_t>(address), data), nowUs);
        blocks = number;
        stats_.blocksSent = blocks;
    }
    if (faults.blockOutside) {
        send(dataBlockFrame(kOutsideAddress,
                            Bytes(static_cast<std::size_t>(config_.blockSize), 0xFF)),
             nowUs);
        ++blocks;
        stats_.blocksSent = blocks;
    }
    send(endOfReadFrame(faults.endCountOff ? blocks + 1 : blocks), nowUs);
}

}  // namespace qtsim
