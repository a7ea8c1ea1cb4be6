#pragma once
// Saving the DICOM log to Logs/Dicom<yyyymmddHHMMSS>.log.

#include <QDateTime>

#include <filesystem>

namespace kestrova {

class DicomLog;

std::filesystem::path dicomLogFilePath(const QDateTime& when);

// Writes the whole log text and CR LF to the file for the current local time, creating
// Logs when missing (a file saved within the same second is replaced), then clears the
// log. A save that fails keeps the log as it was. Never raises; true when saved.
bool saveDicomLog(DicomLog& log);

} // namespace kestrova
