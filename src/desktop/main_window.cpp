#include "desktop/main_window.h"

#include <QAction>
#include <QStatusBar>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

#include "desktop/key_codes.h"
#include "qtcore/modal_scope.h"

namespace qs::qt {

namespace {

constexpr int kFixedFontPointSize = 9;
constexpr const char* kComPortCaptions[] = {"", "COM &1", "COM &2", "COM &3", "COM &4"};
constexpr const char* kReleaseCaptions[] = {"&OFF",   "&1 sec", "&2 sec",
                                            "&3 sec", "&4 sec", "&5 sec"};
constexpr std::int16_t kKeyEnter = 13;
constexpr std::int16_t kKeyEscape = 27;

}  // namespace

// "Courier New" itself, or the metric-compatible face the font configuration puts in its
// place (Liberation Mono on Linux); failing both, the system's fixed font.
QFont MainWindow::FixedPitchFont() {
    QFont preferred(QStringLiteral("Courier New"), kFixedFontPointSize);
    preferred.setStyleHint(QFont::TypeWriter);
    if (QFontInfo(preferred).fixedPitch()) return preferred;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(kFixedFontPointSize);
    font.setFixedPitch(true);
    return font;
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), scale_(TwipsScale::ForScreen(screen())) {
    setWindowTitle(QStringLiteral("AdjWin"));
    BuildMenus();
    BuildControls();
    qApp->installEventFilter(this);
    // Any modal dialog (a file dialog, one of Qt's warning boxes) holds the heartbeat and the
    // serial port's reports, not only the program's own message boxes.
    SetModalDialogProbe([] {
        return QApplication::activeModalWidget() != nullptr ||
               QGuiApplication::modalWindow() != nullptr;
    });
}

MainWindow::~MainWindow() {
    SetModalDialogProbe(nullptr);
    qApp->removeEventFilter(this);
}

void MainWindow::HoldDriving(bool held) {
    for (const auto& button : buttons_) button->setHeld(held);
    for (QAction* action : comActions_) {
        if (action != nullptr) action->setEnabled(!held);
    }
    for (QAction* action : releaseActions_) {
        if (action != nullptr) action->setEnabled(!held);
    }
    for (const QPointer<QAction>& action : drivingActions_) {
        if (!action.isNull()) action->setEnabled(!held);
    }
}

void MainWindow::ShowRunStatus(const QString& text) {
    if (text.isEmpty()) {
        if (statusBar_ != nullptr) statusBar_->hide();
        return;
    }
    if (statusBar_ == nullptr) {
        statusBar_ = new QStatusBar(this);
        statusBar_->setObjectName(QStringLiteral("runStatus"));
        statusBar_->setSizeGripEnabled(false);
        runStatus_ = new QLabel(statusBar_);
        runStatus_->setWordWrap(true);
        statusBar_->addWidget(runStatus_, 1);
        setStatusBar(statusBar_);
    }
    runStatus_->setText(text);
    statusBar_->show();
}

QString MainWindow::runStatus() const {
    return statusBar_ != nullptr && !statusBar_->isHidden() ? runStatus_->text() : QString();
}

void MainWindow::BuildMenus() {
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    exitAction_ = fileMenu->addAction(QStringLiteral("E&xit"));
    connect(exitAction_, &QAction::triggered, this, &QWidget::close);

    QMenu* optionMenu = menuBar()->addMenu(QStringLiteral("&Option"));
    QMenu* portMenu = optionMenu->addMenu(QStringLiteral("&Port"));
    for (int i = 1; i <= 4; ++i) {
        QAction* action = portMenu->addAction(QString::fromLatin1(kComPortCaptions[i]));
        comActions_[i] = action;
        comMenuItems_[i] = std::make_unique<QtMenuItem>(action);
        controls_.mnuOptSelCom[i] = comMenuItems_[i].get();
        // The check marks follow the window logic's state on the next tick, not the click.
        connect(action, &QAction::triggered, this, [this, i, action] {
            action->setChecked(!action->isChecked());
            if (events_.comPortMenu) events_.comPortMenu(i);
        });
    }
    QMenu* releaseMenu = optionMenu->addMenu(QStringLiteral("&Auto port release"));
    for (int i = 0; i <= 5; ++i) {
        QAction* action = releaseMenu->addAction(QString::fromLatin1(kReleaseCaptions[i]));
        releaseActions_[i] = action;
        releaseMenuItems_[i] = std::make_unique<QtMenuItem>(action);
        controls_.mnuOptionSelAutoRelease[i] = releaseMenuItems_[i].get();
        connect(action, &QAction::triggered, this, [this, i, action] {
            action->setChecked(!action->isChecked());
            if (events_.autoReleaseMenu) events_.autoReleaseMenu(i);
        });
    }
}

void MainWindow::BuildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFont(FixedPitchFont());
    setCentralWidget(client);
    window_ = std::make_unique<QtWindow>(this, scale_);
    controls_.window = window_.get();

    for (int i = 0; i < 2; ++i) {
        auto* line = new LineWidget(client);
        lines_[i] = std::make_unique<QtLine>(line, scale_);
        lines_[i]->setColor(i == 0 ? ColorRole::ButtonShadow : ColorRole::Highlight3D);
        controls_.linSepa[i] = lines_[i].get();
    }

    auto makeFrame = [this](int index, QWidget* parent) {
        auto* frame = new QFrame(parent);
        frame->setObjectName(QStringLiteral("fra01_%1").arg(index));
        frames_[index] = std::make_unique<QtFrame>(frame, scale_, &tabOrder_);
        controls_.fra01[index] = frames_[index].get();
        return frame;
    };
    QFrame* titleFrame = makeFrame(0, client);
    QFrame* consoleFrame = makeFrame(1, client);
    QFrame* readingFrame = makeFrame(2, consoleFrame);
    QFrame* paraFrame = makeFrame(3, client);

