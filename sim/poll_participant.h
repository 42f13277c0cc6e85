#pragma once

// Something served in the simulator's one poll loop beside the radio's pseudo-terminal: it
// names the descriptors it waits on before each wait and handles what they report after it.

#include <poll.h>

#include <cstddef>
#include <vector>

namespace qtsim {

class PollParticipant {
public:
    virtual ~PollParticipant() = default;
    virtual void addPollFds(std::vector<pollfd>& fds) = 0;
    // The entries this participant added, with their events.
    virtual void handlePoll(const pollfd* fds, std::size_t count) = 0;
};

}  // namespace qtsim
