#pragma once

#include <optional>
#include <string>

#include "platform/sql_connection.h"

namespace qs::records_test {

// The suite's own PostgreSQL server, started by ctest before the tests that need it (see
// postgres_cluster.sh); its details come through the file named by QS_PG_INFO.
class PostgresServer {
public:
    // Null when no server was started for this run.
    static const PostgresServer* Get();

    // Connects to `database` on the server's socket.
    SqlTarget Target(const std::string& database) const;
    std::string Url(const std::string& database) const;
    // The server's socket file, for a proxy in front of it.
    std::string SocketFile() const { return socket_ + "/.s.PGSQL.5432"; }
    // A new, empty database of the test's own; its name.
    std::string NewDatabase(const std::string& stem) const;
    bool Stop() const;
    bool Start() const;

private:
    std::string Run(const std::string& command) const;

    std::string dir_;
    std::string socket_;
    std::string user_;
    std::string adminDatabase_;
    std::string bin_;
    std::string runas_;
};

}  // namespace qs::records_test

// Ends the test when there is no server: a failure where the run must have one
// (QS_REQUIRE_POSTGRES=1, as in CI), a skip elsewhere.
#define QS_NEED_POSTGRES(server)                                                    \
    const auto* server = ::qs::records_test::PostgresServer::Get();                 \
    if (server == nullptr) {                                                        \
        const char* required = std::getenv("QS_REQUIRE_POSTGRES");                  \
        if (required != nullptr && std::string(required) == "1")                    \
            FAIL() << "no PostgreSQL server for the tests (QS_REQUIRE_POSTGRES=1)"; \
        GTEST_SKIP() << "no PostgreSQL server for the tests";                       \
    }
