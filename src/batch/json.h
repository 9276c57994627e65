// JSON text for the batch driver's events. Only writing is needed: every
// event is one object on one line, built from these pieces.
#pragma once

#include <string>
#include <string_view>

#include "shell/record_store.h"

namespace vorn::batch {

// The two-character escape of a double quote, a backslash, a carriage
// return, a line feed or a tab ("\\r" for '\r'), the same in JSON and in
// the text format (whose quoted texts a script reads back); empty for any
// other character.
std::string_view short_escape(char c);

// A JSON string literal, quotes included. Quotes, backslashes and control
// characters are escaped; valid UTF-8 passes through unchanged and any byte
// that is not part of a valid UTF-8 sequence becomes U+FFFD, so the line is
// always valid JSON whatever the database or a script holds.
std::string json_string(std::string_view text);

// A JSON number in its shortest round-trip form ("0.5", "1", "1e-05"),
// written without the C locale; NaN and infinities, which JSON cannot hold,
// become null.
std::string json_number(double x);

// A field value: numbers as JSON numbers, text as a string, NULL as null.
std::string json_value(const Value& value);

}  // namespace vorn::batch
