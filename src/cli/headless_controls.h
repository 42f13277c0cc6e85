#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/main_window_controls.h"

namespace qs::cli {

// The main window's controls without a window: each keeps what the core sets (captions, list
// rows, texts, geometry), so the command line can print what the desktop program shows.

class HeadlessControl : public virtual IControl {
public:
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
    void setFocus() override {}
    bool hasFocus() const override { return false; }
    void setTabStop(bool) override {}
    void moveToEndOfTabOrder() override {}

private:
    bool visible_ = false;
    bool enabled_ = true;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

class HeadlessListBox : public IListBox, public HeadlessControl {
public:
    void AddItem(const std::string& text) override { rows_.push_back(text); }
    void Clear() override;
    int ListCount() const override { return static_cast<int>(rows_.size()); }
    void setList(int row, const std::string& text) override;
    std::string List(int row) const override;
    int ListIndex() const override { return listIndex_; }
    void setListIndex(int row) override;
    const std::vector<std::string>& rows() const { return rows_; }

private:
    std::vector<std::string> rows_;
    int listIndex_ = -1;
};

class HeadlessLabel : public ILabel, public HeadlessControl {
public:
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void setForeColor(ColorRole role) override { foreColor_ = role; }
    ColorRole foreColor() const override { return foreColor_; }
    void MovePosition(std::int32_t left, std::int32_t top) override;

private:
    std::string caption_;
    ColorRole foreColor_ = ColorRole::ButtonText;
};

class HeadlessTextBox : public ITextBox, public HeadlessControl {
public:
    void setText(const std::string& text) override { text_ = text; }
    std::string text() const override { return text_; }

private:
    std::string text_;
};

class HeadlessButton : public IButton, public HeadlessControl {
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

class HeadlessFrame : public IFrame, public HeadlessControl {
public:
    void setBorder(bool on) override { border_ = on; }
    bool border() const override { return border_; }

private:
    bool border_ = true;
};

class HeadlessLine : public ILine {
public:
    void setCoords(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    std::int32_t x1() const override { return x1_; }
    std::int32_t y1() const override { return y1_; }
    std::int32_t x2() const override { return x2_; }
    std::int32_t y2() const override { return y2_; }
    void setColor(ColorRole) override {}

private:
    std::int32_t x1_ = 0;
    std::int32_t y1_ = 0;
    std::int32_t x2_ = 0;
    std::int32_t y2_ = 0;
};

class HeadlessMenuItem : public IMenuItem {
public:
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void setChecked(bool on) override { checked_ = on; }
    bool checked() const override { return checked_; }

private:
    std::string caption_;
    bool checked_ = false;
};

// A window of the desktop program's default size on a 1024 x 768 screen, so the layout the
// core computes is the one the desktop program would show.
class HeadlessWindow : public IWindow {
public:
    void setCaption(const std::string& text) override { caption_ = text; }
    std::string caption() const override { return caption_; }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width,
              std::int32_t height) override;
    std::int32_t left() const override { return left_; }
    std::int32_t top() const override { return top_; }
    std::int32_t width() const override { return width_; }
    std::int32_t height() const override { return height_; }
    std::int32_t clientWidth() const override { return width_ - kFrameWidthTwips; }
    std::int32_t clientHeight() const override { return height_ - kFrameHeightTwips; }
    std::int32_t screenWidth() const override { return kScreenWidthTwips; }
    std::int32_t screenHeight() const override { return kScreenHeightTwips; }
    std::int32_t twipsPerPixelY() const override { return kTwipsPerPixel; }

private:
    static constexpr std::int32_t kFrameWidthTwips = 120;
    static constexpr std::int32_t kFrameHeightTwips = 690;
    static constexpr std::int32_t kScreenWidthTwips = 15360;
    static constexpr std::int32_t kScreenHeightTwips = 11520;
    static constexpr std::int32_t kTwipsPerPixel = 15;

    std::string caption_;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    std::int32_t width_ = 9525;
    std::int32_t height_ = 7200;
};

// One of every main-window control; `controls()` hands them to the core.
class HeadlessMainWindow {
public:
    HeadlessMainWindow() = default;
    HeadlessMainWindow(const HeadlessMainWindow&) = delete;
    HeadlessMainWindow& operator=(const HeadlessMainWindow&) = delete;

    MainWindowControls controls();

    HeadlessWindow window;
    HeadlessButton cmd00[3];
    HeadlessFrame fra01[4];
    HeadlessLabel lblTitle;
    HeadlessLabel lblProgress;
    HeadlessLabel lblComBusy;
    HeadlessListBox lboConsole;
    HeadlessListBox lbo01[2];
    HeadlessTextBox txtDispPara;
    HeadlessLine linSepa[2];
    HeadlessMenuItem mnuOptSelCom[5];
    HeadlessMenuItem mnuOptionSelAutoRelease[6];
};

}  // namespace qs::cli
