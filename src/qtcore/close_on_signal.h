#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace qs::qt {

// SIGTERM, SIGINT and SIGHUP end the program the ordinary way (the window closes, or a
// command stops), so that the port is closed and the settings and journal are complete when
// the session ends or Ctrl+C is pressed in the terminal. The handler only writes the signal's
// number to a pipe; `onSignal` runs from the event loop with it.
class CloseOnSignal : public QObject {
    Q_OBJECT
public:
    explicit CloseOnSignal(std::function<void(int signal)> onSignal);
    ~CloseOnSignal() override;

private:
    std::function<void(int signal)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace qs::qt
