#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace qs::qt::testing {

// qt71dr-sim as its own process, with its frame log (standard error) kept.
class VirtualRadio {
public:
    explicit VirtualRadio(const QStringList& extraArgs);
    ~VirtualRadio();
    VirtualRadio(const VirtualRadio&) = delete;
    VirtualRadio& operator=(const VirtualRadio&) = delete;

    const QString& device() const { return device_; }
    // The service monitor's address, with --monitor (empty without).
    const QString& monitor() const { return monitor_; }
    // One SCPI query to the monitor ("OUTP?"), its answer trimmed; empty when none came.
    QByteArray AskMonitor(const QByteArray& query) const;
    // The frame log so far (everything the radio printed on standard error).
    const QByteArray& log();
    int Count(const QByteArray& text) { return static_cast<int>(log().count(text)); }
    // The adjustment commands the radio received that are not readings, in order, as the
    // command text after model and sub code ("093832").
    QStringList SettingCommands();
    // Ends the radio as a technician would (SIGTERM), so that --save-image is written.
    bool Stop();
    void Kill();

private:
    QProcess process_;
    QString device_;
    QString monitor_;
    QByteArray log_;
};

}  // namespace qs::qt::testing
