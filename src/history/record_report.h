#pragma once

#include "history/record_types.h"
#include "record/alignment_report.h"

namespace qs {

// The alignment report of a recorded connection, from the records alone: the same report the
// connection's files give (the file paths are where the files were written).
AlignmentReport ReportFromRecord(const ConnectionRecord& record);

}  // namespace qs
