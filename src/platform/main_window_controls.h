#pragma once

#include <array>

#include "platform/controls.h"

namespace qs {

// Every control of the main window that the core drives. The front end (Qt widgets, or
// fakes in tests) owns them; the core only holds these pointers, none of which is null.
struct MainWindowControls {
    IWindow* window = nullptr;
    std::array<IButton*, 3> cmd00{};  // Connect, Reload(F5), Disp para
    // 0: title and progress; 1: console; 2 (inside 1): the reading lists; 3: parameter text.
    std::array<IFrame*, 4> fra01{};
    ILabel* lblTitle = nullptr;
    ILabel* lblProgress = nullptr;
    ILabel* lblComBusy = nullptr;
    IListBox* lboConsole = nullptr;
    std::array<IListBox*, 2> lbo01{};  // 0: [A/D], 1: [D/A]
    ITextBox* txtDispPara = nullptr;
    std::array<ILine*, 2> linSepa{};
    // Index 1..4 are "COM &1".."COM &4"; index 0 is unused and stays null.
    std::array<IMenuItem*, 5> mnuOptSelCom{};
    // Index 0..5 are "&OFF", "&1 sec" .. "&5 sec".
    std::array<IMenuItem*, 6> mnuOptionSelAutoRelease{};
};

}  // namespace qs
