#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "desktop/twips.h"

class QAction;
class QFrame;
class QLabel;
class QListWidget;
class QMainWindow;
class QPlainTextEdit;
class QPushButton;

namespace qs::qt {

class TabOrder;

// The palette colour that stands for a system colour role.
QColor PaletteColor(ColorRole role);

// Text from the core uses CR LF between lines; Qt wants LF.
QString ToDisplayText(const std::string& text);

// What every control shares: geometry in twips, visibility, enabling, focus, tab stop.
// The core's own flags are kept here, since Qt's visibility also depends on the parents.
class QtControl : public virtual IControl {
public:
    QtControl(QWidget* widget, const TwipsScale& scale, TabOrder* tabOrder);

    void setVisible(bool visible) override;
    bool visible() const override { return visible_; }
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width,
              std::int32_t height) override;
    std::int32_t left() const override { return left_; }
    std::int32_t top() const override { return top_; }
    std::int32_t width() const override { return width_; }
    std::int32_t height() const override { return height_; }
    void setFocus() override;
    bool hasFocus() const override;
    void setTabStop(bool on) override;
    void moveToEndOfTabOrder() override;

    QWidget* widget() const { return widget_; }
    // Held by the front end (a procedure run drives the radio): shown disabled whatever the
    // core sets, and as the core set it again once let go.
    void setHeld(bool held);

protected:
    const TwipsScale& scale() const { return scale_; }
    // Applies the stored twips geometry to the widget.
    void ApplyGeometry();
    void setStoredSize(std::int32_t width, std::int32_t height);

private:
    QPointer<QWidget> widget_;
    const TwipsScale& scale_;
    TabOrder* tabOrder_;
    bool visible_ = true;
    bool enabled_ = true;
    bool held_ = false;
    std::int32_t left_ = 0;
    std::int32_t top_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

// The window's tab order: the core appends controls one by one.
class TabOrder {
public:
    void MoveToEnd(QWidget* widget);

private:
    void Apply();
    std::vector<QPointer<QWidget>> order_;
};

class QtListBox : public IListBox, public QtControl {
public:
    QtListBox(QListWidget* list, const TwipsScale& scale, TabOrder* tabOrder);
    void AddItem(const std::string& text) override;
    void Clear() override;
    int ListCount() const override;
    void setList(int row, const std::string& text) override;
    std::string List(int row) const override;
    int ListIndex() const override;
    void setListIndex(int row) override;

private:
    QListWidget* list_;
};

class QtLabel : public ILabel, public QtControl {
public:
    QtLabel(QLabel* label, const TwipsScale& scale, TabOrder* tabOrder);
    void setCaption(const std::string& text) override;
    std::string caption() const override { return caption_; }
    void setForeColor(ColorRole role) override;
    ColorRole foreColor() const override { return foreColor_; }
    void MovePosition(std::int32_t left, std::int32_t top) override;
    // A label's size follows its text: width and height are ignored.
    void Move(std::int32_t left, std::int32_t top, std::int32_t width,
              std::int32_t height) override;

private:
    void FitToText();
    QLabel* label_;
    std::string caption_;
    bool captionShown_ = false;  // caption_ is what the widget shows
    ColorRole foreColor_ = ColorRole::ButtonText;
    bool foreColorShown_ = false;  // foreColor_ is what the widget shows
};

class QtTextBox : public ITextBox, public QtControl {
public:
    QtTextBox(QPlainTextEdit* edit, const TwipsScale& scale, TabOrder* tabOrder);
    void setText(const std::string& text) override;
    std::string text() const override { return text_; }

private:
    QPlainTextEdit* edit_;
    std::string text_;
};

class QtButton : public IButton, public QtControl {
public:
    QtButton(QPushButton* button, const TwipsScale& scale, TabOrder* tabOrder);
    void setCaption(const std::string& text) override;
    std::string caption() const override { return caption_; }
    void setDefault(bool on) override;
    bool isDefault() const override { return default_; }
    void setCancel(bool on) override { cancel_ = on; }
    bool isCancel() const override { return cancel_; }
    QPushButton* button() const { return button_; }

private:
    QPushButton* button_;
    std::string caption_;
    bool default_ = false;
    bool cancel_ = false;
};

class QtFrame : public IFrame, public QtControl {
public:
    QtFrame(QFrame* frame, const TwipsScale& scale, TabOrder* tabOrder);
    void setBorder(bool on) override;
    bool border() const override { return border_; }

private:
    QFrame* frame_;
    bool border_ = true;
};

// A straight line drawn one pixel wide in a palette colour.
class LineWidget : public QWidget {
    Q_OBJECT
public:
    explicit LineWidget(QWidget* parent);
    void SetLine(QPoint from, QPoint to, QColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPoint from_;
    QPoint to_;
    QColor color_;
};

class QtLine : public ILine {
public:
    QtLine(LineWidget* line, const TwipsScale& scale);
    void setCoords(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    std::int32_t x1() const override { return x1_; }
    std::int32_t y1() const override { return y1_; }
    std::int32_t x2() const override { return x2_; }
    std::int32_t y2() const override { return y2_; }
    void setColor(ColorRole role) override;
    ColorRole color() const { return color_; }

private:
    void Apply();
    LineWidget* line_;
    const TwipsScale& scale_;
    std::int32_t x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    ColorRole color_ = ColorRole::ButtonShadow;
};

class QtMenuItem : public IMenuItem {
public:
    explicit QtMenuItem(QAction* action);
    void setCaption(const std::string& text) override;
    std::string caption() const override;
    void setChecked(bool on) override;
    bool checked() const override;

private:
    QAction* action_;
};

// The main window: outer geometry in twips, the client area below the menu bar.
class QtWindow : public IWindow {
public:
    QtWindow(QMainWindow* window, const TwipsScale& scale);
    void setCaption(const std::string& text) override;
    std::string caption() const override { return caption_; }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width,
              std::int32_t height) override;
    std::int32_t left() const override;
    std::int32_t top() const override;
    std::int32_t width() const override;
    std::int32_t height() const override;
    std::int32_t clientWidth() const override;
    std::int32_t clientHeight() const override;
    std::int32_t screenWidth() const override;
    std::int32_t screenHeight() const override;
    std::int32_t twipsPerPixelY() const override { return scale_.twipsPerPixelY(); }

private:
    int MenuBarHeightPixels() const;
    QMargins FrameMargins() const;
    QMainWindow* window_;
    const TwipsScale& scale_;
    std::string caption_;
};

}  // namespace qs::qt
