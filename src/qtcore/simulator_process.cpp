#include "qtcore/simulator_process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <csignal>
#include <cstring>
#include <cstdio>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace qs::qt {

namespace {

constexpr const char* kSimulatorName = "qt71dr-sim";
constexpr int kStopTimeoutMs = 3000;
constexpr qsizetype kMaxDeviceLineBytes = 4096;
constexpr const char* kMonitorOption = "--monitor";
constexpr const char* kMonitorLineStart = "monitor ";

}  // namespace

SimulatorProcess::~SimulatorProcess() {
    Stop();
}

QString SimulatorProcess::FindProgram() {
    const QString beside =
        QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kSimulatorName));
    if (QFileInfo(beside).isExecutable()) return beside;
#ifdef QS_SIM_BUILD_PATH
    const QString built = QString::fromUtf8(QS_SIM_BUILD_PATH);
    if (QFileInfo(built).isExecutable()) return built;
#endif
    return QStandardPaths::findExecutable(QString::fromLatin1(kSimulatorName));
}

bool SimulatorProcess::Start(const QString& program, const QStringList& args, std::string* error) {
    auto fail = [error](const std::string& text) {
        if (error != nullptr) *error = text;
        return false;
    };
    if (program.isEmpty())
        return fail(std::string("cannot find the virtual radio ") + kSimulatorName);

    process_.setProgram(program);
    process_.setArguments(args);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.setInputChannelMode(QProcess::ManagedInputChannel);
#ifdef __linux__
    // The child must not outlive a program that crashed or was killed.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    process_.start();
    if (!process_.waitForStarted(kStartTimeoutMs)) {
        return fail("cannot start " + program.toStdString() + ": " +
                    process_.errorString().toStdString());
    }

    QDeadlineTimer deadline(kStartTimeoutMs);
    devicePath_ = ReadLine(deadline);
    if (devicePath_.isEmpty()) {
        Stop();
        return fail("the virtual radio did not report its device");
    }
    if (AsksForMonitor(args)) {
        const QString line = ReadLine(deadline);
        if (!line.startsWith(QLatin1String(kMonitorLineStart))) {
            Stop();
            return fail("the virtual radio did not report its service monitor");
        }
        monitorAddress_ = line.mid(static_cast<qsizetype>(std::strlen(kMonitorLineStart)));
    }
    // Whatever it prints later (its log with --sim-verbose) goes on to our own output.
    auto forwardOut = [this] {
        const QByteArray text = process_.readAllStandardOutput();
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
        std::fflush(stdout);
    };
    auto forwardErr = [this] {
        const QByteArray text = process_.readAllStandardError();
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
        std::fflush(stderr);
    };
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, forwardOut);
    QObject::connect(&process_, &QProcess::readyReadStandardError, forwardErr);
    // What arrived together with the device line.
    forwardOut();
    forwardErr();
    return true;
}

QString SimulatorProcess::ReadLine(const QDeadlineTimer& deadline) {
    while (!process_.canReadLine()) {
        if (process_.bytesAvailable() > kMaxDeviceLineBytes || deadline.hasExpired() ||
            process_.state() == QProcess::NotRunning) {
            return QString();
        }
        process_.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    }
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
}

bool SimulatorProcess::AsksForMonitor(const QStringList& args) {
    for (const QString& arg : args) {
        if (arg == QLatin1String(kMonitorOption) ||
            arg.startsWith(QLatin1String(kMonitorOption) + QLatin1Char('='))) {
            return true;
        }
    }
    return false;
}

void SimulatorProcess::Stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.terminate();
    if (!process_.waitForFinished(kStopTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(kStopTimeoutMs);
    }
}

}  // namespace qs::qt
