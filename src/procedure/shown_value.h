#pragma once

// Values as the run shows, records and judges them: a measurement rounded to what its meter
// reading means (power to 0.01 W, deviation to 1 Hz, frequency to 0.1 Hz), a live reading as
// its row shows it (two decimals), and limits made concrete for the test channel.

#include <optional>
#include <string>
#include <string_view>

#include "model/reading_text.h"
#include "procedure/procedure.h"
#include "record/run_record.h"

namespace qs::procedure {

double ShownMeasurement(Quantity quantity, double value);
// "5.53 W", "2910 Hz", "146520000.0 Hz", with the number rounded as shown.
SeenValue MeasurementValue(Quantity quantity, double value);
// The row's label, its text as shown ("2.35V") and its value to two decimals.
SeenValue ReadingStepValue(const ReadingValue& reading);
// An item's value sent to the radio: "Power(Hi)" "212".
SeenValue ItemStepValue(const std::string& item, int value);

// The acceptance with a target "tx" or "rx" made a frequency; the text as a technician
// writes limits ("146520000 Hz ± 100 Hz", "2.3 to 2.6 V", "at least 7 V").
StepLimits MakeLimits(const Acceptance& acceptance, std::string_view unit,
                      const ChannelFrequencies& channel);
// Whether a value shown keeps the limits; when not, why ("5.72 W is above 5.6 W").
std::optional<std::string> OutsideLimits(const SeenValue& value, const StepLimits& limits);

}  // namespace qs::procedure
