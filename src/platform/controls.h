#pragma once

#include <cstdint>
#include <string>

namespace qs {

// Window controls as the core drives them. All lengths are twips (1/1440 inch) and a
// control's position is relative to the client area of its container (window or frame).

// System colours by role, so the front end can follow the desktop's palette.
enum class ColorRole { ButtonText, GrayText, ButtonShadow, Highlight3D };

class IControl {
public:
    virtual ~IControl() = default;
    virtual void setVisible(bool visible) = 0;
    virtual bool visible() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
    virtual void Move(std::int32_t left, std::int32_t top, std::int32_t width,
                      std::int32_t height) = 0;
    virtual std::int32_t left() const = 0;
    virtual std::int32_t top() const = 0;
    virtual std::int32_t width() const = 0;
    virtual std::int32_t height() const = 0;
    virtual void setFocus() = 0;
    virtual bool hasFocus() const = 0;
    virtual void setTabStop(bool on) = 0;
    // Puts the control last in its window's tab order.
    virtual void moveToEndOfTabOrder() = 0;
};

class IListBox : public virtual IControl {
public:
    virtual void AddItem(const std::string& text) = 0;
    virtual void Clear() = 0;
    virtual int ListCount() const = 0;
    virtual void setList(int row, const std::string& text) = 0;
    virtual std::string List(int row) const = 0;
    // Selected row, -1 for none.
    virtual int ListIndex() const = 0;
    virtual void setListIndex(int row) = 0;
};

// A label sizes itself to its caption (width and height follow the text and font).
class ILabel : public virtual IControl {
public:
    virtual void setCaption(const std::string& text) = 0;
    virtual std::string caption() const = 0;
    virtual void setForeColor(ColorRole role) = 0;
    virtual ColorRole foreColor() const = 0;
    // Moves the label without changing its own size.
    virtual void MovePosition(std::int32_t left, std::int32_t top) = 0;
};

class ITextBox : public virtual IControl {
public:
    virtual void setText(const std::string& text) = 0;
    virtual std::string text() const = 0;
};

class IButton : public virtual IControl {
public:
    virtual void setCaption(const std::string& text) = 0;
    virtual std::string caption() const = 0;
    // Default button: Enter anywhere in the window presses it. Cancel button: Escape does.
    virtual void setDefault(bool on) = 0;
    virtual bool isDefault() const = 0;
    virtual void setCancel(bool on) = 0;
    virtual bool isCancel() const = 0;
};

class IFrame : public virtual IControl {
public:
    virtual void setBorder(bool on) = 0;
    virtual bool border() const = 0;
};

class ILine {
public:
    virtual ~ILine() = default;
    virtual void setCoords(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) = 0;
    virtual std::int32_t x1() const = 0;
    virtual std::int32_t y1() const = 0;
    virtual std::int32_t x2() const = 0;
    virtual std::int32_t y2() const = 0;
    virtual void setColor(ColorRole role) = 0;
};

class IMenuItem {
public:
    virtual ~IMenuItem() = default;
    virtual void setCaption(const std::string& text) = 0;
    virtual std::string caption() const = 0;
    virtual void setChecked(bool on) = 0;
    virtual bool checked() const = 0;
};

// The main window itself and the screen it is on.
class IWindow {
public:
    virtual ~IWindow() = default;
    virtual void setCaption(const std::string& text) = 0;
    virtual std::string caption() const = 0;
    // Outer geometry of the window on the screen.
    virtual void Move(std::int32_t left, std::int32_t top, std::int32_t width,
                      std::int32_t height) = 0;
    virtual std::int32_t left() const = 0;
    virtual std::int32_t top() const = 0;
    virtual std::int32_t width() const = 0;
    virtual std::int32_t height() const = 0;
    virtual std::int32_t clientWidth() const = 0;
    virtual std::int32_t clientHeight() const = 0;
    virtual std::int32_t screenWidth() const = 0;
    virtual std::int32_t screenHeight() const = 0;
    // Height of one screen pixel in twips (15 at 96 dots per inch).
    virtual std::int32_t twipsPerPixelY() const = 0;
};

}  // namespace qs
