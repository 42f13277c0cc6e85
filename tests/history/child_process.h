#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qs::records_test {

// A child program with its standard output on a pipe.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // The next line of output; false at its end or after `timeoutMs` without one.
    bool ReadLine(std::string& line, int timeoutMs);
    void Kill(int signal);
    // Waits for the end; the exit status, or 128 + the signal that ended it.
    int Wait();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
};

}  // namespace qs::records_test
