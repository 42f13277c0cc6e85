#include "cli/headless_controls.h"

namespace qs::cli {

void HeadlessControl::Move(std::int32_t left, std::int32_t top, std::int32_t width,
                           std::int32_t height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void HeadlessListBox::Clear() {
    rows_.clear();
    listIndex_ = -1;
}

void HeadlessListBox::setList(int row, const std::string& text) {
    if (row < 0 || row >= ListCount()) return;
    rows_[static_cast<std::size_t>(row)] = text;
}

std::string HeadlessListBox::List(int row) const {
    if (row < 0 || row >= ListCount()) return std::string();
    return rows_[static_cast<std::size_t>(row)];
}

void HeadlessListBox::setListIndex(int row) {
    listIndex_ = (row >= 0 && row < ListCount()) ? row : -1;
}

void HeadlessLabel::MovePosition(std::int32_t left, std::int32_t top) {
    Move(left, top, width(), height());
}

void HeadlessLine::setCoords(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
}

void HeadlessWindow::Move(std::int32_t left, std::int32_t top, std::int32_t width,
                          std::int32_t height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

MainWindowControls HeadlessMainWindow::controls() {
    MainWindowControls c;
    c.window = &window;
    for (std::size_t i = 0; i < 3; ++i)
        c.cmd00[i] = &cmd00[i];
    for (std::size_t i = 0; i < 4; ++i)
        c.fra01[i] = &fra01[i];
    c.lblTitle = &lblTitle;
    c.lblProgress = &lblProgress;
    c.lblComBusy = &lblComBusy;
    c.lboConsole = &lboConsole;
    c.lbo01 = {&lbo01[0], &lbo01[1]};
    c.txtDispPara = &txtDispPara;
    c.linSepa = {&linSepa[0], &linSepa[1]};
    for (std::size_t i = 1; i < 5; ++i)
        c.mnuOptSelCom[i] = &mnuOptSelCom[i];
    for (std::size_t i = 0; i < 6; ++i)
        c.mnuOptionSelAutoRelease[i] = &mnuOptionSelAutoRelease[i];
    return c;
}

}  // namespace qs::cli
