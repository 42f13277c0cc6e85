#include "desktop/qt_controls.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

namespace qs::qt {

QColor PaletteColor(ColorRole role) {
    const QPalette palette = QApplication::palette();
    switch (role) {
        case ColorRole::ButtonText:
            return palette.color(QPalette::Active, QPalette::ButtonText);
        case ColorRole::GrayText:
            return palette.color(QPalette::Disabled, QPalette::WindowText);
        case ColorRole::ButtonShadow:
            return palette.color(QPalette::Active, QPalette::Dark);
        case ColorRole::Highlight3D:
            return palette.color(QPalette::Active, QPalette::Light);
    }
    return palette.color(QPalette::Active, QPalette::WindowText);
}

QString ToDisplayText(const std::string& text) {
    QString result = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

namespace {

std::string FromDisplayText(const QString& text) {
    return text.toLatin1().toStdString();
}

}  // namespace

// --- QtControl ---

QtControl::QtControl(QWidget* widget, const TwipsScale& scale, TabOrder* tabOrder)
    : widget_(widget), scale_(scale), tabOrder_(tabOrder) {}

// Both are set on every heartbeat; an unchanged state costs no call into the widget. A widget
// never shown or hidden explicitly still follows its parent, so it is always told once.
void QtControl::setVisible(bool visible) {
    visible_ = visible;
    if (!widget_) return;
    if (widget_->testAttribute(Qt::WA_WState_ExplicitShowHide) && widget_->isHidden() != visible) {
        return;
    }
    widget_->setVisible(visible);
}

void QtControl::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!widget_) return;
    const bool shown = enabled && !held_;
    if (widget_->testAttribute(Qt::WA_ForceDisabled) != shown) return;
    widget_->setEnabled(shown);
}

void QtControl::setHeld(bool held) {
    held_ = held;
    setEnabled(enabled_);
}

void QtControl::Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    left_ = left;
    top_ = top;
    width_ = std::max<std::int32_t>(0, width);
    height_ = std::max<std::int32_t>(0, height);
    ApplyGeometry();
}

void QtControl::setStoredSize(std::int32_t width, std::int32_t height) {
    width_ = width;
    height_ = height;
}

void QtControl::ApplyGeometry() {
    if (!widget_) return;
    widget_->setGeometry(scale_.ToPixelsX(left_), scale_.ToPixelsY(top_), scale_.ToPixelsX(width_),
                         scale_.ToPixelsY(height_));
}

void QtControl::setFocus() {
    if (widget_) widget_->setFocus(Qt::OtherFocusReason);
}

// The control that has the focus within its window, whether or not the window is active.
bool QtControl::hasFocus() const {
    if (!widget_) return false;
    return widget_->window()->focusWidget() == widget_;
}

void QtControl::setTabStop(bool on) {
    if (widget_) widget_->setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

void QtControl::moveToEndOfTabOrder() {
    if (tabOrder_ != nullptr && widget_) tabOrder_->MoveToEnd(widget_);
}

// --- TabOrder ---

void TabOrder::MoveToEnd(QWidget* widget) {
    std::erase_if(order_,
                  [widget](const QPointer<QWidget>& w) { return w.isNull() || w == widget; });
    order_.emplace_back(widget);
    Apply();
}

void TabOrder::Apply() {
    for (std::size_t i = 1; i < order_.size(); ++i) {
        QWidget::setTabOrder(order_[i - 1], order_[i]);
    }
}

// --- QtListBox ---

QtListBox::QtListBox(QListWidget* list, const TwipsScale& scale, TabOrder* tabOrder)
    : QtControl(list, scale, tabOrder), list_(list) {
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setUniformItemSizes(true);
}

void QtListBox::AddItem(const std::string& text) {
    list_->addItem(ToDisplayText(text));
}

void QtListBox::Clear() {
    list_->clear();
}

int QtListBox::ListCount() const {
    return list_->count();
}

void QtListBox::setList(int row, const std::string& text) {
    QListWidgetItem* item = list_->item(row);
    if (item != nullptr) item->setText(ToDisplayText(text));
}

std::string QtListBox::List(int row) const {
    const QListWidgetItem* item = list_->item(row);
    return item != nullptr ? FromDisplayText(item->text()) : std::string();
}

int QtListBox::ListIndex() const {
    return list_->currentRow();
}

void QtListBox::setListIndex(int row) {
    if (row < 0 || row >= list_->count()) {
        list_->setCurrentRow(-1);
        list_->clearSelection();
        return;
    }
    list_->setCurrentRow(row);
}

// --- QtLabel ---

QtLabel::QtLabel(QLabel* label, const TwipsScale& scale, TabOrder* tabOrder)
    : QtControl(label, scale, tabOrder), label_(label) {
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setForeColor(ColorRole::ButtonText);
    FitToText();
}

void QtLabel::setCaption(const std::string& text) {
    // Captions are set on every heartbeat (the port label); an unchanged one costs nothing.
    if (captionShown_ && text == caption_) return;
    captionShown_ = true;
    caption_ = text;
    label_->setText(ToDisplayText(text));
    FitToText();
}

void QtLabel::setForeColor(ColorRole role) {
    if (foreColorShown_ && role == foreColor_) return;
    foreColorShown_ = true;
    foreColor_ = role;
    const QColor color = PaletteColor(role);
    QPalette palette = label_->palette();
    bool same = true;
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        same = same && palette.color(group, QPalette::WindowText) == color;
    }
    if (same) return;
    palette.setColor(QPalette::WindowText, color);
    label_->setPalette(palette);
}

void QtLabel::MovePosition(std::int32_t left, std::int32_t top) {
    QtControl::Move(left, top, width(), height());
}

void QtLabel::Move(std::int32_t left, std::int32_t top, std::int32_t, std::int32_t) {
    MovePosition(left, top);
}

void QtLabel::FitToText() {
    const QSize size = label_->sizeHint();
    setStoredSize(scale().ToTwipsX(size.width()), scale().ToTwipsY(size.height()));
    ApplyGeometry();
}

// --- QtTextBox ---

QtTextBox::QtTextBox(QPlainTextEdit* edit, const TwipsScale& scale, TabOrder* tabOrder)
    : QtControl(edit, scale, tabOrder), edit_(edit) {
    edit_->setReadOnly(true);
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
}

void QtTextBox::setText(const std::string& text) {
    text_ = text;
    edit_->setPlainText(ToDisplayText(text));
}

// --- QtButton ---

QtButton::QtButton(QPushButton* button, const TwipsScale& scale, TabOrder* tabOrder)
    : QtControl(button, scale, tabOrder), button_(button) {
    button_->setAutoDefault(false);
}

void QtButton::setCaption(const std::string& text) {
    caption_ = text;
    button_->setText(ToDisplayText(text));
}

// The window presses the default button on Enter itself (see MainWindow); Qt's flag only
// draws the default frame.
void QtButton::setDefault(bool on) {
    default_ = on;
    button_->setDefault(on);
}

// --- QtFrame ---

QtFrame::QtFrame(QFrame* frame, const TwipsScale& scale, TabOrder* tabOrder)
    : QtControl(frame, scale, tabOrder), frame_(frame) {
    setBorder(true);
}

void QtFrame::setBorder(bool on) {
    border_ = on;
    frame_->setFrameStyle(on ? (QFrame::Box | QFrame::Sunken) : QFrame::NoFrame);
}

}  // namespace qs::qt
