#pragma once
// Keeps the images folder from growing: files a day old or older go.

#include <chrono>
#include <filesystem>

namespace kestrova {

inline constexpr std::chrono::hours ImageLifetime{24};

// Deletes every file in folder created at least ImageLifetime before now; files that
// cannot be deleted stay. A missing folder is no error.
void pruneOldFiles(const std::filesystem::path& folder, std::chrono::system_clock::time_point now);

} // namespace kestrova
