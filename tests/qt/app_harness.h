#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "shell/ini_file_store.h"
#include "desktop/main_window.h"
#include "qtcore/port_bindings.h"
#include "desktop/qt_alerts.h"
#include "qtcore/qt_instance_lock.h"
#include "qtcore/program_serial_port.h"
#include "qtcore/qt_timer.h"
#include "shell/application.h"

namespace qs::qt::testing {

// Answers the program's modal message boxes as a technician would, and keeps what they said.
class MessageBoxWatcher : public QObject {
    Q_OBJECT
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    MessageBoxWatcher();
    const QList<Seen>& seen() const { return seen_; }
    int count() const { return static_cast<int>(seen_.size()); }
    QString lastText() const { return seen_.isEmpty() ? QString() : seen_.last().text; }

private:
    void Poll();
    QTimer timer_;
    QList<Seen> seen_;
};

// The whole program in this process: the real window, the real serial port, timer, settings
// file and lock, all in a temporary folder.
class ProgramUnderTest {
public:
    ProgramUnderTest();
    ~ProgramUnderTest();
    bool Start();

    PortBindings& bindings() { return bindings_; }
    MainWindow& window() { return window_; }
    Application& app() { return *app_; }
    ProgramSerialPort& port() { return port_; }
    QString settingsFile() const;

private:
    QTemporaryDir dir_;
    PortBindings bindings_;
    ProgramSerialPort port_{bindings_};
    QtTimer timer_;
    SystemTickSource clock_;
    std::unique_ptr<IniFileStore> store_;
    QtMessageBox messageBox_;
    QtBeeper beeper_;
    std::unique_ptr<QtInstanceLock> lock_;
    MainWindow window_;
    std::unique_ptr<Application> app_;
};

// The row of the console whose text contains `title`, -1 when none.
int ConsoleRowOf(const MainWindow& window, const QString& title);

}  // namespace qs::qt::testing
