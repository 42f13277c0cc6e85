#include "sim_process.h"

#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QTcpSocket>

namespace qs::qt::testing {

namespace {
constexpr int kStartMs = 15000;
constexpr int kAnswerMs = 2000;
}  // namespace

VirtualRadio::VirtualRadio(const QStringList& extraArgs) {
    process_.setProgram(QStringLiteral(QS_SIM_PROGRAM));
    process_.setArguments(QStringList{QStringLiteral("--verbose")} + extraArgs);
    process_.start();
    QDeadlineTimer deadline(kStartMs);
    while (!process_.canReadLine() && !deadline.hasExpired() &&
           process_.state() != QProcess::NotRunning) {
        process_.waitForReadyRead(100);
    }
    device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    if (!extraArgs.contains(QStringLiteral("--monitor"))) return;
    while (!process_.canReadLine() && !deadline.hasExpired() &&
           process_.state() != QProcess::NotRunning) {
        process_.waitForReadyRead(100);
    }
    monitor_ = QString::fromLocal8Bit(process_.readLine()).trimmed().section(QLatin1Char(' '), 1);
}

QByteArray VirtualRadio::AskMonitor(const QByteArray& query) const {
    // "TCPIP::127.0.0.1::PORT::SOCKET"
    const QStringList parts = monitor_.split(QStringLiteral("::"));
    if (parts.size() < 3) return {};
    QTcpSocket socket;
    socket.connectToHost(parts[1], static_cast<quint16>(parts[2].toUInt()));
    if (!socket.waitForConnected(kAnswerMs)) return {};
    socket.write(query + "\n");
    QByteArray answer;
    QDeadlineTimer deadline(kAnswerMs);
    while (!answer.contains('\n') && !deadline.hasExpired() && socket.waitForReadyRead(50))
        answer += socket.readAll();
    return answer.trimmed();
}

VirtualRadio::~VirtualRadio() {
    Kill();
}

const QByteArray& VirtualRadio::log() {
    log_ += process_.readAllStandardError();
    return log_;
}

QStringList VirtualRadio::SettingCommands() {
    // E8 frames to the radio: FE FE EE EF E8, model and sub code, command, two digits, FD.
    static const QRegularExpression frame(
        QStringLiteral("program -> radio: FE FE EE EF E8 30 17 01 02 ([0-9A-F]{2}) ([0-9A-F]{2}) "
                       "([0-9A-F]{2}) FD"));
    QStringList commands;
    auto it = frame.globalMatch(QString::fromLatin1(log()));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1) == QStringLiteral("03")) continue;  // a reading
        commands << m.captured(1) + m.captured(2) + m.captured(3);
    }
    return commands;
}

bool VirtualRadio::Stop() {
    if (process_.state() == QProcess::NotRunning) return false;
    process_.terminate();
    const bool ended = process_.waitForFinished(kStartMs);
    log();
    return ended && process_.exitStatus() == QProcess::NormalExit;
}

void VirtualRadio::Kill() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(kStartMs);
}

}  // namespace qs::qt::testing
