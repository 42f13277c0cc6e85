#include "postgres_server.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>

#include <unistd.h>

#include "records_test_support.h"

namespace qs::records_test {

const PostgresServer* PostgresServer::Get() {
    static const std::optional<PostgresServer> server = []() -> std::optional<PostgresServer> {
        const char* path = std::getenv("QS_PG_INFO");
        if (path == nullptr) return std::nullopt;
        std::ifstream in(path);
        std::map<std::string, std::string> fields;
        std::string line;
        while (std::getline(in, line)) {
            const auto eq = line.find('=');
            if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
        }
        if (fields["socket"].empty()) return std::nullopt;
        PostgresServer s;
        s.dir_ = fields["dir"];
        s.socket_ = fields["socket"];
        s.user_ = fields["user"];
        s.adminDatabase_ = fields["database"];
        s.bin_ = fields["bin"];
        s.runas_ = fields["runas"];
        return s;
    }();
    return server ? &*server : nullptr;
}

SqlTarget PostgresServer::Target(const std::string& database) const {
    SqlTarget target;
    target.dialect = SqlDialect::Postgres;
    target.host = socket_;
    target.user = user_;
    target.database = database;
    target.connectTimeoutSeconds = 5;
    return target;
}

std::string PostgresServer::Url(const std::string& database) const {
    return "postgresql://" + user_ + "@/" + database + "?host=" + socket_;
}

std::string PostgresServer::NewDatabase(const std::string& stem) const {
    static std::atomic<int> count{0};
    const std::string name = stem + "_" + std::to_string(getpid()) + "_" + std::to_string(++count);
    auto admin = OpenOrFail(Target(adminDatabase_));
    if (admin) admin->Execute("CREATE DATABASE " + name, {});
    return name;
}

std::string PostgresServer::Run(const std::string& command) const {
    return runas_.empty() ? command : "runuser -u " + runas_ + " -- " + command;
}

bool PostgresServer::Stop() const {
    return std::system(
               Run(bin_ + "/pg_ctl -D " + dir_ + "/data -m fast -w stop >/dev/null").c_str()) == 0;
}

bool PostgresServer::Start() const {
    return std::system(Run(bin_ + "/pg_ctl -D " + dir_ + "/data -l " + dir_ +
                           "/server.log -w -t 60 start >/dev/null")
                           .c_str()) == 0;
}

}  // namespace qs::records_test
