#include "error_log.h"

#include "file_system.h"
#include "log_text.h"
#include "program_folder.h"
#include "text_file.h"

#include <QDateTime>
#include <QLocale>

#include <cstdio>
#include <filesystem>
#include <mutex>

namespace kestrova {
namespace {

// The system's long time format without a time-zone name: the log records local time.
QString longTimeFormat(const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

std::filesystem::path oldLog(const std::filesystem::path& log, int generation)
{
    return log.parent_path() / (log.filename().string() + "." + std::to_string(generation));
}

// Makes room for the next line when the log has reached its bound: Error.log becomes
// Error.log.1, the older ones move up, the oldest goes.
void rotateWhenFull(const std::filesystem::path& log)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(log, ec);
    if (ec || size < ErrorLogLimitBytes)
        return;
    std::filesystem::remove(oldLog(log, KeptOldErrorLogs), ec);
    for (int generation = KeptOldErrorLogs - 1; generation >= 1; --generation)
        std::filesystem::rename(oldLog(log, generation), oldLog(log, generation + 1), ec);
    std::filesystem::rename(log, oldLog(log, 1), ec);
}

void appendToLog(const std::string& line)
{
    const auto folder = programPath("Logs");
    if (!fileSystem().folderExists(folder))
        fileSystem().createFolder(folder);
    const auto log = folder / "Error.log";
    rotateWhenFull(log);
    appendTextFile(log, line);
}

} // namespace

std::string errorLogLine(std::chrono::system_clock::time_point when, int number,
                         const std::string& description, const std::string& label)
{
    const auto msecs = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs);
    const QLocale locale = QLocale::system();
    const QString stamp = locale.toString(local.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(local.time(), longTimeFormat(locale));
    // Numbers print as VB prints them: a blank stands where a minus sign would.
    std::string line = stamp.toLocal8Bit().toStdString();
    if (number >= 0)
        line += ' ';
    line += std::to_string(number);
    line += ' ';
    return line.append(logText(description, ErrorDescriptionLimit)).append(label).append("\r\n");
}

void LogError(int number, const std::string& description, const std::string& label)
{
    static std::mutex logMutex;
    const std::lock_guard lock(logMutex);
    std::string line;
    try {
        line = errorLogLine(std::chrono::system_clock::now(), number, description, label);
        appendToLog(line);
    } catch (...) {
        // A full disk or a folder that cannot be written must not hide the failure.
        std::fprintf(stderr, "Error.log cannot be written: %s", line.empty() ? "(no line)\n" : line.c_str());
        std::fflush(stderr);
    }
}

} // namespace kestrova
