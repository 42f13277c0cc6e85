#pragma once

#include <cstdio>
#include <string>

namespace qs::cli {

// The reader of `stream` has gone away (a pipe whose other end was closed, as `| head -3`
// closes it): every further write fails. Seen before anything is written; never blocks.
bool ReaderGone(std::FILE* stream);

// "standard output" or "standard error".
std::string StreamName(std::FILE* stream);

// After a command's last write: standard output flushed, and a stream a write to which failed
// said on the other one when that one still works ("qs71dr-cli: standard output's reader went
// away"). A write that failed is an error of the command: status 1 where it would have been 0.
int EndWithOutputChecked(int status);

}  // namespace qs::cli
