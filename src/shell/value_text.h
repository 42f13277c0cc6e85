#pragma once

#include <optional>
#include <string>

#include "link/tagged_value.h"

namespace qs {

// How a settings value is written as text and read back, kind by kind.

// The text of a value; nothing for an empty value.
std::optional<std::string> ValueToText(const TaggedValue& value);
// The text converted to `kind`; nothing when it does not convert (letters for a number, a
// number out of the kind's range, a date-time that is not "yyyy.mm.dd-hh:mm:ss").
std::optional<TaggedValue> TextToValue(const std::string& text, TaggedValue::Kind kind);
// "yyyy.mm.dd-hh:mm:ss".
std::string DateTimeStamp(const DateTime& when);

}  // namespace qs
