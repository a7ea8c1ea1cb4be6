#pragma once
// Logs/Error.log: the program's record of its own failures, one line per logged error.

#include <chrono>
#include <string>

namespace kestrova {

// Appends "<date> <time>< n ><description><label>\r\n". Never fails: a log that cannot be
// written is lost silently, the caller goes on.
void LogError(int number, const std::string& description, const std::string& label);

// The line as LogError writes it, for a given moment.
std::string errorLogLine(std::chrono::system_clock::time_point when, int number,
                         const std::string& description, const std::string& label);

} // namespace kestrova
