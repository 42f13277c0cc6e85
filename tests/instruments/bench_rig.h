#pragma once

// A bench on the fake clock with a make-believe instrument behind every address: it answers
// *IDN?, keeps an error queue for SYST:ERR? (cleared by *CLS), refuses the commands a test
// names and answers the queries a test gives answers for; any other line gets no answer.

#include <deque>
#include <map>
#include <optional>
#include <string>

#include "fakes/fake_byte_stream.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_timer.h"
#include "instruments/bench.h"

namespace qs::instruments::testing {

struct ScriptedInstrument {
    std::string identity = "Bench Works,SM-1,0001,1.0";
    std::map<std::string, std::string> answers;  // query -> answer line
    std::map<std::string, std::string> refuses;  // command -> error-queue entry it leaves
    std::deque<std::string> errors;

    std::optional<std::string> operator()(const std::string& line) {
        if (line == "*IDN?") return identity + "\n";
        if (line == "*CLS") {
            errors.clear();
            return std::nullopt;
        }
        if (line == "SYST:ERR?") {
            if (errors.empty()) return std::string("0,\"No error\"\n");
            const std::string entry = errors.front();
            errors.pop_front();
            return entry + "\n";
        }
        if (const auto refused = refuses.find(line); refused != refuses.end()) {
            errors.push_back(refused->second);
            return std::nullopt;
        }
        if (const auto answer = answers.find(line); answer != answers.end()) {
            return answer->second + "\n";
        }
        return std::nullopt;
    }
};

inline constexpr char kAddress[] = "TCPIP::10.0.0.5::5025::SOCKET";

struct BenchRig {
    FakeClock clock{1000};
    FakeTimer timer;
    FakeStreams streams;
    ScriptedInstrument instrument;
    Bench bench{streams, timer, clock};

    BenchRig() {
        streams.respond = [this](const std::string& line) { return instrument(line); };
    }

    // One turn of the event loop: the instrument's side, then one timer tick.
    void Turn() {
        streams.pump();
        clock.advance(Bench::kTickMs);
        timer.fire();
    }
    // Turns until `done` holds; false when it never did within `maxTurns`.
    template <typename Done>
    bool RunUntil(Done done, int maxTurns = 400) {
        for (int i = 0; i < maxTurns; ++i) {
            if (done()) return true;
            Turn();
        }
        return done();
    }
    std::string Written() const { return streams.created() ? streams.written(streams.created() - 1) : ""; }
};

}  // namespace qs::instruments::testing
