#pragma once
// Logs/Error.log: the program's record of its own failures, one line per logged error.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrova {

// The log is bounded: once it has grown past ErrorLogLimitBytes it is renamed Error.log.1 (the
// older ones moving up to .2 and .3, the oldest going) and a new one begins.
inline constexpr std::uintmax_t ErrorLogLimitBytes = 1024 * 1024;
inline constexpr int KeptOldErrorLogs = 3;
// A description that carries a peer's text is shown as data: escaped, and cut at this length.
inline constexpr std::size_t ErrorDescriptionLimit = 512;

// Appends "<date> <time>< n ><description><label>\r\n". Never fails: a line that cannot be
// written goes to standard error (the journal, for the service), and the caller goes on.
void LogError(int number, const std::string& description, const std::string& label);

// The line as LogError writes it, for a given moment.
std::string errorLogLine(std::chrono::system_clock::time_point when, int number,
                         const std::string& description, const std::string& label);

} // namespace kestrova
