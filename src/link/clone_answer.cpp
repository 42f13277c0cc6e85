// How the clone driver judges and uses the radio's answers.

#include <limits>

#include "link/clone_driver.h"
#include "link/hex_text.h"

namespace qs {

namespace {

// Body positions are counted from 1, as the protocol describes them.
std::uint8_t At(const Bytes& body, std::size_t position) {
    return body[position - 1];
}

Bytes Slice(const Bytes& body, std::size_t first, std::size_t last) {
    return Bytes(body.begin() + static_cast<std::ptrdiff_t>(first - 1),
                 body.begin() + static_cast<std::ptrdiff_t>(last));
}

// Decimal digits, optionally with one exponent letter (E or D) between digits. Model and
// sub codes of this family are written with decimal digits only.
bool IsNumericText(const std::string& text) {
    std::size_t exponentAt = std::string::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') continue;
        const bool exponentLetter = (c == 'E' || c == 'e' || c == 'D' || c == 'd');
        if (!exponentLetter || exponentAt != std::string::npos) return false;
        exponentAt = i;
    }
    if (text.empty()) return false;
    if (exponentAt == std::string::npos) return true;
    return exponentAt > 0 && exponentAt + 1 < text.size();
}

bool HasOurAddresses(const Bytes& body) {
    return body.size() >= 3 && At(body, 1) == kProgramAddress && At(body, 2) == kRadioAddress;
}

bool CodesAreNumeric(const Bytes& body) {
    return IsNumericText(BytesToHexText(Slice(body, 4, 7)));
}

bool AllHexDigits(const Bytes& body, std::size_t first, std::size_t last) {
    for (std::size_t p = first; p <= last; ++p) {
        if (HexDigitValue(At(body, p)) < 0) return false;
    }
    return true;
}

int PairValue(const Bytes& body, std::size_t position) {
    return HexDigitValue(At(body, position)) * 16 + HexDigitValue(At(body, position + 1));
}

constexpr std::size_t kIdentifyMinBytes = 59;
// The radio's last memory address sits at positions 66 to 69; an answer too short to hold
// it cannot tell how much memory there is to read.
constexpr std::size_t kEndAddressFirst = 66;
constexpr std::size_t kEndAddressLast = 69;
constexpr std::size_t kIdentifyHeaderBytes = 7;
constexpr std::size_t kBlockMinBytes = 13;
constexpr std::size_t kBlockOverheadBytes = 11;
constexpr std::size_t kEndMinBytes = 14;
constexpr std::size_t kAdjustMinBytes = 8;
constexpr std::int32_t kLineBytes = 16;
const std::string kMakerNameHex = "5665786120496E632E";

}  // namespace

void clsCmcKel3Drv::OnAnswer(const Bytes& body) {
    varLastE8Answer_ = body;
    if (!HasOurAddresses(body)) return;
    if (nowError_ != kErrNone) return;

    const std::uint8_t command = At(body, 3);
    if (command == kCmdIdentifyAnswer && workMode_ == kModeIdentify) {
        if (!CheckIdentifyAnswer(body)) {
            setNowError(kErrBadAnswer);
            return;
        }
        ansInfo_ = body;
        EndTransaction();
        return;
    }
    if (command == kCmdDataBlock && workMode_ == kModeCloneRead) {
        if (!CheckDataBlock(body)) {
            setNowError(kErrBadAnswer);
            return;
        }
        blockCounter_ = static_cast<std::uint8_t>(blockCounter_ + 1);
        waitTick_.setCounter(kAnswerTimeoutMs);
        if (!StoreDataBlock(body)) setNowError(kErrOutsideImage);
        return;
    }
    if (command == kCmdCloneEnd && workMode_ == kModeCloneRead) {
        if (!CheckCloneEnd(body)) {
            setNowError(countMismatch_ ? kErrBlockCount : kErrBadAnswer);
            return;
        }
        EndTransaction();
        return;
    }
    if (command == kCmdAdjust && workMode_ == kModeAdjust) {
        if (!CheckAdjustAnswer(body)) {
            setNowError(kErrBadAnswer);
            return;
        }
        varLastE8Answer_ = Slice(body, 4, body.size());
        EndTransaction();
        return;
    }
    // Any other answer is not ours to judge; the wait goes on.
}

bool clsCmcKel3Drv::CheckIdentifyAnswer(const Bytes& body) {
    if (body.size() < kIdentifyHeaderBytes) return false;
    if (!CodesAreNumeric(body)) return false;
    if (body.size() < kIdentifyHeaderBytes + 1) return false;
    if (At(body, 8) != body.size() - kIdentifyHeaderBytes) return false;
    if (body.size() < kIdentifyMinBytes) return false;
    if (body.size() < kEndAddressLast) return false;
    if (!AllHexDigits(body, kEndAddressFirst, kEndAddressLast)) return false;

    // Read unsigned: the field is four hex digits, 0000 to FFFF.
    std::int32_t lastAddress = 0;
    for (std::size_t p = kEndAddressFirst; p <= kEndAddressLast; ++p) {
        lastAddress = lastAddress * 16 + HexDigitValue(At(body, p));
    }
    const std::int32_t endAddress = lastAddress - (lastAddress % kLineBytes) + kLineBytes;
    // An image this program cannot even address is not a radio it can read.
    if (endAddress > std::numeric_limits<std::int16_t>::max()) return false;

    endAddress_ = static_cast<std::int16_t>(endAddress);
    blockCounter_ = 0;
    return true;
}

bool clsCmcKel3Drv::CheckDataBlock(const Bytes& body) const {
    if (body.size() % 2 == 0 || body.size() < kBlockMinBytes) return false;
    if (!AllHexDigits(body, 4, body.size())) return false;
    int sum = 0;
    for (std::size_t p = 4; p < body.size(); p += 2)
        sum += PairValue(body, p);
    if (sum % 256 != 0) return false;
    const std::size_t count = (body.size() - kBlockOverheadBytes) / 2;
    // Every character is a hex digit by now, so the pair reads as its two digits.
    return PairValue(body, 8) == static_cast<int>(count);
}

// Runs once per block for the whole image: it reads the checked pairs directly and reuses
// one byte string, so a block costs no allocation.
bool clsCmcKel3Drv::StoreDataBlock(const Bytes& body) {
    // Four hex digits, read as a 16-bit signed number (an address of 8000 or more is
    // negative and refused by the image).
    const auto address = static_cast<std::int16_t>(
        static_cast<std::uint16_t>(PairValue(body, 4) * 256 + PairValue(body, 6)));
    const int count = PairValue(body, 8);
    Bytes& data = blockData_;
    data.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        data[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(PairValue(body, 10 + 2 * static_cast<std::size_t>(i)));
    }
    if (myEep_ == nullptr || myEep_->WriteBlock(address, data) != 0) return false;
    lastEeAdr_ = static_cast<std::int32_t>(address) + count - 1;
    return true;
}

bool clsCmcKel3Drv::CheckCloneEnd(const Bytes& body) {
    if (body.size() < kEndMinBytes) return false;
    if (BytesToHexText(Slice(body, 4, 12)) != kMakerNameHex) return false;
    if (AsciiHexToInt(Slice(body, 13, 14)) != blockCounter_) {
        countMismatch_ = true;
        return false;
    }
    return true;
}

bool clsCmcKel3Drv::CheckAdjustAnswer(const Bytes& body) const {
    if (body.size() < kAdjustMinBytes) return false;
    if (!CodesAreNumeric(body)) return false;
    return adjustCommandCode_ >= 0 && At(body, 8) == adjustCommandCode_;
}

}  // namespace qs
