#pragma once

#include <string_view>

#include "history/record_types.h"
#include "platform/sql_connection.h"

namespace qs {

// The records' structures as table rows and back. A connection's row follows
// ConnectionColumns(); a detail row follows its table's columns after connection_id and seq.

SqlRow ConnectionRow(const ConnectionInfo& info);
// "SELECT <the connection's columns>, id FROM connections", for a WHERE to follow.
std::string ConnectionSelectSql();
ConnectionInfo ConnectionFromRow(const SqlRow& row);

SqlRow DetailRow(const JournalEntry& entry);
SqlRow DetailRow(const TimedReading& reading);
SqlRow DetailRow(const TimedSweep& sweep);
SqlRow DetailRow(const TimedBisection& bisection);
SqlRow DetailRow(const TimedResult& result);
SqlRow DetailRow(const ProcedureStep& step);
SqlRow DetailRow(std::int64_t stepSeq, const StepValue& value);
SqlRow DetailRow(const InstrumentEvent& event);
SqlRow DetailRow(const RunRecord& run);

// Adds one row of `table` (read in its column order) to the record; false for a row whose
// values do not fit (a damaged or foreign row), which is then left out.
bool AddDetailRow(std::string_view table, const SqlRow& row, ConnectionRecord& record);

// Values of a row, tolerant of the engines' types: NULL or a foreign type gives the default.
std::int64_t IntOf(const SqlValue& value, std::int64_t fallback = 0);
std::string TextOf(const SqlValue& value);
std::optional<double> RealOf(const SqlValue& value);

}  // namespace qs
