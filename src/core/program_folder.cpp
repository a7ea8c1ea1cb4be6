#include "program_folder.h"

#include <QCoreApplication>

#include <mutex>
#include <optional>

namespace kestrova {
namespace {

std::mutex folderMutex;
std::optional<std::filesystem::path> folderOverride;

std::filesystem::path executableFolder()
{
    if (QCoreApplication::instance())
        return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

} // namespace

std::filesystem::path ProgramFolder()
{
    std::lock_guard lock(folderMutex);
    if (!folderOverride)
        folderOverride = executableFolder();
    return *folderOverride;
}

void SetProgramFolder(const std::filesystem::path& folder)
{
    std::lock_guard lock(folderMutex);
    folderOverride = folder;
}

std::filesystem::path programPath(std::string_view name)
{
    return ProgramFolder() / std::filesystem::path(std::string(name));
}

} // namespace kestrova
