#include "film_folder.h"

#include "core/errors.h"
#include "core/file_system.h"
#include "core/program_folder.h"

#include <QFile>

namespace kestrova {
namespace {

// Three digits in the name; a thousand films in one second is no real workload.
constexpr int MaxFilmsPerSecond = 999;

[[noreturn]] void raiseAccess(const std::filesystem::path& path)
{
    raiseAbout(ErrorCode::PathFileAccess, path.string());
}

// False when the name is taken; raises when the folder does not let us create it.
bool createNewFile(const std::filesystem::path& file)
{
    QFile created(QString::fromStdString(file.string()));
    if (created.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return true;
    if (fileSystem().fileExists(file))
        return false;
    raiseAccess(file);
}

} // namespace

std::filesystem::path filmFolder() { return programPath("films"); }

QString filmFileName(const QDateTime& stamp, int counter)
{
    return QStringLiteral("Film-%1-%2.pdf")
        .arg(stamp.toString(QStringLiteral("yyyyMMdd-HHmmss")))
        .arg(counter, 3, 10, QLatin1Char('0'));
}

ReservedFilmFile ReservedFilmFile::reserve(const QDateTime& stamp)
{
    const auto folder = filmFolder();
    fileSystem().ensureFolder(folder);
    for (int counter = 1; counter <= MaxFilmsPerSecond; ++counter) {
        const auto file = folder / filmFileName(stamp, counter).toStdString();
        if (!fileSystem().fileExists(file) && createNewFile(file))
            return ReservedFilmFile(file);
    }
    raiseAccess(folder);
}

ReservedFilmFile::ReservedFilmFile(std::filesystem::path path)
    : path_(std::move(path))
{
}

ReservedFilmFile::ReservedFilmFile(ReservedFilmFile&& other) noexcept
    : path_(std::move(other.path_)), kept_(other.kept_)
{
    other.kept_ = true;
}

ReservedFilmFile::~ReservedFilmFile()
{
    if (kept_)
        return;
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

} // namespace kestrova
