#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/controls.h"
#include "platform/main_window_controls.h"

namespace qs {

// Shared by the controls of one fake window: who has the focus and the tab order, so that
// focus moves and tab-order changes can be checked across controls.
struct FakeFocusScope {
    IControl* focused = nullptr;
    std::vector<std::string> tabOrder;  // names of the controls, first to last
};

// Records everything done to a control. Controls made outside a FakeMainWindow carry a
// private scope of their own.
class FakeControl : public virtual IControl {
public:
    FakeControl();
    FakeControl(const FakeControl&) = delete;
    FakeControl& operator=(const FakeControl&) = delete;
    // Names the control and joins it to a window's focus scope, at the end of its tab order.
    void attach(std::string name, FakeFocusScope* scope);

    void setVisible(bool visible) override { visible_ = visible; }
    bool visible() const override { return visible_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool enabled() const override { return enabled_; }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width,
              std::int32_t height) override;
    std::int32_t left() const override { return left_; }
    std::int32_t top() const override { return top_; }
    std::int32_t width() const override { return width_; }
    std::int32_t height() const override { return height_; }
    void setFocus() override;
    bool hasFocus() const override { return scope_->focused == this; }
    void setTabStop(bool on) override { tabStop_ = on; }
    void moveToEndOfTabOrder() override;

    const std::string& name() const { return name_; }
    bool tabStop() const { return tabStop_; }
    int moveCount() const { return moveCount_; }
    int focusCount() const { return focusCount_; }

protected:
    void setGeometry(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);

private:
    std::string name_;
    FakeFocusScope ownScope_;
    FakeFocusScope* scope_;
    bool visible_ = true;
    bool enabled_ = true;
    bool tabStop_ = false;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    int moveCount_ = 0;
    int focusCount_ = 0;
};

class FakeListBox : public IListBox, public FakeControl {
public:
    void AddItem(const std::string& text) override;
    void Clear() override;
    int ListCount() const override { return static_cast<int>(rows_.size()); }
    void setList(int row, const std::string& text) override;
    std::string List(int row) const override;
    int ListIndex() const override { return listIndex_; }
    void setListIndex(int row) override;

    const std::vector<std::string>& rows() const { return rows_; }
    // Every setList call in order (row, text), also those with a row out of range.
    const std::vector<std::pair<int, std::string>>& listWrites() const { return listWrites_; }
    void clearListWrites() { listWrites_.clear(); }
    int clearCount() const { return clearCount_; }

private:
    std::vector<std::string> rows_;
    std::vector<std::pair<int, std::string>> listWrites_;
    int listIndex_ = -1;
    int clearCount_ = 0;
};

// Sizes itself from its caption like an auto-sizing label in a fixed-pitch font.
class FakeLabel : public ILabel, public FakeControl {
public:
    static constexpr std::int32_t kCharWidthTwips = 120;
    static constexpr std::int32_t kLineHeightTwips = 195;

    void setCaption(const std::string& text) override;
    std::string caption() const override { return caption_; }
    void setForeColor(ColorRole role) override { foreColor_ = role; }
    ColorRole foreColor() const override { return foreColor_; }
    void MovePosition(std::int32_t left, std::int32_t top) override;

