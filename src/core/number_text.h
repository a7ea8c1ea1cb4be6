#pragma once
// Numbers written as text in DICOM values (DS, IS) and in the settings files. They are
// read the same whatever locale the user runs: the C library's strtod and atof follow the
// locale Qt installs at start, and a decimal comma would make "0.5" read as 0.

#include <concepts>
#include <optional>
#include <string>
#include <string_view>

namespace kestrova {

// The text without blanks (by default spaces and tabs) at either end.
std::string_view trimBlanks(std::string_view text, std::string_view blanks = " \t");

// A decimal digit, whatever the locale.
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal integer with optional sign and surrounding blanks, within T's range.
template <std::signed_integral T>
std::optional<T> parseDecimalInteger(std::string_view text);

// A decimal number (sign, digits, decimal point, exponent) with surrounding blanks and
// nothing else; empty when the text is not one.
std::optional<double> parseDecimalNumber(std::string_view text);

// The longest leading decimal number of a text, blanks and tabs ignored anywhere;
// 0 when there is none. Raises overflow (6) for a magnitude beyond double's range.
double leadingNumber(const std::string& text);

} // namespace kestrova
