#pragma once

// The runs file keeps the procedure runs of one connection beside its backup, journal and
// curves file (x.qsbak, x.journal.txt, x.curves.txt, x.runs.toml), so that the alignment
// report can be made again later from files alone. It is TOML, one [[run]] table a run with a
// [[run.step]] table a step; RunRecordJson writes one run with the same keys as JSON.
//
//   # QS-71DR ADJ procedure runs
//   format = 1
//   [[run]]
//   procedureTitle = "QT-71DR receiver and transmitter alignment"
//   technician = "A. Technician"
//   verdict = "PASS"
//   ...
//   [[run.step]]
//   number = 1
//   kind = "check"
//   outcome = "pass"
//   measured = { name = "VIN", text = "7.49V", number = 7.49, unit = "V" }
//   limits = { min = 7.0, max = 8.0, unit = "V", text = "7 to 8 V" }

#include <string>
#include <string_view>
#include <vector>

#include "record/run_record.h"

namespace qs {

// Far above a file of a few runs of a few dozen steps; anything larger is not ours.
inline constexpr std::size_t kMaxRunsFileBytes = 8u * 1024u * 1024u;

std::string RunsText(const std::vector<RunRecord>& runs);
// False with `error` saying what is wrong, naming `file`.
bool ParseRuns(std::string_view text, const std::string& file, std::vector<RunRecord>& runs,
               std::string& error);
bool ReadRunsFile(const std::string& path, std::vector<RunRecord>& runs, std::string& error);
// The same for a file taken as untrusted input (an import): a line that cannot be read (TOML
// that does not parse, a text too long or with a control character other than a line end or
// tab, a number out of range or not finite, a step or run without its outcome or verdict) is
// left out and named in `skipped` as "file:line: why; skipped", and the rest is taken. False
// only for a file that is no runs file of this program at all.
bool ParseRuns(std::string_view text, const std::string& file, std::vector<RunRecord>& runs,
               std::vector<std::string>& skipped, std::string& error);
bool ReadRunsFile(const std::string& path, std::vector<RunRecord>& runs,
                  std::vector<std::string>& skipped, std::string& error);

// Writes `run` into the runs file at `path` (written whole, WriteFileAtomically): at `slot`,
// or after the runs already there when `slot` is -1, which is then set to its place. The
// runs before it are kept; a file that cannot be read as runs is not overwritten.
bool StoreRun(const std::string& path, const RunRecord& run, int& slot, std::string& error);

// One run as a JSON object, with the keys of the runs file.
std::string RunRecordJson(const RunRecord& run);

}  // namespace qs
