#pragma once

#include <string>

#include "record/curve_log.h"

namespace qs {

// The curves file sits beside the journal and holds what the charts of a connection need,
// so that its alignment report can be made again later from files alone. Plain text, one
// point a line after two heading lines, fields separated by single blanks:
//
//   QS-71DR ADJ curves
//   Format: 1
//   reading 1200 AD 2 120                    time ms, list AD/DA, row index, raw value
//   sweep 5400 0 64 200                      time ms, filter 0/1, filter value, SD raw
//   bisection 9100 0 128 120 150             time ms, item 0/1, value, LVIN raw, target
//   result 9900 BPF 0 64 60 68               time ms, filter, centre, plateau first, last
//   result 9900 LVA 0 OK 166 150             time ms, item, OK/FAILED, final value, target
//   result 9900 RSSI 0 200                   time ms, 0 S3 / 1 S1, value captured
inline constexpr const char* kCurvesExtension = ".curves.txt";
inline constexpr const char* kCurvesHeading = "QS-71DR ADJ curves";
inline constexpr const char* kCurvesFormatLine = "Format: 1";
// Hours of readings stay far below this; anything larger is not ours.
inline constexpr std::size_t kMaxCurvesFileBytes = 64u * 1024u * 1024u;

std::string CurveLine(const TimedReading& reading);
std::string CurveLine(const TimedSweep& sweep);
std::string CurveLine(const TimedBisection& bisection);
std::string CurveLine(const TimedResult& result);

// The whole file's text for a log.
std::string CurvesText(const CurveLog& log);
// False with `error` naming the line and what is wrong with it.
bool ParseCurves(const std::string& text, CurveLog& log, std::string& error);
bool ReadCurvesFile(const std::string& path, CurveLog& log, std::string& error);

// The curves file of the connection whose backup or journal is at `path`
// ("x.qsbak" or "x.journal.txt" give "x.curves.txt").
std::string CurvesPathFor(const std::string& path);
// The journal of the backup at `path`.
std::string JournalPathFor(const std::string& backupPath);
// The runs file (procedure runs, run_record_file.h) of the connection whose backup or journal
// is at `path`.
inline constexpr const char* kRunsExtension = ".runs.toml";
std::string RunsPathFor(const std::string& path);

}  // namespace qs
