#pragma once

// The connection file keeps what the records know of a connection beyond its backup, journal,
// curves and runs file, beside them ("x.qsbak" gives "x.records.txt"), so that the records can
// be rebuilt from the files alone with the connection's own ID. It is written line by line as
// the connection goes: its ID, bench and program at the start, where each procedure run began,
// every instrument setting and reading kept for the record, and its end.
//
//   QS-71DR ADJ connection record
//   Format: 1
//   uid	1b4e28ba-2fa1-4d2e-883f-0016d3cca427
//   bench	bench-2
//   program	1.4.0
//   run	5230
//   instrument	6120	generator	TCPIP::127.0.0.1::5025::SOCKET	setting	level	-47	dBm
//   ended	1796640123

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "history/record_types.h"

namespace qs {

inline constexpr const char* kConnectionFileExtension = ".records.txt";
inline constexpr const char* kConnectionFileHeading = "QS-71DR ADJ connection record";

// The connection file of the connection whose backup is at `backupPath`.
std::string ConnectionFilePathFor(const std::string& backupPath);

struct ConnectionFacts {
    std::string uid;
    std::string bench;
    std::string programVersion;
    std::optional<std::time_t> endedAt;  // none: the program stopped before it ended it
    // Milliseconds from the connection's start to each procedure run's start, in order.
    std::vector<std::int64_t> runStartsMs;
    std::vector<InstrumentEvent> instruments;
};

// The heading and the lines of each kind, without their line ends.
std::vector<std::string> ConnectionFileHeading(const std::string& uid, const std::string& bench,
                                               const std::string& programVersion);
std::string RunStartLine(std::int64_t runStartMs);
std::string InstrumentLine(const InstrumentEvent& event);
std::string EndLine(std::time_t endedAt);

// What a reading took from a connection file that is ours. A line that cannot be read (cut
// short, unknown, too long, with a control character, a uid that is no UUID, a number out of
// range or not finite, a fact said twice) is skipped and named in `skipped` as "file:line:
// why" (the first few of them; the rest counted), and the rest is taken. A file without a
// usable uid line leaves `uid` empty: the connection is then known by its backup.
struct ConnectionFileReading {
    ConnectionFacts facts;
    std::vector<std::string> skipped;
};

// False with `error` naming the file (and the line) when the file is not a connection record
// of this program at all: another heading, a later format, too large or unreadable.
bool ParseConnectionFile(const std::string& text, const std::string& path,
                         ConnectionFileReading& reading, std::string& error);
bool ReadConnectionFile(const std::string& path, ConnectionFileReading& reading,
                        std::string& error);

}  // namespace qs
