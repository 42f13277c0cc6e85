#pragma once

#include <string>
#include <vector>

#include "history/record_types.h"
#include "platform/sql_connection.h"

namespace qs {

// The connections that match, newest first, at most `filter.limit` of them.
SqlStatus FindConnections(ISqlConnection& db, const HistoryFilter& filter,
                          std::vector<ConnectionInfo>& found);

// One connection in full; `found` is false when no connection has that uid. Item values at
// the end that were never written (an unfinished connection) are taken from the journal.
SqlStatus LoadConnection(ISqlConnection& db, const std::string& uid, ConnectionRecord& record,
                         bool& found);

// One item of two connections side by side.
struct ItemComparison {
    std::string item;
    std::string firstAtConnect;
    std::string firstAtEnd;
    std::string secondAtConnect;
    std::string secondAtEnd;
    bool differs = false;  // the values the radio was left with differ

    bool operator==(const ItemComparison&) const = default;
};

// Every item either connection has, in the first one's order, then the second one's own.
std::vector<ItemComparison> CompareConnections(const ConnectionRecord& first,
                                               const ConnectionRecord& second);

}  // namespace qs
