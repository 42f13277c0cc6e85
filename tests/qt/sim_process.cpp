#include "sim_process.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

namespace qs::qt::testing {

namespace {
constexpr int kStartMs = 15000;
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
