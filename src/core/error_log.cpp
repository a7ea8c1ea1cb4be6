#include "error_log.h"

#include "file_system.h"
#include "program_folder.h"
#include "text_file.h"

#include <QDateTime>
#include <QLocale>

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
    return line.append(description).append(label).append("\r\n");
}

void LogError(int number, const std::string& description, const std::string& label)
{
    static std::mutex logMutex;
    try {
        std::lock_guard lock(logMutex);
        const auto folder = programPath("Logs");
        if (!fileSystem().folderExists(folder))
            fileSystem().createFolder(folder);
        appendTextFile(folder / "Error.log",
                       errorLogLine(std::chrono::system_clock::now(), number, description, label));
    } catch (...) {
        // Nowhere left to report it.
    }
}

} // namespace kestrova
