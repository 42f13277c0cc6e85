#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/cons_ev.h"
#include "platform/controls.h"

namespace qs {

class clsCmcEeprom;
class clsCmcKel3Sequence;

// One adjustment item: what the row shows, the value and its limits, where the value lives
// in the memory image and how it reaches the radio.
struct ConsoleItem {
    std::string Title;
    std::int16_t Value = 0;
    std::int16_t Min = 0;
    std::int16_t Max = 255;
    bool BarExist = false;
    bool LoopVal = false;
    std::int32_t WaitAfterE8 = 200;
    std::int32_t EeAdr = -1;
    bool EeDataSigned = false;
    std::int16_t E8Command = -1;
    std::int16_t Event_Disp = -1;
    std::int16_t Event_Changed = -1;
    std::int16_t Event_SendE8 = -1;
    std::int16_t Event_Enter = -1;
    bool flgChanged = false;
    bool flgEnterOn = false;
};

// The adjustment console: the list of adjustment items, one per row of `myListBox`.
//
// Every item operation takes the row index. An index outside 0 .. ListCount() - 1 (a key
// pressed with no row selected, say) is ignored by the operations and reads as a fresh
// item's defaults, so no caller can make the console touch memory it does not own.
// The four references may be null; a null reference makes its part a no-op.
class clsConsole {
public:
    static constexpr std::int16_t kBarWidthCells = 20;
    static constexpr std::int16_t kMaxItems = 32767;

    clsConsole();
    clsConsole(const clsConsole&) = delete;
    clsConsole& operator=(const clsConsole&) = delete;

    IListBox* myListBox() const { return myListBox_; }
    void setMyListBox(IListBox* listBox) { myListBox_ = listBox; }
    ConsEv* myEventClass() const { return myEventClass_; }
    void setMyEventClass(ConsEv* events) { myEventClass_ = events; }
    clsCmcKel3Sequence* myKel3Seq() const { return myKel3Seq_; }
    void setMyKel3Seq(clsCmcKel3Sequence* sequence) { myKel3Seq_ = sequence; }
    clsCmcEeprom* myEeprom() const { return myEeprom_; }
    void setMyEeprom(clsCmcEeprom* eeprom) { myEeprom_ = eeprom; }

    // Empties the item list and the list box.
    void Clear();
    // Appends an item with the defaults of ConsoleItem and shows it; ignored when full.
    void AddItem();

    const std::string& Title(std::int16_t index) const { return item(index).Title; }
    // Redraws the item's row.
    void setTitle(std::int16_t index, const std::string& title);
    std::int16_t Value(std::int16_t index) const { return item(index).Value; }
    // Clamps, redraws when the value moved, and always marks the item changed.
    void setValue(std::int16_t index, std::int16_t value);
    std::int16_t Min(std::int16_t index) const { return item(index).Min; }
    // Pushes Max up when needed, clamps and redraws.
    void setMin(std::int16_t index, std::int16_t value);
    std::int16_t Max(std::int16_t index) const { return item(index).Max; }
    // Pulls Min down when needed, clamps and redraws.
    void setMax(std::int16_t index, std::int16_t value);
    bool BarExist(std::int16_t index) const { return item(index).BarExist; }
    void setBarExist(std::int16_t index, bool on);
    bool LoopVal(std::int16_t index) const { return item(index).LoopVal; }
    void setLoopVal(std::int16_t index, bool on);
    std::int32_t WaitAfterE8(std::int16_t index) const { return item(index).WaitAfterE8; }
    void setWaitAfterE8(std::int16_t index, std::int32_t milliseconds);
    bool flgChanged(std::int16_t index) const { return item(index).flgChanged; }
    // Setting it true also clamps and redraws.
    void setFlgChanged(std::int16_t index, bool on);
    bool flgEnterOn(std::int16_t index) const { return item(index).flgEnterOn; }
    // Setting it true clears it on every other item: one Enter is pending at most.
    void setFlgEnterOn(std::int16_t index, bool on);
    std::int32_t EeAdr(std::int16_t index) const { return item(index).EeAdr; }
    void setEeAdr(std::int16_t index, std::int32_t address);
    bool EeDataSigned(std::int16_t index) const { return item(index).EeDataSigned; }
    void setEeDataSigned(std::int16_t index, bool on);
    std::int16_t E8Command(std::int16_t index) const { return item(index).E8Command; }
    void setE8Command(std::int16_t index, std::int16_t command);
    std::int16_t Event_Disp(std::int16_t index) const { return item(index).Event_Disp; }
    // Redraws the row, which may now come from the event class.
    void setEvent_Disp(std::int16_t index, std::int16_t evNo);
    std::int16_t Event_Changed(std::int16_t index) const { return item(index).Event_Changed; }
    void setEvent_Changed(std::int16_t index, std::int16_t evNo);
    std::int16_t Event_SendE8(std::int16_t index) const { return item(index).Event_SendE8; }
    void setEvent_SendE8(std::int16_t index, std::int16_t evNo);
    std::int16_t Event_Enter(std::int16_t index) const { return item(index).Event_Enter; }
    void setEvent_Enter(std::int16_t index, std::int16_t evNo);

    std::int16_t ListCount() const { return static_cast<std::int16_t>(items_.size()); }

    // Title, colon, the value right-aligned in 4 columns, and the bar when the item has one.
    std::string DefaultString(std::int16_t index) const;
    // " [" + filled "#" + empty "-" + "]", 23 characters.
    std::string BarString(std::int16_t index) const;

    // Steps the value; with LoopVal a step past a limit, taken from the limit itself, wraps.
    void UpDown(std::int16_t index, std::int16_t stp);
    // Rewrites the item's row, from the event class when the item has a display event.
    void Disp(std::int16_t index);

    // Loads the value from its memory-image byte (items bound to the image only).
    void ReadFromEe(std::int16_t index);
    // Stores the value's low byte into the image (items bound to the image only).
    void WriteToEe(std::int16_t index);
    // Sends the value to the radio (default command or the event class), then WriteToEe.
    void SendE8(std::int16_t index);
    // Marks the item's Enter action pending; the model loop runs it later.
    void EnterPushed(std::int16_t index);
    // Runs the pending Enter action through the event class and redraws the row.
    void EnterExec(std::int16_t index);

private:
    bool isValid(std::int16_t index) const { return index >= 0 && index < ListCount(); }
    const ConsoleItem& item(std::int16_t index) const;
    ConsoleItem* itemAt(std::int16_t index);
    void Initialise();
    void ClampValue(std::int16_t index);

    IListBox* myListBox_ = nullptr;
    ConsEv* myEventClass_ = nullptr;
    clsCmcKel3Sequence* myKel3Seq_ = nullptr;
    clsCmcEeprom* myEeprom_ = nullptr;
    std::vector<ConsoleItem> items_;
    std::int16_t barWidth_ = kBarWidthCells;
};

}  // namespace qs
