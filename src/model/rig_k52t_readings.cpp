// Live readings of the [A/D] and [D/A] lists and the dispatcher of the automatic operations.
#include "model/reading_text.h"
#include "model/rig_k52t_op.h"

namespace qs {

bool clsIndOp_RigK52T::ReadLevel(ReadingList list, std::int16_t index, bool send) {
    const bool ad = (list == ReadingList::Ad);
    const std::int16_t rows = ad ? kAdRowCount : kDaRowCount;
    if (index < 0 || index >= rows) return true;
    const auto i = static_cast<std::size_t>(index);
    if (send) {
        seq_.easySendE8ReqAnswer(ReadingRequestText(ad ? adCode_[i] : daCode_[i]));
        return false;
    }
    if (seq_.OpRunning()) return false;
    const Bytes& answer = driver_.varLastE8Answer();
    if (CheckE8Answer(answer, idBytes_)) {
        commError_ = true;
        return true;
    }
    const std::int16_t v = E8AnswerValue(answer);
    ++readingsTaken_;
    // The radio takes its frames in order: everything sent before this reading has reached it.
    holdings_.Answered();
    if (observer_ != nullptr) {
        observer_->OnReading({ad ? ReadingGroup::Ad : ReadingGroup::Da, index, v});
    }
    std::int16_t& last = ad ? adLast_[i] : daLast_[i];
    if (v == last) return true;
    last = v;
    controls_.lbo01[ad ? 0 : 1]->setList(index + 1, ad ? AdRowText(index, v) : DaRowText(index, v));
    return true;
}

bool clsIndOp_RigK52T::ReadAdLevel(std::int16_t index, bool send) {
    return ReadLevel(ReadingList::Ad, index, send);
}

bool clsIndOp_RigK52T::ReadDaLevel(std::int16_t index, bool send) {
    return ReadLevel(ReadingList::Da, index, send);
}

std::int16_t clsIndOp_RigK52T::lastReading(ReadingGroup group, int index) const {
    const bool ad = group == ReadingGroup::Ad;
    if (index < 0 || index >= (ad ? kAdRowCount : kDaRowCount)) return -1;
    return ad ? adLast(index) : daLast(index);
}

bool clsIndOp_RigK52T::AutoOpStep() {
    const std::int16_t entryState = opState_;
    bool result;
    if (opState_ >= 6 && opState_ <= 8) {
        result = RssiLevelStep();
    } else if (opState_ >= 12 && opState_ <= 16) {
        result = BpfSweepStep();
    } else if (opState_ >= 17 && opState_ <= 26) {
        result = AutoAdjustStep();
    } else {
        return true;
    }
    if (entryState != 0 && opState_ == 0) StopAutoOp();
    return result;
}

}  // namespace qs