    for (int i = 0; i < 3; ++i) {
        auto* button = new QPushButton(client);
        button->setObjectName(QStringLiteral("cmd00_%1").arg(i));
        buttonWidgets_[i] = button;
        buttons_[i] = std::make_unique<QtButton>(button, scale_, &tabOrder_);
        controls_.cmd00[i] = buttons_[i].get();
        connect(button, &QPushButton::clicked, this, [this, i] {
            if (events_.buttonClick) events_.buttonClick(i);
        });
    }

    auto makeLabel = [this](QWidget* parent, const char* name) {
        auto* label = new QLabel(parent);
        label->setObjectName(QString::fromLatin1(name));
        label->setFont(FixedPitchFont());
        return std::make_unique<QtLabel>(label, scale_, &tabOrder_);
    };
    title_ = makeLabel(titleFrame, "lblTitle");
    progress_ = makeLabel(titleFrame, "lblProgress");
    comBusy_ = makeLabel(client, "lblComBusy");
    portLabelWidget_ = static_cast<QLabel*>(comBusy_->widget());
    controls_.lblTitle = title_.get();
    controls_.lblProgress = progress_.get();
    controls_.lblComBusy = comBusy_.get();

    consoleWidget_ = new QListWidget(consoleFrame);
    consoleWidget_->setObjectName(QStringLiteral("lboConsole"));
    console_ = std::make_unique<QtListBox>(consoleWidget_, scale_, &tabOrder_);
    controls_.lboConsole = console_.get();

    for (int i = 0; i < 2; ++i) {
        auto* list = new QListWidget(readingFrame);
        list->setObjectName(QStringLiteral("lbo01_%1").arg(i));
        list->setFont(FixedPitchFont());
        list->setFocusPolicy(Qt::ClickFocus);
        readingWidgets_[i] = list;
        readings_[i] = std::make_unique<QtListBox>(list, scale_, &tabOrder_);
        controls_.lbo01[i] = readings_[i].get();
    }

    auto* edit = new QPlainTextEdit(paraFrame);
    edit->setObjectName(QStringLiteral("txtDispPara"));
    dispPara_ = std::make_unique<QtTextBox>(edit, scale_, &tabOrder_);
    controls_.txtDispPara = dispPara_.get();
}

int MainWindow::ButtonIndexOf(const QWidget* widget) const {
    for (int i = 0; i < 3; ++i) {
        if (buttonWidgets_[i] == widget) return i;
    }
    return -1;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != this) return false;

    if (event->type() == QEvent::FocusIn && widget == consoleWidget_) {
        if (events_.consoleGotFocus) events_.consoleGotFocus();
        return false;
    }
    if (event->type() == QEvent::ToolTip && widget == portLabelWidget_ && portToolTip_) {
        portLabelWidget_->setToolTip(portToolTip_());
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;

    // A key travels up the parents when a widget ignores it; act only where it starts, that is
    // on the window's focus control (or the window itself when nothing has the focus).
    QWidget* focus = focusWidget();
    const bool atOrigin = (focus != nullptr) ? widget == focus : widget == this;
    if (!atOrigin) return false;
    return HandleKeyPress(widget, static_cast<QKeyEvent*>(event));
}

bool MainWindow::HandleKeyPress(QWidget* target, QKeyEvent* key) {
    const std::int16_t shift = ShiftMask(key->modifiers());
    std::int16_t code = VirtualKeyCode(key->key(), key->modifiers());
    // The window sees every key before its controls.
    if (code != 0 && events_.keyDown) {
        events_.keyDown(code, shift);
        if (code == 0) return true;
    }
    if (target == consoleWidget_ && code != 0 && events_.consoleKeyDown) {
        events_.consoleKeyDown(code, shift);
        if (code == 0) return true;
    }
    if (code == kKeyEnter || code == kKeyEscape) {
        if (PressDefaultOrCancel(key->key(), target)) return true;
    }
    const int buttonIndex = ButtonIndexOf(target);
    if (buttonIndex >= 0 && events_.buttonKeyPress && key->text().size() == 1) {
        const QChar ch = key->text().at(0);
        if (ch.unicode() >= 0x20 && ch.unicode() < 0x7F) {
            std::int16_t keyAscii = static_cast<std::int16_t>(ch.unicode());
            events_.buttonKeyPress(buttonIndex, keyAscii);
            if (keyAscii == 0) return true;
        }
    }
    return false;
}

// Enter presses the focused command button, else the default button; Escape presses the
// cancel button. Qt does this only in dialogs, so the window does it itself.
bool MainWindow::PressDefaultOrCancel(int qtKey, QWidget* target) {
    const bool enter = qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter;
    if (enter) {
        const int focused = ButtonIndexOf(target);
        if (focused >= 0) {
            buttonWidgets_[focused]->click();
            return true;
        }
    }
    for (int i = 0; i < 3; ++i) {
        const QtButton& button = *buttons_[i];
        const bool wanted = enter ? button.isDefault() : button.isCancel();
        if (!wanted || !buttonWidgets_[i]->isVisible() || !buttonWidgets_[i]->isEnabled()) {
            continue;
        }
        buttonWidgets_[i]->click();
        return true;
    }
    return false;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (events_.resize) events_.resize();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        if (events_.queryUnload) events_.queryUnload();
    }
    event->accept();
}

}  // namespace qs::qt
