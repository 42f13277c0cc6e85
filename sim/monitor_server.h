#pragma once

// Serves the virtual service monitor over TCP on 127.0.0.1, raw SCPI as an instrument's
// socket port does: lines end in LF (a CR before it is dropped), each answered in turn.
// Several clients at once share the one monitor. A line longer than kMaxLineBytes is dropped
// whole and queues -223,"Too much data"; a client that takes no answers while more than
// kMaxPendingBytes of them wait is disconnected. Plain POSIX sockets, non-blocking, served in
// the simulator's poll loop.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "poll_participant.h"
#include "service_monitor.h"

namespace qtsim {

class MonitorServer : public PollParticipant {
public:
    static constexpr std::size_t kMaxClients = 16;
    static constexpr std::size_t kMaxLineBytes = 4096;
    static constexpr std::size_t kMaxPendingBytes = 1 << 20;

    explicit MonitorServer(ServiceMonitor& monitor) : monitor_(monitor) {}
    ~MonitorServer() override;
    MonitorServer(const MonitorServer&) = delete;
    MonitorServer& operator=(const MonitorServer&) = delete;

    // Listens on 127.0.0.1:port (0: a free port); false with `error` on failure.
    bool listen(int port, std::string* error);
    int port() const { return port_; }
    // The address a VISA client opens: TCPIP::127.0.0.1::PORT::SOCKET.
    std::string resource() const;
    void setLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

    void addPollFds(std::vector<pollfd>& fds) override;
    void handlePoll(const pollfd* fds, std::size_t count) override;

private:
    struct Client {
        int fd = -1;
        std::string input;
        std::string output;
        bool discarding = false;  // inside an over-long line, until its LF
    };

    void accept();
    // False when the client is gone.
    bool readFrom(Client& client);
    bool writeTo(Client& client);
    void close(Client& client);
    void note(const std::string& text);

    ServiceMonitor& monitor_;
    std::function<void(const std::string&)> log_;
    int listener_ = -1;
    int port_ = 0;
    std::vector<Client> clients_;
};

}  // namespace qtsim
