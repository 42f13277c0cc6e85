// The automatic operations started by Enter: RSSI threshold capture, band-pass sweep and
// level bisection. Each runs one state per turn of the task loop and never waits in a turn.
#include <cstdlib>
#include <utility>

#include "console/console.h"
#include "link/hex_text.h"
#include "model/rig_k52t_op.h"

namespace qs {
namespace {

constexpr std::int16_t kLvinReading = 2;
constexpr std::int16_t kSdReading = 3;

constexpr std::int16_t kRssiS1Command = 0x15;
constexpr std::int16_t kRssiS3Command = 0x16;
constexpr std::int32_t kRssiS1Adr = clsIndOp_RigK52T::kRssiS1Address;
constexpr std::int32_t kRssiS3Adr = clsIndOp_RigK52T::kRssiS3Address;

constexpr std::int16_t kBpfAllStartValue = 64;
constexpr std::int16_t kBpfAllLastValue = 127;
constexpr std::int32_t kLvaSettleMs = 500;
constexpr std::int16_t kBisectionDoneSpan = 2;

}  // namespace

void clsIndOp_RigK52T::GoToOpState(std::int16_t state) {
    opState_ = state;
    opWork_.sent = 0;
    opWork_.subStep = 0;
}

RssiCapture clsIndOp_RigK52T::rssiCapture() const {
    // States 6 to 8 are the capture; it waits for Enter while it reads in 7 and 8.
    if (opState_ != 7 && opState_ != 8) return RssiCapture::None;
    return rssiS1Pass_ ? RssiCapture::S1 : RssiCapture::S3;
}

void clsIndOp_RigK52T::SendThreshold(std::int16_t command, std::int32_t address,
                                     std::int16_t value) {
    seq_.easySendE8NoAnswer(ByteToHex2(command) + ByteToAsciiHexText(value));
    image().WriteByte(address, static_cast<std::uint8_t>(value & 0xFF));
}

void clsIndOp_RigK52T::ForgetLevelFailure(LevelItem item) {
    const int i = static_cast<int>(item);
    if (i < 0 || i > 1 || !lvaMark_[static_cast<std::size_t>(i)]) return;
    lvaMark_[static_cast<std::size_t>(i)] = false;
    console_.Disp(static_cast<std::int16_t>(lvaItem_ + i));
}

void clsIndOp_RigK52T::PutBackThreshold(RssiCapture which, std::int16_t value) {
    if (which == RssiCapture::S1) SendThreshold(kRssiS1Command, kRssiS1Adr, value);
    if (which == RssiCapture::S3) SendThreshold(kRssiS3Command, kRssiS3Adr, value);
}

bool clsIndOp_RigK52T::RssiLevelStep() {
    if (seq_.OpRunning()) return false;
    switch (opState_) {
        case 6:
            rssiEnter_ = false;
            opWork_.rssiDone = false;
            GoToOpState(7);
            return true;
        case 7: {
            const bool finished = ReadAdLevel(kSdReading, opWork_.sent == 0);
            opWork_.sent = 1;
            // A failed reading must not become a stored threshold; the task reports it.
            if (!finished || commError_) return false;
            if (rssiEnter_) {
                const std::int16_t v = adLast_[kSdReading];
                if (observer_ != nullptr) {
                    observer_->OnAutoOpEnd({AutoOpKind::RssiThreshold, rssiS1Pass_ ? 1 : 0, true,
                                            v, v, v});
                }
                if (rssiS1Pass_) {
                    SendThreshold(kRssiS1Command, kRssiS1Adr, v);
                } else {
                    SendThreshold(kRssiS3Command, kRssiS3Adr, v);
                }
            }
            opWork_.rssiDone = rssiEnter_;
            GoToOpState(8);
            return true;
        }
        case 8:
            if (!opWork_.rssiDone) {
                GoToOpState(7);
            } else if (!rssiS1Pass_) {
                rssiS1Pass_ = true;
                console_.Disp(rssiItem_);
                GoToOpState(6);
            } else {
                rssiEnter_ = false;
                rssiS1Pass_ = false;
                beeper_.Beep();
                GoToOpState(0);
            }
            return true;
        default:
            return false;
    }
}

bool clsIndOp_RigK52T::BpfSweepStep() {
    if (seq_.OpRunning()) return false;
    switch (opState_) {
        case 12:
            GoToOpState(13);
            return true;
        case 13:
            for (int i = 0; i < 2; ++i) {
                if (!bpfSelect_[static_cast<std::size_t>(i)]) continue;
                const auto item = static_cast<std::int16_t>(bpfItem_ + i);
                console_.setValue(item, bpfAll_ ? kBpfAllStartValue : 0);
                console_.Disp(item);
            }
            GoToOpState(14);
            return true;
        case 14: {
            int i = 0;
            while (i < 2 && !bpfSelect_[static_cast<std::size_t>(i)])
                ++i;
            if (i == 2) {
                GoToOpState(16);
                return true;
            }
            opWork_.sweepIndex = i;
            const auto item = static_cast<std::int16_t>(bpfItem_ + i);
            console_.setValue(item, console_.Min(item));
            opWork_.bestLevel = -1;
            opWork_.bestFirst = console_.Min(item);
            opWork_.bestLast = console_.Min(item);
            GoToOpState(15);
            return true;
        }
        case 15:
            return SweepReadingTurn(static_cast<std::int16_t>(bpfItem_ + opWork_.sweepIndex));
        case 16:
            beeper_.Beep();
            GoToOpState(0);
            return true;
        default:
            return false;
    }
}

// One turn of the sweep of `item`: send its value, then read SD for it and step on.
bool clsIndOp_RigK52T::SweepReadingTurn(std::int16_t item) {
    if (opWork_.subStep == 0) {
        console_.SendE8(item);
        opWork_.subStep = 1;
        return false;
    }
    const bool finished = ReadAdLevel(kSdReading, opWork_.subStep == 1);
    if (!finished) {
        opWork_.subStep = 2;
        return false;
    }
    if (commError_) return false;

    console_.setWaitAfterE8(item, 0);
    const std::int16_t e = console_.Value(item);
    const std::int16_t s = adLast_[kSdReading];
    if (opWork_.bestLevel <= s) {
        if (opWork_.bestLevel < s) opWork_.bestFirst = e;
        opWork_.bestLast = e;
        opWork_.bestLevel = s;
    }
    if (observer_ != nullptr) observer_->OnSweepStep({opWork_.sweepIndex, e, s});
    if (e >= console_.Max(item) || (bpfAll_ && e >= kBpfAllLastValue)) {
        console_.setValue(item,
                          static_cast<std::int16_t>((opWork_.bestFirst + opWork_.bestLast) / 2));
        bpfSelect_[static_cast<std::size_t>(opWork_.sweepIndex)] = false;
        if (observer_ != nullptr) {
            observer_->OnAutoOpEnd({AutoOpKind::BandPassSweep, opWork_.sweepIndex, true,
                                    console_.Value(item), opWork_.bestFirst, opWork_.bestLast});
        }
        GoToOpState(14);
        return true;
    }
    console_.setValue(item, static_cast<std::int16_t>(e + (bpfAll_ ? 2 : 1)));
    console_.SendE8(item);
    opWork_.subStep = 1;
    return false;
}

void clsIndOp_RigK52T::SetSelectedLevelItems(std::int16_t value) {
    for (int i = 0; i < 2; ++i) {
        if (!lvaSelect_[static_cast<std::size_t>(i)]) continue;
        const auto item = static_cast<std::int16_t>(lvaItem_ + i);
        console_.setValue(item, value);
        console_.Disp(item);
    }
}

void clsIndOp_RigK52T::SetSelectedLevelWaits(std::int32_t milliseconds) {
    for (int i = 0; i < 2; ++i) {
        if (lvaSelect_[static_cast<std::size_t>(i)]) {
            console_.setWaitAfterE8(static_cast<std::int16_t>(lvaItem_ + i), milliseconds);
        }
    }
}

// Runs the LVIN reading; true once it has finished well, with its raw value in `level`.
bool clsIndOp_RigK52T::LevelReading(std::int16_t& level) {
    const bool finished = ReadAdLevel(kLvinReading, opWork_.sent == 0);
    opWork_.sent = 1;
    if (!finished || commError_) return false;
    level = adLast_[kLvinReading];
    return true;
}

void clsIndOp_RigK52T::NoteBisectionStep(std::int16_t level) {
    if (observer_ == nullptr) return;
    for (int i = 0; i < 2; ++i) {
        if (!lvaSelect_[static_cast<std::size_t>(i)]) continue;
        observer_->OnBisectionStep(
            {i, console_.Value(static_cast<std::int16_t>(lvaItem_ + i)), level, opWork_.target});
    }
}

void clsIndOp_RigK52T::NoteLevelAdjustEnd(bool ok) {
    if (observer_ == nullptr) return;
    for (int i = 0; i < 2; ++i) {
        if (!lvaSelect_[static_cast<std::size_t>(i)]) continue;
        observer_->OnAutoOpEnd({AutoOpKind::LevelAdjust, i, ok,
                                console_.Value(static_cast<std::int16_t>(lvaItem_ + i)),
                                opWork_.target, opWork_.target});
    }
}

bool clsIndOp_RigK52T::AutoAdjustStep() {
    if (seq_.OpRunning()) return false;
    OpWork& w = opWork_;
    switch (opState_) {
        case 17:
            w.valueA = 0;
            w.valueB = 255;
            for (int i = 0; i < 2; ++i) {
                if (!lvaSelect_[static_cast<std::size_t>(i)]) continue;
                w.target = console_.Value(static_cast<std::int16_t>(lvTargetItem_ + i));
                lvaMark_[static_cast<std::size_t>(i)] = true;
            }
            GoToOpState(18);
            return true;
        case 18:
            for (int i = 0; i < 2; ++i) {
                if (!lvaSelect_[static_cast<std::size_t>(i)]) continue;
                w.saved[static_cast<std::size_t>(i)] =
                    console_.Value(static_cast<std::int16_t>(lvaItem_ + i));
            }
            SetSelectedLevelItems(w.valueA);
            GoToOpState(19);
            return true;
        case 19:
            if (!LevelReading(w.levelA)) return false;
            NoteBisectionStep(w.levelA);
            GoToOpState(20);
            return true;
        case 20:
            SetSelectedLevelItems(w.valueB);
            GoToOpState(21);
            return true;
        case 21:
            if (!LevelReading(w.levelB)) return false;
            NoteBisectionStep(w.levelB);
            GoToOpState(22);
            return true;
        case 22:
            if (w.levelA > w.levelB) {
                std::swap(w.valueA, w.valueB);
                std::swap(w.levelA, w.levelB);
            }
            if (w.target <= w.levelA || w.target >= w.levelB) {
                // Out of reach: put the items back and leave them marked as failed.
                for (int i = 0; i < 2; ++i) {
                    if (!lvaSelect_[static_cast<std::size_t>(i)]) continue;
                    const auto item = static_cast<std::int16_t>(lvaItem_ + i);
                    console_.setValue(item, w.saved[static_cast<std::size_t>(i)]);
                    console_.Disp(item);
                }
                NoteLevelAdjustEnd(false);
                GoToOpState(26);
                return true;
            }
            GoToOpState(23);
            return true;
        case 23:
            w.valueMid = static_cast<std::int16_t>((w.valueA + w.valueB) / 2.0 + 0.5);
            SetSelectedLevelItems(w.valueMid);
            SetSelectedLevelWaits(kLvaSettleMs);
            GoToOpState(24);
            return true;
        case 24:
            if (!LevelReading(w.levelMid)) return false;
            NoteBisectionStep(w.levelMid);
            SetSelectedLevelWaits(0);
            GoToOpState(25);
            return true;
        case 25:
            if (std::abs(w.valueA - w.valueB) <= kBisectionDoneSpan || w.target == w.levelMid) {
                for (int i = 0; i < 2; ++i) {
                    if (lvaSelect_[static_cast<std::size_t>(i)]) {
                        lvaMark_[static_cast<std::size_t>(i)] = false;
                    }
                }
                NoteLevelAdjustEnd(true);
                GoToOpState(26);
            } else if (w.target < w.levelMid) {
                w.levelB = w.levelMid;
                w.valueB = w.valueMid;
                GoToOpState(23);
            } else {
                w.levelA = w.levelMid;
                w.valueA = w.valueMid;
                GoToOpState(23);
            }
            return true;
        case 26:
            beeper_.Beep();
            GoToOpState(0);
            return true;
        default:
            return false;
    }
}

}  // namespace qs
