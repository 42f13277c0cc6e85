#include "qtsql/server_link.h"

#include <QByteArray>
#include <QSqlDriver>
#include <QVariant>
#include <QString>
#include <atomic>
#include <cstring>
#include <mutex>

#include <libpq-fe.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace qs {
namespace {

void ShutDown(qintptr socket) {
#ifdef _WIN32
    ::shutdown(static_cast<SOCKET>(socket), SD_BOTH);
#else
    ::shutdown(static_cast<int>(socket), SHUT_RDWR);
#endif
}

void DropNotice(void*, const char*) {}

// Set once, from whichever thread opens the first server connection; read by every thread
// that logs.
std::atomic<QtMessageHandler> previousHandler{nullptr};

void FilterSqlMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const bool sqlCategory =
        context.category != nullptr && std::strncmp(context.category, "qt.sql", 6) == 0;
    if (sqlCategory || text.startsWith(QLatin1String("Unable to free statement"))) return;
    if (const QtMessageHandler previous = previousHandler.load()) previous(type, context, text);
}

}  // namespace

void ServerLink::Attach(qintptr socket) {
    std::lock_guard<std::mutex> lock(mutex_);
    socket_ = socket;
    if (cut_ && socket_ >= 0) ShutDown(socket_);
}

void ServerLink::Detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    socket_ = -1;
}

void ServerLink::Cut() {
    std::lock_guard<std::mutex> lock(mutex_);
    cut_ = true;
    if (socket_ >= 0) ShutDown(socket_);
}

qintptr QuietServerSocket(const QSqlDriver& driver) {
    const QVariant handle = driver.handle();
    if (!handle.isValid() || std::strcmp(handle.typeName(), "PGconn*") != 0) return -1;
    PGconn* connection = *static_cast<PGconn* const*>(handle.constData());
    if (connection == nullptr) return -1;
    PQsetNoticeProcessor(connection, &DropNotice, nullptr);
    return PQsocket(connection);
}

void InstallSqlMessageFilter() {
    static std::once_flag once;
    std::call_once(once, [] { previousHandler = qInstallMessageHandler(&FilterSqlMessages); });
}

}  // namespace qs
