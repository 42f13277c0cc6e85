#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QSaveFile>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/item_settings.h"

namespace qs::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

struct CommandResult {
    int status = kExitOk;
    std::string text;  // for people, on standard output
    QJsonObject json;  // the same for --json
};

// One command of qs71dr-cli on a started session: the checks that need the core but not the
// radio, then the command itself, as the technician would do it in the desktop program.
class CommandRunner {
public:
    CommandRunner(CliSession& session, const CliOptions& options);

    // Output files are opened before anything else (a bad path is a bad argument).
    bool OpenFiles(std::string& error);
    // After the session has started, before the port is opened: item names and limits.
    bool CheckArguments(std::string& error);
    CommandResult Run();

private:
    CommandResult Identify();
    CommandResult Read();
    CommandResult Params();
    CommandResult Readings();
    CommandResult Set();
    CommandResult Sweep();
    CommandResult Level();
    CommandResult Rssi();

    // Connects; false with `result` filled when that did not succeed.
    bool Connect(CommandResult& result);
    // Fills `result` for an outcome other than Done.
    void Stopped(CliSession::Outcome outcome, CommandResult& result);
    void AddItem(QJsonArray& items, std::string& text, std::int16_t item);

    CliSession& session_;
    const CliOptions& options_;
    std::unique_ptr<QSaveFile> image_;
    std::vector<ResolvedSetting> settings_;
};

}  // namespace qs::cli
