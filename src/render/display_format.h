#pragma once
// Image Display Format texts such as "STANDARD\2,3": the two numbers around the first
// comma after the first backslash, whatever the layout keyword.

#include <cstdint>
#include <string>

namespace kestrova {

// Columns into X, rows into Y. Raises invalid argument (5) when no comma follows the
// backslash, overflow (6) outside -32768..32767. X is stored before the rows are read.
void DecodeFormat(const std::string& format, std::int16_t& X, std::int16_t& Y);

// The longest leading decimal number of a text, blanks and tabs ignored anywhere;
// 0 when there is none.
double leadingNumber(const std::string& text);

} // namespace kestrova
