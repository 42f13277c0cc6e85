#include <QAction>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "desktop/qt_controls.h"

namespace qs::qt {

// --- LineWidget / QtLine ---

LineWidget::LineWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void LineWidget::SetLine(QPoint from, QPoint to, QColor color) {
    from_ = from;
    to_ = to;
    color_ = color;
    update();
}

void LineWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(color_, 0));
    painter.drawLine(from_, to_);
}

QtLine::QtLine(LineWidget* line, const TwipsScale& scale) : line_(line), scale_(scale) {
    Apply();
}

void QtLine::setCoords(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    Apply();
}

void QtLine::setColor(ColorRole role) {
    color_ = role;
    Apply();
}

// The widget is the line's bounding box, at least one pixel each way.
void QtLine::Apply() {
    const QPoint a(scale_.ToPixelsX(x1_), scale_.ToPixelsY(y1_));
    const QPoint b(scale_.ToPixelsX(x2_), scale_.ToPixelsY(y2_));
    const QRect box = QRect(a, b).normalized().adjusted(0, 0, 1, 1);
    line_->setGeometry(box);
    line_->SetLine(a - box.topLeft(), b - box.topLeft(), PaletteColor(color_));
}

// --- QtMenuItem ---

QtMenuItem::QtMenuItem(QAction* action) : action_(action) {
    action_->setCheckable(true);
}

void QtMenuItem::setCaption(const std::string& text) {
    action_->setText(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

std::string QtMenuItem::caption() const {
    return action_->text().toLatin1().toStdString();
}

void QtMenuItem::setChecked(bool on) {
    // Set on every heartbeat; an unchanged mark costs nothing.
    if (action_->isChecked() == on) return;
    action_->setChecked(on);
}

bool QtMenuItem::checked() const {
    return action_->isChecked();
}

// --- QtWindow ---

QtWindow::QtWindow(QMainWindow* window, const TwipsScale& scale) : window_(window), scale_(scale) {}

void QtWindow::setCaption(const std::string& text) {
    caption_ = text;
    window_->setWindowTitle(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

// The window manager's frame is known only once the window is shown; until then it counts
// as nothing, and the next resize corrects the layout.
QMargins QtWindow::FrameMargins() const {
    const QRect outer = window_->frameGeometry();
    const QRect inner = window_->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                    outer.right() - inner.right(), outer.bottom() - inner.bottom());
}

int QtWindow::MenuBarHeightPixels() const {
    const QMenuBar* bar = window_->menuBar();
    if (bar == nullptr || bar->isHidden()) return 0;
    return window_->isVisible() ? bar->height() : bar->sizeHint().height();
}

void QtWindow::Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    const QMargins frame = FrameMargins();
    const int w = std::max(1, scale_.ToPixelsX(width) - frame.left() - frame.right());
    const int h = std::max(1, scale_.ToPixelsY(height) - frame.top() - frame.bottom());
    window_->resize(w, h);
    window_->move(scale_.ToPixelsX(left), scale_.ToPixelsY(top));
}

std::int32_t QtWindow::left() const {
    return scale_.ToTwipsX(window_->frameGeometry().left());
}

std::int32_t QtWindow::top() const {
    return scale_.ToTwipsY(window_->frameGeometry().top());
}

std::int32_t QtWindow::width() const {
    return scale_.ToTwipsX(window_->frameGeometry().width());
}

std::int32_t QtWindow::height() const {
    return scale_.ToTwipsY(window_->frameGeometry().height());
}

// Worked out from the window's own size so that it is right even before the layout of a
// hidden window has run.
std::int32_t QtWindow::clientWidth() const {
    return scale_.ToTwipsX(window_->width());
}

std::int32_t QtWindow::clientHeight() const {
    return scale_.ToTwipsY(std::max(0, window_->height() - MenuBarHeightPixels()));
}

std::int32_t QtWindow::screenWidth() const {
    const QScreen* screen = window_->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? scale_.ToTwipsX(screen->geometry().width()) : 0;
}

std::int32_t QtWindow::screenHeight() const {
    const QScreen* screen = window_->screen();
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? scale_.ToTwipsY(screen->geometry().height()) : 0;
}

}  // namespace qs::qt
