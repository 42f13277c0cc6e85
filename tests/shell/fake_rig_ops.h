#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/rig_ops.h"

namespace qs {

// Stands in for the radio model behind the main window: records each call, in order, into
// a log that a test may share with other fakes.
class FakeRigOps : public IRigOps {
public:
    explicit FakeRigOps(std::vector<std::string>* log = nullptr) : log_(log ? log : &ownLog) {}

    void RigOpFunc_ResetAll() override { note("ResetAll"); }
    void RigOpFunc_FormResource() override { note("FormResource"); }
    void RigOpFunc_FormLayout() override { note("FormLayout"); }
    void RigOpFunc_SetComPortNo(std::int16_t portNo) override {
        portNos.push_back(portNo);
        note("SetComPortNo " + std::to_string(portNo));
    }
    TaggedValue RigOpFunc_ClickCmd00(std::int16_t Index) override {
        clicks.push_back(Index);
        note("ClickCmd00 " + std::to_string(Index));
        return {};
    }
    bool RigK52TProp_Shielding() const override { return true; }
    bool RigK52TProp_EditEnabled() const override { return false; }
    bool RigK52TProp_DispPara() const override { return false; }
    bool RigOpFunc_CheckSubNameLegal(const std::string&) override { return true; }
    std::string StoppedOperationNote() const override { return stoppedNote; }
    void task() override {
        ++tasks;
        note("task");
        if (onTask) onTask();
    }

    int count(const std::string& entry) const {
        int n = 0;
        for (const auto& e : *log_)
            n += e == entry ? 1 : 0;
        return n;
    }

    std::vector<std::string> ownLog;
    std::vector<std::int16_t> portNos;
    std::vector<std::int16_t> clicks;
    int tasks = 0;
    std::string stoppedNote;
    // Runs at the end of each task(), as the model's own work would.
    std::function<void()> onTask;

private:
    void note(const std::string& what) { log_->push_back(what); }
    std::vector<std::string>* log_;
};

}  // namespace qs
