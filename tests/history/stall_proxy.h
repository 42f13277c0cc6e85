#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace qs::records_test {

// A TCP port on loopback in front of the suite's PostgreSQL server (its socket file), on real
// sockets, that can stop forwarding at any moment: a link that stalls mid-statement, or a
// server that accepts and never answers.
class StallProxy {
public:
    enum class Mode {
        Forward,  // bytes go both ways
        Stall,    // every link stays open, nothing goes either way any more
        Silent,   // new links are accepted and never answered
    };

    explicit StallProxy(std::string serverSocketPath);
    ~StallProxy();
    StallProxy(const StallProxy&) = delete;
    StallProxy& operator=(const StallProxy&) = delete;

    int port() const { return port_; }
    void setMode(Mode mode);
    // Closes every link, as a link that has gone for good: the server ends what was under way.
    void DropAll();

private:
    struct Link {
        int client = -1;
        int server = -1;
    };
    void Run();
    void Close(Link& link);

    const std::string serverPath_;
    int listener_ = -1;
    int port_ = 0;
    int wake_[2] = {-1, -1};
    std::atomic<Mode> mode_{Mode::Forward};
    std::atomic<bool> drop_{false};
    std::atomic<bool> stop_{false};
    std::vector<Link> links_;  // the proxy's thread only
    std::thread thread_;
};

}  // namespace qs::records_test
