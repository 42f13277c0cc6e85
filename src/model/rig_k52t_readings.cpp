// Live readings of the [A/D] and [D/A] lists and the dispatcher of the automatic operations.
#include "model/reading_text.h"
#include "model/rig_k52t_op.h"

namespace qs {

bool clsIndOp_RigK52T::ReadAdLevel(std::int16_t index, bool send) {
    if (index < 0 || index >= kAdRowCount) return true;
    const auto i = static_cast<std::size_t>(index);
    if (send) {
        seq_.easySendE8ReqAnswer(ReadingRequestText(adCode_[i]));
        return false;
    }
    if (seq_.OpRunning()) return false;
    const Bytes& answer = driver_.varLastE8Answer();
    if (CheckE8Answer(answer, idBytes_)) {
        commError_ = true;
        return true;
    }
    const std::int16_t v = E8AnswerValue(answer);
    if (v == adLast_[i]) return true;
    adLast_[i] = v;
    controls_.lbo01[0]->setList(index + 1, AdRowText(index, v));
    return true;
}

bool clsIndOp_RigK52T::ReadDaLevel(std::int16_t index, bool send) {
    if (index < 0 || index >= kDaRowCount) return true;
    const auto i = static_cast<std::size_t>(index);
    if (send) {
        seq_.easySendE8ReqAnswer(ReadingRequestText(daCode_[i]));
        return false;
    }
    if (seq_.OpRunning()) return false;
    const Bytes& answer = driver_.varLastE8Answer();
    if (CheckE8Answer(answer, idBytes_)) {
        commError_ = true;
        return true;
    }
    const std::int16_t v = E8AnswerValue(answer);
    if (v == daLast_[i]) return true;
    daLast_[i] = v;
    controls_.lbo01[1]->setList(index + 1, DaRowText(index, v));
    return true;
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
