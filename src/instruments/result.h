#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace qs::instruments {

// What went wrong with an instrument, by kind, so a caller can react by code.
enum class Fault {
    BadAddress,      // the resource string cannot be understood
    BadProfile,      // a profile file with a mistake
    NotSupported,    // this program cannot reach that kind of instrument (yet)
    NoInstrument,    // no instrument holds the role asked for
    ProfileLacks,    // the instrument's profile has no command for the operation
    CannotConnect,   // refused, host unknown, no device file, no connection in time
    ConnectionLost,  // the instrument went away or closed the connection
    NoAnswer,        // a query was not answered in time
    BadAnswer,       // an answer that is not what the query asks for (not a number, ...)
    NoMeasurement,   // a number that is SCPI's not-a-number or infinity (9.91E37, 9.9E37)
    Refused,         // the instrument reported an error in its error queue
    Held,            // a procedure run holds the bench or, in another program, the instrument
};

struct InstrumentError {
    Fault fault = Fault::BadAddress;
    // The whole message, beginning with the instrument's address where there is one.
    std::string message;
};

// A value or the error that kept it from being had. There is no way to read a value from a
// failed result: value() throws, so a failed measurement can never pass as a number.
template <typename T>
class Result {
public:
    Result(T value) : state_(std::move(value)) {}  // NOLINT: implicit on purpose
    Result(InstrumentError error) : state_(std::move(error)) {}  // NOLINT

    bool ok() const { return std::holds_alternative<T>(state_); }
    explicit operator bool() const { return ok(); }

    const T& value() const {
        if (!ok()) throw std::logic_error("value of a failed instrument result: " + error().message);
        return std::get<T>(state_);
    }
    // Only meaningful on a failed result.
    const InstrumentError& error() const {
        static const InstrumentError kNone{};
        return ok() ? kNone : std::get<InstrumentError>(state_);
    }

private:
    std::variant<T, InstrumentError> state_;
};

struct Done {};
// The outcome of a setting: done, or why not.
using Status = Result<Done>;

inline Status Ok() {
    return Status(Done{});
}

}  // namespace qs::instruments
