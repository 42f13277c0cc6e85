#include "qtsql/qt_sql_connector.h"

#include <atomic>
#include <string>
#include <unordered_map>

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>

#include "qtsql/file_lock.h"
#include "qtsql/server_link.h"

namespace qs {
namespace {

std::atomic<unsigned> connectionCount{0};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// SQLite's primary result codes that mean something to the caller.
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteConstraint = 19;
constexpr int kSqliteNotADatabase = 26;

SqlError SqliteKind(const QString& nativeCode) {
    bool number = false;
    const int code = nativeCode.toInt(&number) & 0xFF;
    if (!number) return SqlError::Other;
    switch (code) {
        case kSqliteBusy:
        case kSqliteLocked:
            return SqlError::Busy;
        case kSqliteCorrupt:
        case kSqliteNotADatabase:
            return SqlError::Corrupt;
        case kSqliteConstraint:
            return SqlError::Constraint;
        default:
            return SqlError::Other;
    }
}

// A server's statement error always carries its five-character state; a failure without one
// happened on the way to the server (refused, closed, timed out).
SqlError PostgresKind(const QString& state) {
    if (state.size() != 5) return SqlError::Unreachable;
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")) ||
        state == QLatin1String("28P01") || state == QLatin1String("28000")) {
        return SqlError::Unreachable;
    }
    if (state.startsWith(QLatin1String("23"))) return SqlError::Constraint;
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") ||
        state == QLatin1String("55P03")) {
        return SqlError::Busy;
    }
    return SqlError::Other;
}

SqlStatus StatusOf(SqlDialect dialect, const QSqlError& error) {
    if (!error.isValid()) return {};
    const SqlError kind = dialect == SqlDialect::Sqlite ? SqliteKind(error.nativeErrorCode())
                                                        : PostgresKind(error.nativeErrorCode());
    std::string text = error.text().trimmed().toStdString();
    if (text.empty()) text = "unknown database error";
    return SqlStatus::Failed(kind, text);
}

QVariant ToVariant(const SqlValue& value) {
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return QVariant::fromValue(qlonglong(*i));
    if (const auto* d = std::get_if<double>(&value)) return QVariant(*d);
    if (const auto* s = std::get_if<std::string>(&value)) return QVariant(Q(*s));
    return QVariant(QMetaType::fromType<QString>());
}

SqlValue FromVariant(const QVariant& value) {
    if (value.isNull()) return std::monostate{};
    switch (value.metaType().id()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return std::int64_t{value.toLongLong()};
        case QMetaType::Double:
        case QMetaType::Float:
            return value.toDouble();
        case QMetaType::QByteArray:
            return value.toByteArray().toStdString();
        default:
            return value.toString().toStdString();
    }
}

class QtSqlConnection : public ISqlConnection {
public:
    QtSqlConnection(SqlDialect dialect, SqlAccess access, QString name)
        : dialect_(dialect), access_(access), name_(std::move(name)) {}

