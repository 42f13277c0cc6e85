#include "console/console.h"

#include <algorithm>
#include <cmath>

#include "link/eeprom.h"

namespace qs {

namespace {

const ConsoleItem kNoItem{};

}  // namespace

clsConsole::clsConsole() {
    Initialise();
}

void clsConsole::Initialise() {
    items_.clear();
    barWidth_ = kBarWidthCells;
}

const ConsoleItem& clsConsole::item(std::int16_t index) const {
    if (!isValid(index)) return kNoItem;
    return items_[static_cast<std::size_t>(index)];
}

ConsoleItem* clsConsole::itemAt(std::int16_t index) {
    if (!isValid(index)) return nullptr;
    return &items_[static_cast<std::size_t>(index)];
}

void clsConsole::Clear() {
    Initialise();
    if (myListBox_ != nullptr) myListBox_->Clear();
}

void clsConsole::AddItem() {
    if (ListCount() >= kMaxItems) return;
    items_.emplace_back();
    const std::int16_t index = static_cast<std::int16_t>(ListCount() - 1);
    if (myListBox_ != nullptr) {
        while (myListBox_->ListCount() < ListCount())
            myListBox_->AddItem("");
    }
    Disp(index);
}

void clsConsole::setTitle(std::int16_t index, const std::string& title) {
    ConsoleItem* it = itemAt(index);
    if (it == nullptr) return;
    it->Title = title;
    // The row of the item itself, so a title set on any item shows at once.
    Disp(index);
}

void clsConsole::setValue(std::int16_t index, std::int16_t value) {
    ConsoleItem* it = itemAt(index);
    if (it == nullptr) return;
    const std::int16_t old = it->Value;
    it->Value = value;
    ClampValue(index);
    if (item(index).Value != old) Disp(index);
    // Always: a value set to what it already was is still to be sent.
    if (ConsoleItem* again = itemAt(index)) again->flgChanged = true;
}

void clsConsole::setMin(std::int16_t index, std::int16_t value) {
    ConsoleItem* it = itemAt(index);
    if (it == nullptr) return;
    it->Min = value;
    if (it->Max < it->Min) it->Max = it->Min;
    ClampValue(index);
    Disp(index);
}

void clsConsole::setMax(std::int16_t index, std::int16_t value) {
    ConsoleItem* it = itemAt(index);
    if (it == nullptr) return;
    it->Max = value;
    if (it->Max < it->Min) it->Min = it->Max;
    ClampValue(index);
    Disp(index);
}

void clsConsole::setBarExist(std::int16_t index, bool on) {
    if (ConsoleItem* it = itemAt(index)) it->BarExist = on;
}

void clsConsole::setLoopVal(std::int16_t index, bool on) {
    if (ConsoleItem* it = itemAt(index)) it->LoopVal = on;
}

void clsConsole::setWaitAfterE8(std::int16_t index, std::int32_t milliseconds) {
    if (ConsoleItem* it = itemAt(index)) it->WaitAfterE8 = milliseconds;
}

void clsConsole::setFlgChanged(std::int16_t index, bool on) {
    ConsoleItem* it = itemAt(index);
    if (it == nullptr) return;
    it->flgChanged = on;
    if (!on) return;
    ClampValue(index);
    Disp(index);
}

void clsConsole::setFlgEnterOn(std::int16_t index, bool on) {
    if (!isValid(index)) return;
    if (on) {
        for (ConsoleItem& other : items_)
            other.flgEnterOn = false;
    }
    items_[static_cast<std::size_t>(index)].flgEnterOn = on;
}

void clsConsole::setEeAdr(std::int16_t index, std::int32_t address) {
    if (ConsoleItem* it = itemAt(index)) it->EeAdr = address;
}

void clsConsole::setEeDataSigned(std::int16_t index, bool on) {
    if (ConsoleItem* it = itemAt(index)) it->EeDataSigned = on;
}

void clsConsole::setE8Command(std::int16_t index, std::int16_t command) {
    if (ConsoleItem* it = itemAt(index)) it->E8Command = command;
}

void clsConsole::setEvent_Disp(std::int16_t index, std::int16_t evNo) {
    ConsoleItem* it = itemAt(index);
    if (it == nullptr) return;
    it->Event_Disp = evNo;
    Disp(index);
}

void clsConsole::setEvent_Changed(std::int16_t index, std::int16_t evNo) {
    if (ConsoleItem* it = itemAt(index)) it->Event_Changed = evNo;
}

void clsConsole::setEvent_SendE8(std::int16_t index, std::int16_t evNo) {
    if (ConsoleItem* it = itemAt(index)) it->Event_SendE8 = evNo;
}

void clsConsole::setEvent_Enter(std::int16_t index, std::int16_t evNo) {
    if (ConsoleItem* it = itemAt(index)) it->Event_Enter = evNo;
}

void clsConsole::ClampValue(std::int16_t index) {
    ConsoleItem* it = itemAt(index);
    if (it == nullptr) return;
    const std::int16_t old = it->Value;
    if (it->Value < it->Min) it->Value = it->Min;
    if (it->Value > it->Max) it->Value = it->Max;
    if (it->Value != old) Disp(index);
}

std::string clsConsole::DefaultString(std::int16_t index) const {
    const ConsoleItem& it = item(index);
    const std::string padded = "   " + std::to_string(it.Value);
    std::string text = it.Title + ":" + padded.substr(padded.size() - 4);
    if (it.BarExist) text += BarString(index);
    return text;
}

std::string clsConsole::BarString(std::int16_t index) const {
    const ConsoleItem& it = item(index);
    // Worked in 32 bits, so no value or limit can overflow the product; an item whose limits
    // meet has nowhere to move and shows a full bar.
    const std::int32_t span = std::int32_t{it.Max} - it.Min;
    const std::int32_t offset = std::int32_t{it.Value} - it.Min;
    std::int32_t filled = barWidth_;
    if (span > 0) {
        const double exact = static_cast<double>(offset * barWidth_) / span;
        filled = static_cast<std::int32_t>(std::nearbyint(exact));  // halves to even
    }
    filled = std::clamp<std::int32_t>(filled, 0, barWidth_);
    return " [" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(barWidth_ - filled), '-') + "]";
}

