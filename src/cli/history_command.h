#pragma once

#include <string>

#include "cli/cli_options.h"

namespace qs::cli {

// `history ...`: the service records searched, a recorded connection's report written, or a
// backups folder imported. Reads the records at `url` ("" or "none": the bench's file, a
// server otherwise). Starts the Qt application it needs (offscreen for a PDF), so it runs
// before any other exists. The records are only read (read-only, never migrated or set aside),
// except by an import, which writes them as any writer does. Returns the exit status: 0 done,
// 1 the records cannot be opened or read (a damaged or empty file, named), the ID is unknown or
// a file cannot be written, 2 usage.
int RunHistoryCommand(int argc, char** argv, const CommandArgs& args, const std::string& url,
                      const std::string& benchName, bool json);

}  // namespace qs::cli