    ~QtSqlConnection() override {
        // Before the socket is closed below, so that a late Cut() never reaches another file.
        if (link_) link_->Detach();
        queries_.clear();
        {
            QSqlDatabase db = QSqlDatabase::database(name_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name_);
    }

    SqlDialect dialect() const override { return dialect_; }
    std::shared_ptr<ISqlCut> Cutter() override { return link_; }

    // A server's connection, open: its socket may now be cut from another thread.
    void AttachServer(const QSqlDriver& driver) {
        link_ = std::make_shared<ServerLink>();
        link_->Attach(QuietServerSocket(driver));
    }

    SqlStatus Execute(std::string_view sql, const std::vector<SqlValue>& values,
                      std::vector<SqlRow>* rows) override {
        QSqlQuery* query = nullptr;
        QSqlQuery once(QSqlDatabase::database(name_, false));
        bool ran = false;
        if (values.empty()) {
            // Statements without values run once as they are (pragmas, schema, transactions).
            query = &once;
            query->setForwardOnly(true);
            ran = query->exec(QString::fromUtf8(sql.data(), static_cast<qsizetype>(sql.size())));
        } else {
            query = Prepared(sql);
            if (query == nullptr) return prepareFailure_;
            for (int i = 0; i < static_cast<int>(values.size()); ++i)
                query->bindValue(i, ToVariant(values[static_cast<std::size_t>(i)]));
            ran = query->exec();
        }
        if (!ran) {
            SqlStatus status = StatusOf(dialect_, query->lastError());
            if (status.ok()) status = SqlStatus::Failed(SqlError::Other, "the statement failed");
            query->finish();
            return status;
        }
        if (rows != nullptr && query->isSelect()) {
            const int columns = query->record().count();
            while (query->next()) {
                SqlRow row;
                row.reserve(static_cast<std::size_t>(columns));
                for (int c = 0; c < columns; ++c)
                    row.push_back(FromVariant(query->value(c)));
                rows->push_back(std::move(row));
            }
            if (query->lastError().isValid()) {
                const SqlStatus status = StatusOf(dialect_, query->lastError());
                query->finish();
                return status;
            }
        }
        query->finish();
        return {};
    }

    // A writer's SQLite transaction takes the write lock at once, so a transaction that reads
    // before it writes never finds the database changed under it by another program; a
    // reader's never asks for it.
    SqlStatus Begin() override {
        const bool writer = dialect_ == SqlDialect::Sqlite && access_ == SqlAccess::ReadWrite;
        return Execute(writer ? "BEGIN IMMEDIATE" : "BEGIN", {}, nullptr);
    }
    SqlStatus Commit() override { return Execute("COMMIT", {}, nullptr); }
    SqlStatus Rollback() override { return Execute("ROLLBACK", {}, nullptr); }

private:
    QSqlQuery* Prepared(std::string_view sql) {
        const std::string key(sql);
        auto it = queries_.find(key);
        if (it != queries_.end()) return it->second.get();
        auto query = std::make_unique<QSqlQuery>(QSqlDatabase::database(name_, false));
        query->setForwardOnly(true);
        if (!query->prepare(Q(key))) {
            prepareFailure_ = StatusOf(dialect_, query->lastError());
            if (prepareFailure_.ok())
                prepareFailure_ = SqlStatus::Failed(SqlError::Other, "the statement was refused");
            return nullptr;
        }
        // The cache is bounded by the statements the program has; it never grows with data.
        return queries_.emplace(key, std::move(query)).first->second.get();
    }

    SqlDialect dialect_;
    SqlAccess access_;
    QString name_;
    std::unordered_map<std::string, std::unique_ptr<QSqlQuery>> queries_;
    SqlStatus prepareFailure_;
    std::shared_ptr<ServerLink> link_;
};

// Besides the connect time-out, a server that stops answering in the middle of a statement
// is given up within about a minute: TCP keepalives notice a peer that is gone while the link
// is idle, the user time-out one that leaves what was sent unacknowledged, and the server ends
// a statement that waits longer than the target's statement time-out (a lock held by another
// program). The server's notices are not wanted: the program says a records problem itself.
QString ConnectOptions(const SqlTarget& target) {
    QStringList options;
    options << QStringLiteral("connect_timeout=%1").arg(target.connectTimeoutSeconds)
            << QStringLiteral("keepalives_idle=20") << QStringLiteral("keepalives_interval=5")
            << QStringLiteral("keepalives_count=3") << QStringLiteral("tcp_user_timeout=30000")
            << QStringLiteral("options='-c statement_timeout=%1 -c client_min_messages=warning%2'")
                   .arg(target.statementTimeoutMs)
                   .arg(target.access == SqlAccess::ReadOnly
                            ? QStringLiteral(" -c default_transaction_read_only=on")
                            : QString());
    for (const auto& [key, value] : target.options)
        options << Q(key + "=" + value);
    return options.join(QLatin1Char(';'));
}

}  // namespace

std::unique_ptr<ISqlConnection> QtSqlConnector::Open(const SqlTarget& target, SqlStatus& status) {
    const bool sqlite = target.dialect == SqlDialect::Sqlite;
    const QString driver = sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL");
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        status = SqlStatus::Failed(
            SqlError::Other,
            sqlite ? "Qt's SQLite driver is not installed (Debian package libqt6sql6-sqlite)."
                   : "Qt's PostgreSQL driver is not installed (Debian package libqt6sql6-psql).");
        return nullptr;
    }
    if (!sqlite) InstallSqlMessageFilter();
    const QString name = QStringLiteral("qs_records_%1").arg(++connectionCount);
    auto connection = std::make_unique<QtSqlConnection>(target.dialect, target.access, name);
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
    if (sqlite) {
        db.setDatabaseName(Q(target.path));
        // Read-only also means that a missing file is not created.
        if (target.access == SqlAccess::ReadOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    } else {
        db.setHostName(Q(target.host));
        if (target.port > 0) db.setPort(target.port);
        db.setUserName(Q(target.user));
        db.setPassword(Q(target.password));
        db.setDatabaseName(Q(target.database));
        db.setConnectOptions(ConnectOptions(target));
    }
    if (!db.open()) {
        status = StatusOf(target.dialect, db.lastError());
        if (status.ok()) status = SqlStatus::Failed(SqlError::Other, "the database did not open");
        if (!sqlite) status.error = SqlError::Unreachable;
        return nullptr;
    }
    if (!sqlite) connection->AttachServer(*db.driver());
    status = {};
    return connection;
}

std::unique_ptr<IFileLock> QtSqlConnector::LockFile(const std::string& lockPath, FileLockMode mode,
                                                    std::chrono::milliseconds wait,
                                                    SqlStatus& status) {
    return LockSystemFile(lockPath, mode, wait, status);
}

}  // namespace qs
