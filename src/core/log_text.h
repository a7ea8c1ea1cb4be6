#pragma once
// Text a peer sent, made fit for a log line or a label: it is shown as data, never as a line of
// its own or as something the program wrote.

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrova {

inline constexpr std::size_t DefaultLogTextLimit = 128;

// The text with every byte outside printable ASCII written as an escape (\r, \n, \t, \xNN), cut
// after `limit` characters of the text, the cut marked with "...". DICOM's own backslash, the value
// separator, stays as it is.
std::string logText(std::string_view text, std::size_t limit = DefaultLogTextLimit);

} // namespace kestrova
