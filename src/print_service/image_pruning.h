#pragma once
// Keeps the working folders from growing: files in images/ a day old or older go, and films in
// films/ as old as the [Films] KeepDays setting says.

#include <chrono>
#include <filesystem>

namespace kestrova {

inline constexpr std::chrono::hours ImageLifetime{24};

// Deletes every file in folder created at least lifetime before now; files that cannot be
// deleted stay. A missing folder is no error.
void pruneOldFiles(const std::filesystem::path& folder, std::chrono::system_clock::time_point now,
                   std::chrono::hours lifetime = ImageLifetime);

} // namespace kestrova
