#pragma once

#include <QtGlobal>
#include <mutex>

#include "platform/sql_connection.h"

class QSqlDriver;

namespace qs {

// The socket under a PostgreSQL connection, closed from any thread. The connection attaches it
// once open and detaches it before its own thread closes the socket, so a number the system
// has given to another file since is never touched.
class ServerLink : public ISqlCut {
public:
    void Attach(qintptr socket);
    void Detach();
    // Shuts the socket down both ways: whatever libpq waits for on it ends at once. A link cut
    // before its socket is attached is shut as soon as it is.
    void Cut() override;

private:
    std::mutex mutex_;
    qintptr socket_ = -1;
    bool cut_ = false;
};

// The socket of a QPSQL driver's open connection, with the server's notices (NOTICE, WARNING)
// dropped instead of printed on standard error: the program says a records problem itself.
// -1 for any other driver.
qintptr QuietServerSocket(const QSqlDriver& driver);

// Keeps Qt SQL's own lines about statements it could not free on a connection that is gone
// ("Unable to free statement") off standard error; everything else goes on as before. Once
// per program.
void InstallSqlMessageFilter();

}  // namespace qs
