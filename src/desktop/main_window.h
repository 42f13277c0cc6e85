#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <vector>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/main_window_controls.h"
#include "desktop/qt_controls.h"
#include "desktop/twips.h"

class QAction;
class QStatusBar;
class QListWidget;
class QPushButton;

namespace qs::qt {

// What the window reports to the window logic. Key handlers may set the key code to 0 to
// swallow the key, as the classic key-down events do.
struct MainWindowEvents {
    std::function<void()> resize;
    std::function<void(std::int16_t& keyCode, std::int16_t shift)> keyDown;
    std::function<void(std::int16_t& keyCode, std::int16_t shift)> consoleKeyDown;
    std::function<void()> consoleGotFocus;
    std::function<void(int index)> buttonClick;
    std::function<void(int index, std::int16_t& keyAscii)> buttonKeyPress;
    std::function<void(int index)> comPortMenu;      // 1..4
    std::function<void(int index)> autoReleaseMenu;  // 0..5
    // The window is closing (Exit or any other way): close the port, save the settings.
    std::function<void()> queryUnload;
};

// The program's one window, drawn with real widgets: menus, the three command buttons, the
// title and progress labels, the console and reading lists, the parameter pane, the port
// label and the etched separator. The window logic drives it through controls().
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void setEvents(MainWindowEvents events) { events_ = std::move(events); }
    // Text of the port label's tooltip, asked for when the tooltip is about to show (the
    // device that the chosen COM number stands for).
    void setPortToolTip(std::function<QString()> provider) { portToolTip_ = std::move(provider); }
    const MainWindowControls& controls() const { return controls_; }
    const TwipsScale& scale() const { return scale_; }

    // While a procedure run drives the radio: the command buttons and the port and release
    // menus shown disabled (the core refuses them too); false gives them back.
    void HoldDriving(bool held);
    // A menu action of another part of the program that changes the radio (Revert), held with
    // the rest.
    void AddDrivingAction(QAction* action) { drivingActions_.push_back(action); }
    // A line at the window's foot, for what a run says (why the controls are held, how it
    // ended); empty hides it, so the window is as it always was without a run.
    void ShowRunStatus(const QString& text);
    QString runStatus() const;

    // The fixed-pitch font: "Courier New" where installed, else the system's fixed font.
    static QFont FixedPitchFont();

    // Widgets, for the tests and the port tooltip.
    QPushButton* commandButton(int index) const { return buttonWidgets_.at(index); }
    QListWidget* consoleList() const { return consoleWidget_; }
    QListWidget* readingList(int index) const { return readingWidgets_.at(index); }
    QLabel* portLabel() const { return portLabelWidget_; }
    QAction* comPortAction(int index) const { return comActions_.at(index); }
    QAction* autoReleaseAction(int index) const { return releaseActions_.at(index); }
    QAction* exitAction() const { return exitAction_; }
    const QtLine& separator(int index) const { return *lines_.at(index); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildControls();
    bool HandleKeyPress(QWidget* target, QKeyEvent* key);
    bool PressDefaultOrCancel(int qtKey, QWidget* target);
    int ButtonIndexOf(const QWidget* widget) const;

    TwipsScale scale_;
    TabOrder tabOrder_;
    MainWindowEvents events_;
    MainWindowControls controls_;
    bool closing_ = false;
    std::function<QString()> portToolTip_;

    std::unique_ptr<QtWindow> window_;
    std::array<std::unique_ptr<QtButton>, 3> buttons_;
    std::array<std::unique_ptr<QtFrame>, 4> frames_;
    std::unique_ptr<QtLabel> title_;
    std::unique_ptr<QtLabel> progress_;
    std::unique_ptr<QtLabel> comBusy_;
    std::unique_ptr<QtListBox> console_;
    std::array<std::unique_ptr<QtListBox>, 2> readings_;
    std::unique_ptr<QtTextBox> dispPara_;
    std::array<std::unique_ptr<QtLine>, 2> lines_;
    std::array<std::unique_ptr<QtMenuItem>, 5> comMenuItems_;
    std::array<std::unique_ptr<QtMenuItem>, 6> releaseMenuItems_;

    std::array<QPushButton*, 3> buttonWidgets_{};
    QListWidget* consoleWidget_ = nullptr;
    std::array<QListWidget*, 2> readingWidgets_{};
    QLabel* portLabelWidget_ = nullptr;
    std::array<QAction*, 5> comActions_{};
    std::array<QAction*, 6> releaseActions_{};
    QAction* exitAction_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    std::vector<QPointer<QAction>> drivingActions_;
    QLabel* runStatus_ = nullptr;
};

}  // namespace qs::qt
