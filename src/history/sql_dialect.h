#pragma once

#include <string>
#include <string_view>

#include "platform/sql_connection.h"

namespace qs {

// Everything that differs between SQLite and PostgreSQL in the statements of the records, in
// one place. Statements are written once with these words in braces:
//
//   {id}    the connection's own number, given by the database
//   {int}   a 64-bit integer
//   {real}  a double-precision number
std::string InDialect(SqlDialect dialect, std::string_view statement);

// Taken at the start of a migration's transaction, so two programs starting at once against
// one server never both create the tables. Empty for SQLite, whose BEGIN IMMEDIATE already
// serialises writers.
std::string MigrationLockStatement(SqlDialect dialect);

// Counts the tables named ? in the database's own schema (one value bound: the name).
std::string TableCountStatement(SqlDialect dialect);

// The text placeholder for `count` values: "?, ?, ?".
std::string Placeholders(std::size_t count);

}  // namespace qs
