#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/alerts.h"

namespace qs {

// Records every message box instead of showing it; answers OK.
class FakeMessageBox : public IMessageBox {
public:
    struct Shown {
        std::string caption;
        std::string text;
    };

    int ShowStop(const std::string& caption, const std::string& text) override {
        shown.push_back({caption, text});
        if (onShow) onShow();
        return kOk;
    }

    // Records the question and gives `yesNoAnswer`.
    bool AskYesNo(const std::string& caption, const std::string& text) override {
        asked.push_back({caption, text});
        return yesNoAnswer;
    }

    static constexpr int kOk = 1;
    std::vector<Shown> shown;
    std::vector<Shown> asked;
    bool yesNoAnswer = false;
    // Runs while the box would be open, so a test can see what happened before it.
    std::function<void()> onShow;
};

class FakeBeeper : public IBeeper {
public:
    void Beep() override { ++beeps; }
    int beeps = 0;
};

}  // namespace qs
