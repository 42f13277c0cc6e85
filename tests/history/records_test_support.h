#pragma once

// What the records' tests share: the real Qt SQL connector, a folder of their own, sample
// connections holding a row of every kind, and calendar and random sources that a test fixes.

#include <cstdint>
#include <ctime>
#include <ios>
#include <memory>
#include <string>

#include "history/record_types.h"
#include "platform/random_source.h"
#include "platform/sql_connection.h"
#include "qtsql/qt_sql_connector.h"
#include "safety/wall_clock.h"
#include "safety_rig.h"

namespace qs::records_test {

using safety_test::FixedWallClock;
using safety_test::TempFolder;

// The same bytes every run, different for every call.
class CountingRandom : public IRandomSource {
public:
    void Fill(std::uint8_t* out, std::size_t count) override {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = static_cast<std::uint8_t>(next_++ * 37);
    }

private:
    unsigned next_ = 1;
};

QtSqlConnector& Connector();
std::unique_ptr<ISqlConnection> OpenOrFail(const SqlTarget& target);
std::unique_ptr<ISqlConnection> OpenSqlite(const std::string& path);

// A finished connection with `journalLines` journal entries, a row of every other detail kind
// and the procedure's fields; `n` makes its uid, serial number and start time its own.
ConnectionRecord SampleRecord(int n, int journalLines = 3);

// The record as a database at `version` can hold it: later columns empty, later tables empty.
ConnectionRecord AsOfVersion(ConnectionRecord record, int version);
// Makes an empty database into version 1 of the records as that version was released: the
// statements are written out in the test, not taken from the program's migrations.
void CreateVersion1(ISqlConnection& db);
// Writes the record with the statements a version-1 program used: only its columns and
// tables, named as that version named them.
void WriteAtVersion(ISqlConnection& db, const ConnectionRecord& record, int version);
ConnectionRecord Load(ISqlConnection& db, const std::string& uid);
void ExpectSameRecord(const ConnectionRecord& got, const ConnectionRecord& want);

// Damages a file: `count` bytes from `at` overwritten with junk.
void Overwrite(const std::string& path, std::streamoff at, std::size_t count);
std::string FileBytes(const std::string& path);

// Saves connections whose serial numbers, technicians and work orders differ in case, spaces,
// % and _, then checks that searches find a part of each in any case (and % and _ only as
// themselves): the same on every database the records live in.
void ExpectSearchesByPartAndCase(ISqlConnection& db);

// Rows of a table counted, or -1 when the query failed.
std::int64_t CountRows(ISqlConnection& db, const std::string& table);

}  // namespace qs::records_test
