#pragma once

namespace qs {

// The exit statuses of both programs, as scripts read them.
inline constexpr int kExitOk = 0;
// Radio, port or file failure, a refused adjustment, or another copy running.
inline constexpr int kExitFailure = 1;
// Bad options or arguments; nothing was opened.
inline constexpr int kExitUsage = 2;

// Stopped by a signal: 128 and its number, as a shell reports a process the signal ended
// (130 for Ctrl-C, 143 for SIGTERM, 129 for SIGHUP).
constexpr int ExitStatusForSignal(int signal) {
    return 128 + signal;
}

}  // namespace qs
