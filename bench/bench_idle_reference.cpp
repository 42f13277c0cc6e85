// An empty main window with a 50 ms timer that does nothing: what any Qt Widgets program
// with the heartbeat costs at idle on this machine. bench_real_program measures it beside
// the real program, so that the idle figure can be read against this floor.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("idle reference"));
    window.resize(640, 560);
    window.show();
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    int ticks = 0;
    QObject::connect(&heartbeat, &QTimer::timeout, [&ticks] { ++ticks; });
    heartbeat.start(50);
    return app.exec();
}
