#include "cli/report_command.h"

#include <cstdio>

namespace qs::cli {

int RunReportCommand(const std::string& backup, const std::string& out, bool force) {
    (void)backup;
    (void)out;
    (void)force;
    std::fputs("qs71dr-cli: report: not built yet\n", stderr);
    return 1;
}

}  // namespace qs::cli