void clsConsole::UpDown(std::int16_t index, std::int16_t stp) {
    const ConsoleItem* it = itemAt(index);
    if (it == nullptr) return;
    std::int32_t next = 0;
    if (it->LoopVal && it->Value >= it->Max && stp > 0) {
        next = it->Min;
    } else if (it->LoopVal && it->Value <= it->Min && stp < 0) {
        next = it->Max;
    } else {
        // A step beyond the 16-bit range stops at its end; the clamp then applies the limits.
        next = std::clamp<std::int32_t>(std::int32_t{it->Value} + stp, INT16_MIN, INT16_MAX);
    }
    setValue(index, static_cast<std::int16_t>(next));
}

void clsConsole::Disp(std::int16_t index) {
    const ConsoleItem* it = itemAt(index);
    if (it == nullptr) return;
    std::string text;
    if (it->Event_Disp < 0 || myEventClass_ == nullptr) {
        text = DefaultString(index);
    } else {
        text = myEventClass_->ConsEv_Disp(*this, index, it->Event_Disp, it->Value);
    }
    if (myListBox_ != nullptr) myListBox_->setList(index, text);
}

void clsConsole::ReadFromEe(std::int16_t index) {
    const ConsoleItem* it = itemAt(index);
    if (it == nullptr || it->EeAdr < 0 || myEeprom_ == nullptr) return;
    std::int16_t value = myEeprom_->ReadByte(it->EeAdr);
    if (it->EeDataSigned && value >= 128) value = static_cast<std::int16_t>(value - 256);
    setValue(index, value);
}

void clsConsole::WriteToEe(std::int16_t index) {
    const ConsoleItem* it = itemAt(index);
    if (it == nullptr || it->EeAdr < 0 || myEeprom_ == nullptr) return;
    // Two's complement low byte: -1 is stored as 255. A refused address is of no concern here.
    myEeprom_->WriteByte(it->EeAdr, static_cast<std::uint8_t>(it->Value & 0xFF));
}

void clsConsole::EnterPushed(std::int16_t index) {
    setFlgEnterOn(index, true);
}

void clsConsole::EnterExec(std::int16_t index) {
    const ConsoleItem* it = itemAt(index);
    if (it == nullptr || it->Event_Enter < 0) return;
    if (myEventClass_ != nullptr) {
        myEventClass_->ConsEv_Enter(*this, index, it->Event_Enter, it->Value);
    }
    // The action may have rebuilt the list; Disp ignores an index that is gone.
    Disp(index);
}

}  // namespace qs
