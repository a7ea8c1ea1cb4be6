#include "image_pruning.h"

#include "core/file_system.h"
#include "core/steps.h"

namespace kestrova {

void pruneOldFiles(const std::filesystem::path& folder, std::chrono::system_clock::time_point now,
                   std::chrono::hours lifetime)
{
    const FileSystem& files = fileSystem();
    if (!files.folderExists(folder))
        return;
    ignoreErrors({[&] {
        for (const auto& file : files.files(folder)) {
            if (now - file.created >= lifetime)
                ignoreErrors({[&] { files.deleteFile(file.path); }});
        }
    }});
}

} // namespace kestrova
