#include "startup/program_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdlib>
#include <system_error>

namespace kestrova {
namespace {

std::filesystem::path canonicalOrAsIs(const std::filesystem::path& path)
{
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path.lexically_normal() : canonical;
}

std::filesystem::path toPath(const QString& text) { return std::filesystem::path(text.toStdString()); }

} // namespace

bool isBelow(const std::filesystem::path& folder, const std::filesystem::path& prefix)
{
    const std::filesystem::path relative = canonicalOrAsIs(folder).lexically_relative(canonicalOrAsIs(prefix));
    return !relative.empty() && *relative.begin() != "..";
}

std::filesystem::path chooseProgramFolder(ProgramRole role, const std::optional<std::filesystem::path>& requested,
                                          const FolderPlaces& places)
{
    if (requested)
        return std::filesystem::absolute(*requested);
    if (!isBelow(places.executableFolder, places.installPrefix))
        return places.executableFolder;
    return role == ProgramRole::Tray ? places.userDataFolder : places.stateFolder;
}

std::filesystem::path stateFolderFrom(const char* stateDirectoryVariable)
{
    const std::string folders = stateDirectoryVariable ? stateDirectoryVariable : "";
    const std::string first = folders.substr(0, folders.find(':'));
    return first.empty() ? std::filesystem::path(DefaultStateFolder) : std::filesystem::path(first);
}

FolderPlaces currentFolderPlaces()
{
    return {toPath(QCoreApplication::applicationDirPath()), std::filesystem::path(KESTROVA_INSTALL_PREFIX),
            toPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)),
            stateFolderFrom(std::getenv("STATE_DIRECTORY"))};
}

std::string prepareFolder(const std::filesystem::path& folder)
{
    const QString name = QString::fromStdString(folder.string());
    if (!QDir().mkpath(name))
        return "cannot create the program folder " + folder.string();
    QTemporaryFile probe(name + QStringLiteral("/.kestrova-write-check-XXXXXX"));
    if (!probe.open())
        return "cannot write in the program folder " + folder.string() + ": " + probe.errorString().toStdString();
    return {};
}

} // namespace kestrova
