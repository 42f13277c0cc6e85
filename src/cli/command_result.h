#pragma once

#include <QJsonObject>
#include <string>

namespace qs::cli {

// What one command of qs71dr-cli gives.
struct CommandResult {
    int status = 0;    // the exit status this command asks for
    std::string text;  // for people, on standard output
    QJsonObject json;  // the same for --json
};

}  // namespace qs::cli
