// Construction, the adjustment item table and the reset of the model operation class.
#include <array>

#include "console/console.h"
#include "console/item_title.h"
#include "model/param_table.h"
#include "model/rig_k52t_item_list.h"
#include "model/rig_k52t_op.h"

namespace qs {
namespace {

constexpr std::int32_t kBpfWaitMs = 200;
constexpr std::int32_t kLvaWaitMs = 500;
constexpr std::int16_t kNone = -1;

constexpr std::array<std::int16_t, 6> kAdCodes{0, 3, 5, 4, 0, 0};
constexpr std::array<std::int16_t, 10> kDaCodes{16, 17, 18, 19, 12, 13, 14, 11, 15, 0};

// Which member records an item's console index.
enum class Role { None, Channel, Balance, BpfAll, Bpf, Lva, LvTarget, LvTargetTx, Rssi };

struct ItemRow {
    const char* title;
    std::int32_t eeAdr;
    std::int16_t e8Command;
    bool bar;
    std::int16_t eventDisp;
    std::int16_t eventSendE8;
    std::int16_t eventEnter;
    std::int32_t waitAfterE8;  // 0: keep the console default
    bool explicitLimits;       // Min 0 and Max 255 set explicitly
    Role role;
};

constexpr std::array<ItemRow, 17> kItemTable{{
    {"    CH No.", -1, 0, false, 0, 0, kNone, 0, false, Role::Channel},
    {" Power(Hi)", 168, 9, true, kNone, kNone, kNone, 0, false, Role::None},
    {" Power(L2)", 167, 10, true, kNone, kNone, kNone, 0, false, Role::None},
    {" Power(L1)", 166, 11, true, kNone, kNone, kNone, 0, false, Role::None},
    {"       BAL", 106, 17, true, kNone, kNone, kNone, 0, false, Role::Balance},
    {"       MOD", 105, 13, true, kNone, kNone, kNone, 0, false, Role::None},
    {" CTCS/DTCS", 83, 15, true, kNone, kNone, kNone, 0, false, Role::None},
    {"       SQL", 184, 8, true, kNone, kNone, kNone, 0, false, Role::None},
    {"       REF", 173, 5, true, kNone, kNone, kNone, 0, false, Role::None},
    {"   BPF ALL", -1, -1, false, 2, kNone, 7, 0, false, Role::BpfAll},
    {"    BPF T1", 84, 19, true, 3, kNone, 3, kBpfWaitMs, true, Role::Bpf},
    {"    BPF T2", 85, 20, true, 3, kNone, 4, kBpfWaitMs, true, Role::None},
    {"    RX LVA", 92, 6, true, 6, kNone, 8, kLvaWaitMs, true, Role::Lva},
    {"    TX LVA", 93, 7, true, 6, kNone, 9, kLvaWaitMs, true, Role::None},
    {"LV(RX LVA)", -1, -1, true, 7, kNone, kNone, 0, false, Role::LvTarget},
    {"LV(TX LVA)", -1, -1, true, 7, kNone, kNone, 0, false, Role::LvTargetTx},
    {"      RSSI", -1, -1, false, 4, kNone, 1, 0, false, Role::Rssi},
}};

// Where Load() takes the two level targets from; they are not bound to the image otherwise.
constexpr std::int32_t kRxTargetLoadAdr = 174;
constexpr std::int32_t kTxTargetLoadAdr = 175;

}  // namespace

std::vector<RigK52TItemInfo> RigK52TItemList() {
    std::vector<RigK52TItemInfo> list;
    for (const ItemRow& row : kItemTable) {
        RigK52TItemInfo info{ItemTitleWithoutBlanks(row.title), row.eeAdr};
        if (row.role == Role::LvTarget) info.imageAddress = kRxTargetLoadAdr;
        if (row.role == Role::LvTargetTx) info.imageAddress = kTxTargetLoadAdr;
        const ConsoleItem defaults;
        info.min = defaults.Min;
        info.max = defaults.Max;
        if (row.role == Role::Channel) info.max = clsIndOp_RigK52T::kMaxChannels;
        info.sentToRadio = row.e8Command >= 0 || row.eventSendE8 >= 0;
        info.channel = row.role == Role::Channel;
        list.push_back(info);
    }
    return list;
}

std::int16_t FindRigK52TItem(std::string_view title) {
    const std::string key = ItemKey(title);
    for (std::size_t i = 0; i < kItemTable.size(); ++i) {
        if (ItemKey(kItemTable[i].title) == key) return static_cast<std::int16_t>(i);
    }
    return -1;
}

clsIndOp_RigK52T::clsIndOp_RigK52T(RigK52TParts parts)
    : seq_(parts.sequence),
      driver_(parts.driver),
      radio_(parts.radio),
      console_(parts.console),
      controls_(parts.controls),
      beeper_(parts.beeper),
      errorReporter_(parts.errorReporter),
      eepObj_(parts.radio.eepImage()),
      waitTick_(parts.clock) {
    comPortNo_ = 1;
    RigOpFunc_ResetAll();
    adCode_ = kAdCodes;
    daCode_ = kDaCodes;
    lvaMark_.fill(false);
    // Every single byte stored in the image follows an adjustment command with its value; it
    // is on its way to the radio unless the command was held back (its journal line failed).
    image().setByteWritten([this](std::int32_t address, std::uint8_t value) {
        if (seq_.lastAdjustmentSent()) holdings_.Sent(address, value);
    });
}

clsIndOp_RigK52T::~clsIndOp_RigK52T() {
    image().setByteWritten(nullptr);
}

void clsIndOp_RigK52T::RigOpFunc_ResetAll() {
    seq_.easyReset(comPortNo_);
    taskState_ = 0;
    stateEntry_ = true;
    dispParaRequest_ = false;
    readOnly_ = false;
    startCommandDue_ = false;
    for (int i = 0; i <= 4; ++i)
        adLast_[static_cast<std::size_t>(i)] = -1;
    for (int i = 0; i <= 8; ++i)
        daLast_[static_cast<std::size_t>(i)] = -1;
    commError_ = false;
    RigOpFunc_FormResource();
    console_.setMyListBox(controls_.lboConsole);
    console_.setMyEventClass(this);
    console_.setMyKel3Seq(&seq_);
    console_.setMyEeprom(&image());
    console_.Clear();
    BuildItemTable();
    StopAutoOp();
}

void clsIndOp_RigK52T::BuildItemTable() {
    for (const ItemRow& row : kItemTable) {
        console_.AddItem();
        std::int16_t i = static_cast<std::int16_t>(console_.ListCount() - 1);
        console_.setTitle(i, row.title);
        console_.setEeAdr(i, row.eeAdr);
        console_.setE8Command(i, row.e8Command);
        console_.setBarExist(i, row.bar);
        if (row.role == Role::Channel) {
            console_.setMin(i, 0);
            console_.setMax(i, 0);  // the channel count is known only after a load
            console_.setLoopVal(i, true);
        }
        if (row.explicitLimits) {
            console_.setMin(i, 0);
            console_.setMax(i, 255);
        }
        if (row.waitAfterE8 > 0) console_.setWaitAfterE8(i, row.waitAfterE8);
        if (row.eventDisp >= 0) console_.setEvent_Disp(i, row.eventDisp);
        if (row.eventSendE8 >= 0) console_.setEvent_SendE8(i, row.eventSendE8);
        if (row.eventEnter >= 0) console_.setEvent_Enter(i, row.eventEnter);
        switch (row.role) {
            case Role::Channel:
                chItem_ = i;
                break;
            case Role::Balance:
                balItem_ = i;
                break;
            case Role::BpfAll:
                bpfSweepItem_ = i;
                break;
            case Role::Bpf:
                bpfItem_ = i;
                break;
            case Role::Lva:
                lvaItem_ = i;
                break;
            case Role::LvTarget:
                lvTargetItem_ = i;
                break;
            case Role::LvTargetTx:
                lvTargetItemTx_ = i;
                break;
            case Role::Rssi:
                rssiItem_ = i;
                break;
            case Role::None:
                break;
        }
    }
}

void clsIndOp_RigK52T::StopAutoOp() {
    opState_ = 0;
    console_.setWaitAfterE8(bpfItem_, kBpfWaitMs);
    console_.setWaitAfterE8(static_cast<std::int16_t>(bpfItem_ + 1), kBpfWaitMs);
    console_.setWaitAfterE8(lvaItem_, kLvaWaitMs);
    console_.setWaitAfterE8(static_cast<std::int16_t>(lvaItem_ + 1), kLvaWaitMs);
    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        console_.setFlgEnterOn(i, false);
        console_.Disp(i);
    }
}

