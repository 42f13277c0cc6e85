#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace qs {

class clsCmcEeprom;

// What the radio holds as the radio itself has shown it, byte by byte of the memory image: the
// value each byte had when the radio last proved it (the clone read, or an answer to an
// exchange begun after the value was sent), beside a value sent since and not proved yet.
// An adjustment command awaits no answer, so a value is only known to be on the radio once
// the radio has answered something sent after it: it takes its frames in order.
//
//   holdings.Loaded(image);        // the clone read: every byte as the radio sent it
//   holdings.Sent(168, 150);       // handed to the port
//   holdings.At(168);              // {confirmed 200, sent {150}}
//   holdings.Answered();           // a reading answered after it
//   holdings.At(168);              // {confirmed 150}
class RadioHoldings {
public:
    struct Held {
        int confirmed = 0;  // the last value the radio proved
        // Sent after it and not proved yet, in order (none when every such value equals the
        // proved one): the radio may hold any of them.
        std::vector<int> sent;
        bool known = false;  // false before the first clone read
        bool unconfirmed() const { return !sent.empty(); }
    };

    void Loaded(const clsCmcEeprom& image);
    void Sent(std::int32_t address, std::uint8_t value);
    // The radio answered an exchange begun after everything sent so far.
    void Answered();

    Held At(std::int32_t address) const;
    bool loaded() const { return !confirmed_.empty(); }

    // A point to look back to: what had been sent, and what the radio had proved, by then.
    struct Mark {
        std::uint64_t sends = 0;
        std::vector<std::uint8_t> confirmed;
    };
    Mark MarkNow() const { return {sends_, confirmed_}; }
    // Every address sent since `mark`, in the order first sent, with the value the radio had
    // proved at the mark and what it holds now.
    struct Change {
        std::int32_t address = 0;
        int before = 0;
        Held now;
    };
    std::vector<Change> ChangesSince(const Mark& mark) const;

private:
    std::vector<std::uint8_t> confirmed_;
    // Values sent since the last proof, by address, in order.
    std::map<std::int32_t, std::vector<std::uint8_t>> pending_;
    // Every send, in order: its address (for ChangesSince).
    std::vector<std::int32_t> log_;
    std::uint64_t sends_ = 0;
};

}  // namespace qs