    int captionCount() const { return captionCount_; }

private:
    std::string caption_;
    ColorRole foreColor_ = ColorRole::ButtonText;
    int captionCount_ = 0;
};

class FakeTextBox : public ITextBox, public FakeControl {
public:
    void setText(const std::string& text) override { text_ = text; }
    std::string text() const override { return text_; }

private:
    std::string text_;
};

class FakeButton : public IButton, public FakeControl {
public:
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void setDefault(bool on) override { default_ = on; }
    bool isDefault() const override { return default_; }
    void setCancel(bool on) override { cancel_ = on; }
    bool isCancel() const override { return cancel_; }

private:
    std::string caption_;
    bool default_ = false;
    bool cancel_ = false;
};

class FakeFrame : public IFrame, public FakeControl {
public:
    void setBorder(bool on) override { border_ = on; }
    bool border() const override { return border_; }

private:
    bool border_ = true;
};

class FakeLine : public ILine {
public:
    void setCoords(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    std::int32_t x1() const override { return x1_; }
    std::int32_t y1() const override { return y1_; }
    std::int32_t x2() const override { return x2_; }
    std::int32_t y2() const override { return y2_; }
    void setColor(ColorRole role) override { color_ = role; }
    ColorRole color() const { return color_; }

private:
    std::int32_t x1_ = 0;
    std::int32_t y1_ = 0;
    std::int32_t x2_ = 0;
    std::int32_t y2_ = 0;
    ColorRole color_ = ColorRole::ButtonShadow;
};

class FakeMenuItem : public IMenuItem {
public:
    explicit FakeMenuItem(std::string caption = {}) : caption_(std::move(caption)) {}
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void setChecked(bool on) override;
    bool checked() const override { return checked_; }
    int checkedCount() const { return checkedCount_; }

private:
    std::string caption_;
    bool checked_ = false;
    int checkedCount_ = 0;
};

// The window and its screen. Moving the window keeps a fixed border and title/menu height
// around the client area; every metric can be set directly for a test.
class FakeWindow : public IWindow {
public:
    static constexpr std::int32_t kDefaultFrameWidthTwips = 120;
    static constexpr std::int32_t kDefaultFrameHeightTwips = 690;

    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width,
              std::int32_t height) override;
    std::int32_t left() const override { return left_; }
    std::int32_t top() const override { return top_; }
    std::int32_t width() const override { return width_; }
    std::int32_t height() const override { return height_; }
    std::int32_t clientWidth() const override { return clientWidth_; }
    std::int32_t clientHeight() const override { return clientHeight_; }
    std::int32_t screenWidth() const override { return screenWidth_; }
    std::int32_t screenHeight() const override { return screenHeight_; }
    std::int32_t twipsPerPixelY() const override { return twipsPerPixelY_; }

    void setClientSize(std::int32_t width, std::int32_t height);
    void setScreenSize(std::int32_t width, std::int32_t height);
    void setTwipsPerPixelY(std::int32_t twips) { twipsPerPixelY_ = twips; }
    // Outer size minus client size; applied by Move.
    void setFrameSize(std::int32_t width, std::int32_t height);
    int moveCount() const { return moveCount_; }

private:
    std::string caption_;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    std::int32_t width_ = 9525;
    std::int32_t height_ = 7200;
    std::int32_t frameWidth_ = kDefaultFrameWidthTwips;
    std::int32_t frameHeight_ = kDefaultFrameHeightTwips;
    std::int32_t clientWidth_ = 9525 - kDefaultFrameWidthTwips;
    std::int32_t clientHeight_ = 7200 - kDefaultFrameHeightTwips;
    std::int32_t screenWidth_ = 15360;  // 1024 x 768 pixels at 15 twips per pixel
    std::int32_t screenHeight_ = 11520;
    std::int32_t twipsPerPixelY_ = 15;
    int moveCount_ = 0;
};

// One of every main-window control, all in one focus scope, with the menu captions of the
// real window. `controls()` hands them to the core.
class FakeMainWindow {
public:
    FakeMainWindow();
    FakeMainWindow(const FakeMainWindow&) = delete;
    FakeMainWindow& operator=(const FakeMainWindow&) = delete;

    MainWindowControls controls();
    const std::vector<std::string>& tabOrder() const { return scope.tabOrder; }
    IControl* focused() const { return scope.focused; }

    FakeFocusScope scope;  // declared before the controls that point at it
    FakeWindow window;
    FakeButton cmd00[3];
    FakeFrame fra01[4];
    FakeLabel lblTitle;
    FakeLabel lblProgress;
    FakeLabel lblComBusy;
    FakeListBox lboConsole;
    FakeListBox lbo01[2];
    FakeTextBox txtDispPara;
    FakeLine linSepa[2];
    FakeMenuItem mnuOptSelCom[5];
    FakeMenuItem mnuOptionSelAutoRelease[6];
};

}  // namespace qs
