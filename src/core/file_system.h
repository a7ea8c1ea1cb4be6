#pragma once
// The shared file-system helper: the few operations the program needs, each raising
// an AppError on failure instead of returning a code.

#include <chrono>
#include <filesystem>
#include <vector>

namespace kestrova {

struct FileEntry {
    std::filesystem::path path;
    // When the file was created where the file system records it, else when it was last written.
    std::chrono::system_clock::time_point created;
};

class FileSystem {
public:
    bool folderExists(const std::filesystem::path& folder) const;
    void createFolder(const std::filesystem::path& folder) const;   // one level; an existing folder is fine
    void ensureFolder(const std::filesystem::path& folder) const;   // createFolder unless it exists
    bool fileExists(const std::filesystem::path& file) const;
    void deleteFile(const std::filesystem::path& file) const;       // without forcing: read-only files stay
    std::vector<FileEntry> files(const std::filesystem::path& folder) const;
};

// The one instance shared by the whole program.
const FileSystem& fileSystem();

} // namespace kestrova
