#pragma once

#include <string>

#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/command_result.h"

namespace qs::cli {

// `bench identify|measure|generator`: one instrument of the bench, never the radio. It is the
// instrument at ADDRESS (spoken to with --profile FILE, else the generic profile), or, under
// --simulate, the virtual service monitor that every role of the bench is bound to, whatever
// ADDRESS says. In a shell after a command that connected, what it sets and reads goes into
// the connection's journal.
class BenchCommand {
public:
    explicit BenchCommand(CliSession& session) : session_(session) {}

    // Before anything is opened: an ADDRESS that can be understood (or --simulate), a profile
    // file without a mistake that has the commands asked for. False with `error` (status 2).
    static bool Check(const BenchArgs& args, bool simulate, std::string& error);

    // Runs it and fills `result`: text and JSON, or, when the instrument failed, the status
    // and `error` (the message, with the instrument's address). Returns how the wait for the
    // instrument ended.
    CliSession::Outcome Run(const BenchArgs& args, CommandResult& result, std::string& error);

private:
    CliSession& session_;
};

}  // namespace qs::cli
