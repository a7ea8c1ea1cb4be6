#include "file_system.h"

#include "errors.h"

#ifdef __linux__
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include <algorithm>

namespace kestrova {
namespace fs = std::filesystem;

namespace {

#ifdef __linux__
std::chrono::system_clock::time_point toSystemTime(const struct statx_timestamp& stamp)
{
    return std::chrono::system_clock::time_point(std::chrono::seconds(stamp.tv_sec)
                                                 + std::chrono::nanoseconds(stamp.tv_nsec));
}

// A file's birth time where the file system keeps one. A file whose content is older than
// its inode (copied or restored with its times) counts from its modification time, which
// also lets an administrator, or a test, age a file with touch.
std::chrono::system_clock::time_point creationTime(const fs::path& file)
{
    struct statx info {};
    if (statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0)
        raiseAbout(ErrorCode::PathFileAccess, file.string());
    const auto modified = toSystemTime(info.stx_mtime);
    if (!(info.stx_mask & STATX_BTIME))
        return modified;
    return std::min(toSystemTime(info.stx_btime), modified);
}
#else
std::chrono::system_clock::time_point creationTime(const fs::path& file)
{
    // Elsewhere the standard library offers only the modification time.
    return std::chrono::file_clock::to_sys(fs::last_write_time(file));
}
#endif

bool isReadOnly(const fs::path& file)
{
    const auto perms = fs::status(file).permissions();
    return (perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) == fs::perms::none;
}

} // namespace

bool FileSystem::folderExists(const fs::path& folder) const
{
    std::error_code ec;
    return fs::is_directory(folder, ec);
}

void FileSystem::createFolder(const fs::path& folder) const
{
    std::error_code ec;
    fs::create_directory(folder, ec);
    if (ec)
        raiseAbout(ErrorCode::PathFileAccess, folder.string());
}

void FileSystem::ensureFolder(const fs::path& folder) const
{
    if (!folderExists(folder))
        createFolder(folder);
}

bool FileSystem::fileExists(const fs::path& file) const
{
    std::error_code ec;
    return fs::is_regular_file(file, ec);
}

void FileSystem::deleteFile(const fs::path& file) const
{
    if (!fileExists(file))
        raiseAbout(ErrorCode::FileNotFound, file.string());
    std::error_code ec;
    if (isReadOnly(file) || !fs::remove(file, ec) || ec)
        raiseAbout(ErrorCode::PathFileAccess, file.string());
}

std::vector<FileEntry> FileSystem::files(const fs::path& folder) const
{
    std::vector<FileEntry> result;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->is_regular_file(typeError))
            result.push_back({it->path(), creationTime(it->path())});
    }
    if (ec)
        raiseAbout(ErrorCode::PathFileAccess, folder.string());
    return result;
}

const FileSystem& fileSystem()
{
    static const FileSystem shared;
    return shared;
}

} // namespace kestrova
