#pragma once

#include <cstdint>
#include <string>

#include "link/link_hooks.h"
#include "link/tagged_value.h"

namespace qs {

// The operations of the radio model that the main window calls. The model class
// implements it; the window logic is tested against a fake.
class IRigOps : public ISubNameCheck {
public:
    virtual void RigOpFunc_ResetAll() = 0;
    virtual void RigOpFunc_FormResource() = 0;
    virtual void RigOpFunc_FormLayout() = 0;
    virtual void RigOpFunc_SetComPortNo(std::int16_t portNo) = 0;
    virtual TaggedValue RigOpFunc_ClickCmd00(std::int16_t Index) = 0;
    virtual bool RigK52TProp_Shielding() const = 0;
    virtual bool RigK52TProp_EditEnabled() const = 0;
    virtual bool RigK52TProp_DispPara() const = 0;
    // One step of the model's state machine, once per heartbeat.
    virtual void task() = 0;
    // When an automatic operation is running, a sentence saying which one and what the radio
    // holds of the items it was changing (the last values sent); empty otherwise. Asked when a
    // link failure is about to end the operation, so the technician knows the radio may be
    // left between values.
    virtual std::string StoppedOperationNote() const { return {}; }
};

}  // namespace qs
