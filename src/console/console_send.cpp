#include "console/console.h"
#include "link/clone_sequence.h"
#include "link/hex_text.h"

namespace qs {

// Kept apart from the rest of the console: the only part that reaches the radio link.
void clsConsole::SendE8(std::int16_t index) {
    const ConsoleItem* it = itemAt(index);
    if (it == nullptr) return;
    if (it->Event_SendE8 < 0) {
        if (it->E8Command >= 0) {
            const std::string text = ByteToHex2(it->E8Command) + ByteToAsciiHexText(it->Value);
            const std::int32_t waitMs = it->WaitAfterE8;
            if (myKel3Seq_ != nullptr) myKel3Seq_->easySendE8NoAnswer(text);
            if (myEventClass_ != nullptr) myEventClass_->setWaitE8Required(waitMs);
        }
    } else if (myEventClass_ != nullptr) {
        myEventClass_->ConsEv_SendE8(*this, index, it->Event_SendE8, it->Value);
    }
    WriteToEe(index);
}

}  // namespace qs
