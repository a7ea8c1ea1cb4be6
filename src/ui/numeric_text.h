#pragma once
// The numeric-text test the preferences dialog applies to the port field, and the
// conversion its OK button makes: a decimal number with optional sign, decimal point,
// exponent and surrounding blanks. Thousands separators, hex and words do not count.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrova {

// The value of a numeric text; empty when the text is not numeric. A magnitude beyond
// double's range gives an infinity, which no integer conversion accepts.
std::optional<double> numericTextValue(std::string_view text);

inline bool isNumericText(std::string_view text) { return numericTextValue(text).has_value(); }

// The text as a 32-bit integer, rounded half to even. Raises type mismatch (13) for a
// text that is not numeric and overflow (6) outside the 32-bit range.
std::int32_t int32FromNumericText(std::string_view text);

} // namespace kestrova
