#include "cli/standard_streams.h"

#include <poll.h>

#include "program/exit_status.h"

namespace qs::cli {

bool ReaderGone(std::FILE* stream) {
    pollfd watched{::fileno(stream), POLLOUT, 0};
    // A pipe's writing end reports POLLERR once no reader is left; a terminal or a file never.
    return ::poll(&watched, 1, 0) == 1 && (watched.revents & POLLERR) != 0;
}

std::string StreamName(std::FILE* stream) {
    return stream == stderr ? "standard error" : "standard output";
}

int EndWithOutputChecked(int status) {
    std::fflush(stdout);
    std::FILE* failed = std::ferror(stdout) ? stdout : std::ferror(stderr) ? stderr : nullptr;
    if (failed == nullptr) return status;
    std::FILE* other = failed == stdout ? stderr : stdout;
    if (!std::ferror(other) && !ReaderGone(other)) {
        std::fprintf(other, "qs71dr-cli: %s\n",
                     (StreamName(failed) + (ReaderGone(failed) ? "'s reader went away"
                                                                : " could not be written"))
                         .c_str());
        std::fflush(other);
    }
    return status == kExitOk ? kExitFailure : status;
}

}  // namespace qs::cli