bool clsIndOp_RigK52T::RigK52TProp_EditEnabled() const {
    return taskState_ >= 10 && taskState_ <= 28;
}

bool clsIndOp_RigK52T::RigK52TProp_DispPara() const {
    return taskState_ == 29;
}

bool clsIndOp_RigK52T::RigK52TProp_Shielding() const {
    return !RigK52TProp_EditEnabled() && !RigK52TProp_DispPara();
}

std::int16_t clsIndOp_RigK52T::chanList(int index) const {
    if (index < 0 || index > kMaxChannels) return 0;
    return chanList_[static_cast<std::size_t>(index)];
}

std::int16_t clsIndOp_RigK52T::RigK52TFunc_Ptbl_Search(std::int16_t objectNo) const {
    return PtblSearch(radio_.eepImage(), objectNo);
}

std::int16_t clsIndOp_RigK52T::RigK52TFunc_Obj_Address(std::int16_t objectNo) const {
    return ObjAddress(radio_.eepImage(), objectNo);
}

std::int16_t clsIndOp_RigK52T::RigK52TFunc_Obj_Number(std::int16_t objectNo) const {
    return ObjNumber(radio_.eepImage(), objectNo);
}

std::int16_t clsIndOp_RigK52T::RigK52TFunc_Obj_Size(std::int16_t objectNo) const {
    return ObjSize(radio_.eepImage(), objectNo);
}

}  // namespace qs
