#pragma once

// Serves a virtual radio on a pseudo-terminal. The master side stays open for the whole run,
// so the device survives the program closing and reopening it; each close is the program
// letting go of the cable (VirtualRadio::lineClosed). The terminal is raw: the bytes pass
// unchanged and the only echo is the radio's own. One thread, one poll loop: it sleeps until
// bytes arrive, the line can take more, the next paced byte is due or a signal comes.

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>

#include "poll_participant.h"
#include "arrival_pattern.h"
#include "virtual_radio.h"

namespace qtsim {

class PtyServer {
public:
    // While nobody has the device open the terminal reports a hang-up continuously, so the
    // loop looks for a new opening at this interval instead of waiting on the descriptor.
    static constexpr int kIdleCheckMs = 20;

    explicit PtyServer(VirtualRadio& radio) : radio_(radio) {}
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal in raw mode; false with `error` on failure.
    bool open(std::string* error);
    const std::string& devicePath() const { return devicePath_; }
    // Makes `path` a symbolic link to the device (replacing an old link, never a file).
    bool makeLink(const std::string& path, std::string* error);
    // One line per event (open, close, frames when the radio logs them).
    void setLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }
    // Also served in the loop, whether or not the device is open (the service monitor).
    void setCompanion(PollParticipant* companion) { companion_ = companion; }
    // How the radio's bytes reach the terminal (default: each as it leaves the line).
    void setArrival(const ArrivalPattern& pattern) { shaper_ = ArrivalShaper(pattern); }

    // Serves until `stop` becomes non-zero (set from a signal handler). SIGINT and SIGTERM
    // must be blocked by the caller; they are let through only while the loop sleeps.
    // Returns false when the terminal failed.
    bool run(const volatile std::sig_atomic_t& stop);

private:
    bool setRaw();
    // ppoll on `own` (may be null) and the companion's descriptors, which it then serves.
    int pollWith(pollfd* own, const timespec* timeout, const sigset_t* mask);
    void deviceClosed();
    bool readFromProgram();
    bool writeToProgram();
    std::int64_t nowUs() const;
    // When the next byte reaches the terminal; meaningful while the line or the shaper holds one.
    std::int64_t nextReleaseUs() const;
    void note(const std::string& text);

    VirtualRadio& radio_;
    std::function<void(const std::string&)> log_;
    PollParticipant* companion_ = nullptr;
    int master_ = -1;
    std::string devicePath_;
    std::string linkPath_;
    bool deviceOpen_ = false;
    ArrivalShaper shaper_;
    std::string pending_;  // released bytes the terminal has not taken yet
};

}  // namespace qtsim
