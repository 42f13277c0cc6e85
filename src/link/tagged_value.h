#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace qs {

// A calendar date and time of day, to the second.
struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Fixed point with four decimal places, stored as ten-thousandths.
struct Currency {
    std::int64_t tenThousandths = 0;
    friend bool operator==(const Currency&, const Currency&) = default;
};

// A value that carries its kind. Empty is the value of "nothing", as returned by the
// command-button operation of the model.
class TaggedValue {
public:
    enum class Kind { Empty, Integer, Long, Single, Double, Currency, Byte, String, Date, Boolean };

    TaggedValue() = default;
    static TaggedValue Integer(std::int16_t v) { return TaggedValue(Kind::Integer, v); }
    static TaggedValue Long(std::int32_t v) { return TaggedValue(Kind::Long, v); }
    static TaggedValue Single(float v) { return TaggedValue(Kind::Single, v); }
    static TaggedValue Double(double v) { return TaggedValue(Kind::Double, v); }
    static TaggedValue FromCurrency(qs::Currency v) { return TaggedValue(Kind::Currency, v); }
    static TaggedValue Byte(std::uint8_t v) { return TaggedValue(Kind::Byte, v); }
    static TaggedValue String(std::string v) { return TaggedValue(Kind::String, std::move(v)); }
    static TaggedValue Date(DateTime v) { return TaggedValue(Kind::Date, v); }
    static TaggedValue Boolean(bool v) { return TaggedValue(Kind::Boolean, v); }

    Kind kind() const { return kind_; }
    bool isEmpty() const { return kind_ == Kind::Empty; }

    // Typed access; the kind must match (std::bad_variant_access otherwise).
    std::int16_t asInteger() const { return std::get<std::int16_t>(v_); }
    std::int32_t asLong() const { return std::get<std::int32_t>(v_); }
    float asSingle() const { return std::get<float>(v_); }
    double asDouble() const { return std::get<double>(v_); }
    qs::Currency asCurrency() const { return std::get<qs::Currency>(v_); }
    std::uint8_t asByte() const { return std::get<std::uint8_t>(v_); }
    const std::string& asString() const { return std::get<std::string>(v_); }
    DateTime asDate() const { return std::get<DateTime>(v_); }
    bool asBoolean() const { return std::get<bool>(v_); }

    friend bool operator==(const TaggedValue&, const TaggedValue&) = default;

private:
    using Storage = std::variant<std::monostate, std::int16_t, std::int32_t, float, double,
                                 qs::Currency, std::uint8_t, std::string, DateTime, bool>;
    template <typename T>
    TaggedValue(Kind k, T v) : kind_(k), v_(std::move(v)) {}

    Kind kind_ = Kind::Empty;
    Storage v_;
};

}  // namespace qs
