#include "printing/film_folder.h"

#include "core/errors.h"
#include "core/file_system.h"
#include "core/program_folder.h"

#include <cerrno>
#include <cstring>

#include <QFile>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kestrova {
namespace {

// Three digits in the name; a thousand films in one second is no real workload.
constexpr int MaxFilmsPerSecond = 999;
const QString WorkFilePrefix = QStringLiteral(".kestrova-work-");

[[noreturn]] void raiseAccess(const std::filesystem::path& path, const std::string& reason)
{
    raise(ErrorCode::PathFileAccess, standardDescription(ErrorCode::PathFileAccess) + ": " + path.string() + ": " + reason);
}

std::string lastSystemError() { return std::strerror(errno); }

bool flushedToDisk(QFile& file)
{
    if (!file.flush())
        return false;
#ifdef _WIN32
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

void writeWhole(const std::filesystem::path& path, const std::string& bytes)
{
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        raiseAccess(path, file.errorString().toStdString());
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size || !flushedToDisk(file))
        raiseAccess(path, file.error() != QFileDevice::NoError ? file.errorString().toStdString() : lastSystemError());
    file.close();
    if (file.error() != QFileDevice::NoError)
        raiseAccess(path, file.errorString().toStdString());
}

// Gives `written` the second name `film` unless a file has it: false then, and nothing changed.
bool linkWithoutReplacing(const std::filesystem::path& written, const std::filesystem::path& film)
{
#ifdef _WIN32
    if (MoveFileExW(written.c_str(), film.c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    if (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS)
        return false;
    raiseAccess(film, "it could not be named");
#else
    if (::link(written.c_str(), film.c_str()) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    raiseAccess(film, lastSystemError());
#endif
}

bool writableFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        return false;
#ifdef _WIN32
    return _waccess(folder.c_str(), 2) == 0;
#else
    return ::access(folder.c_str(), W_OK) == 0;
#endif
}

} // namespace

std::filesystem::path filmFolder() { return programPath("films"); }

QString filmFileName(const QDateTime& stamp, int counter)
{
    return QStringLiteral("Film-%1-%2.pdf")
        .arg(stamp.toString(QStringLiteral("yyyyMMdd-HHmmss")))
        .arg(counter, 3, 10, QLatin1Char('0'));
}

FilmWorkFile::FilmWorkFile()
{
    const auto folder = filmFolder();
    fileSystem().ensureFolder(folder);
    file_.setFileTemplate(QString::fromStdString(folder.string()) + QLatin1Char('/') + WorkFilePrefix +
                          QStringLiteral("XXXXXX.tmp"));
    if (!file_.open())
        raiseAccess(folder, file_.errorString().toStdString());
    file_.close();
}

std::filesystem::path FilmWorkFile::path() const { return file_.fileName().toStdString(); }

void FilmWorkFile::write(const std::string& bytes) { writeWhole(path(), bytes); }

std::filesystem::path FilmWorkFile::keepAsFilm(const QDateTime& stamp)
{
    for (int counter = 1; counter <= MaxFilmsPerSecond; ++counter) {
        const auto film = filmFolder() / filmFileName(stamp, counter).toStdString();
        if (linkWithoutReplacing(path(), film))
            return film;
    }
    raiseAccess(filmFolder(), "no free film name for " + stamp.toString(Qt::ISODate).toStdString());
}

PrinterState filmFolderState()
{
    PrinterState state;
    const auto folder = filmFolder();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!writableFolder(folder)) {
        state.acceptingJobs = false;
        return state;
    }
    if (std::filesystem::space(folder, ec).available < FilmRoomBytes && !ec)
        state.reasons.push_back("spool-area-full");
    return state;
}

void removeLeftoverWorkFiles()
{
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(filmFolder(), ec)) {
        if (QString::fromStdString(entry.path().filename().string()).startsWith(WorkFilePrefix))
            std::filesystem::remove(entry.path(), ec);
    }
}

} // namespace kestrova
