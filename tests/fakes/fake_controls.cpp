#include "fakes/fake_controls.h"

#include <algorithm>

namespace qs {

FakeControl::FakeControl() : scope_(&ownScope_) {}

void FakeControl::attach(std::string name, FakeFocusScope* scope) {
    name_ = std::move(name);
    scope_ = scope != nullptr ? scope : &ownScope_;
    scope_->tabOrder.push_back(name_);
}

void FakeControl::Move(std::int32_t left, std::int32_t top, std::int32_t width,
                       std::int32_t height) {
    ++moveCount_;
    setGeometry(left, top, width, height);
}

void FakeControl::setGeometry(std::int32_t left, std::int32_t top, std::int32_t width,
                              std::int32_t height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

void FakeControl::setFocus() {
    ++focusCount_;
    scope_->focused = this;
}

void FakeControl::moveToEndOfTabOrder() {
    auto& order = scope_->tabOrder;
    order.erase(std::remove(order.begin(), order.end(), name_), order.end());
    order.push_back(name_);
}

void FakeListBox::AddItem(const std::string& text) {
    rows_.push_back(text);
}

void FakeListBox::Clear() {
    ++clearCount_;
    rows_.clear();
    listIndex_ = -1;
}

void FakeListBox::setList(int row, const std::string& text) {
    listWrites_.emplace_back(row, text);
    if (row < 0 || row >= ListCount()) return;
    rows_[static_cast<std::size_t>(row)] = text;
}

std::string FakeListBox::List(int row) const {
    if (row < 0 || row >= ListCount()) return {};
    return rows_[static_cast<std::size_t>(row)];
}

void FakeListBox::setListIndex(int row) {
    listIndex_ = (row >= 0 && row < ListCount()) ? row : -1;
}

void FakeLabel::setCaption(const std::string& text) {
    ++captionCount_;
    caption_ = text;
    // Auto-size: widest line times the cell width, line count times the line height.
    std::size_t widest = 0;
    std::size_t lines = 1;
    std::size_t current = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') continue;
        if (text[i] == '\n') {
            widest = std::max(widest, current);
            current = 0;
            ++lines;
            continue;
        }
        ++current;
    }
    widest = std::max(widest, current);
    setGeometry(left(), top(), static_cast<std::int32_t>(widest) * kCharWidthTwips,
                static_cast<std::int32_t>(lines) * kLineHeightTwips);
}

void FakeLabel::MovePosition(std::int32_t left, std::int32_t top) {
    setGeometry(left, top, width(), height());
}

void FakeLine::setCoords(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
}

void FakeMenuItem::setChecked(bool on) {
    ++checkedCount_;
    checked_ = on;
}

void FakeWindow::Move(std::int32_t left, std::int32_t top, std::int32_t width,
                      std::int32_t height) {
    ++moveCount_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    clientWidth_ = std::max<std::int32_t>(0, width - frameWidth_);
    clientHeight_ = std::max<std::int32_t>(0, height - frameHeight_);
}

void FakeWindow::setClientSize(std::int32_t width, std::int32_t height) {
    clientWidth_ = width;
    clientHeight_ = height;
}

void FakeWindow::setScreenSize(std::int32_t width, std::int32_t height) {
    screenWidth_ = width;
    screenHeight_ = height;
}

void FakeWindow::setFrameSize(std::int32_t width, std::int32_t height) {
    frameWidth_ = width;
    frameHeight_ = height;
}

FakeMainWindow::FakeMainWindow() {
    for (int i = 0; i < 3; ++i)
        cmd00[i].attach("cmd00(" + std::to_string(i) + ")", &scope);
    for (int i = 0; i < 4; ++i)
        fra01[i].attach("fra01(" + std::to_string(i) + ")", &scope);
    lblTitle.attach("lblTitle", &scope);
    lblProgress.attach("lblProgress", &scope);
    lblComBusy.attach("lblComBusy", &scope);
    lboConsole.attach("lboConsole", &scope);
    for (int i = 0; i < 2; ++i)
        lbo01[i].attach("lbo01(" + std::to_string(i) + ")", &scope);
    txtDispPara.attach("txtDispPara", &scope);
    linSepa[0].setColor(ColorRole::ButtonShadow);
    linSepa[1].setColor(ColorRole::Highlight3D);
    for (int i = 1; i <= 4; ++i)
        mnuOptSelCom[i].setCaption("COM &" + std::to_string(i));
    mnuOptionSelAutoRelease[0].setCaption("&OFF");
    for (int i = 1; i <= 5; ++i) {
        mnuOptionSelAutoRelease[i].setCaption("&" + std::to_string(i) + " sec");
    }
}

MainWindowControls FakeMainWindow::controls() {
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
    for (std::size_t i = 0; i < 2; ++i)
        c.lbo01[i] = &lbo01[i];
    c.txtDispPara = &txtDispPara;
    for (std::size_t i = 0; i < 2; ++i)
        c.linSepa[i] = &linSepa[i];
    for (std::size_t i = 1; i <= 4; ++i)
        c.mnuOptSelCom[i] = &mnuOptSelCom[i];
    for (std::size_t i = 0; i <= 5; ++i)
        c.mnuOptionSelAutoRelease[i] = &mnuOptionSelAutoRelease[i];
    return c;
}

}  // namespace qs
