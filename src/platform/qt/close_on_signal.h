#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QSocketNotifier;

namespace qs::qt {

// SIGTERM, SIGINT and SIGHUP close the window the ordinary way, so that the port is closed
// and the settings are saved when the session ends or Ctrl+C is pressed in the terminal.
// The handler only writes a byte to a pipe; the window is closed from the event loop.
class CloseOnSignal : public QObject {
    Q_OBJECT
public:
    explicit CloseOnSignal(QWidget* window);
    ~CloseOnSignal() override;

private:
    QPointer<QWidget> window_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace qs::qt
