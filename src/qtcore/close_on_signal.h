#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace qs::qt {

// SIGPIPE ignored for the rest of the program: a write to a pipe whose reader went away then
// fails (EPIPE) where the program can say so and end what it does properly, rather than
// ending it on the spot with the radio and the generator as they happen to be.
void IgnoreBrokenPipes();

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
