#pragma once
// DCMTK writes its own log through oflog, a process-wide logger. Its lines go to every live
// DicomLog: ERROR and FATAL as errors, WARN as warnings, everything else as network detail.

namespace kestrova {

class DicomLog;

namespace dcmtk_log {

// Registers a log as a receiver; the first call replaces DCMTK's console output.
void attach(DicomLog& log);
void detach(DicomLog& log);

} // namespace dcmtk_log
} // namespace kestrova
