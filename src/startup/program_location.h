#pragma once
// Which folder a program keeps its files in. A copy that runs from anywhere but the install
// prefix (a build folder, a portable copy) keeps them beside its executable. An installed
// executable never writes beside itself: the tray program uses the user's data folder, the
// service its state folder.

#include <filesystem>
#include <optional>
#include <string>

namespace kestrova {

enum class ProgramRole { Tray, Service };

// Everything the choice depends on, gathered once so the rule itself is a plain function.
struct FolderPlaces {
    std::filesystem::path executableFolder;
    std::filesystem::path installPrefix;
    std::filesystem::path userDataFolder;
    std::filesystem::path stateFolder;
};

inline constexpr const char* DefaultStateFolder = "/var/lib/kestrova";

// True when folder is the prefix or lies below it.
bool isBelow(const std::filesystem::path& folder, const std::filesystem::path& prefix);

// requested (--folder) wins; otherwise the executable's folder unless it is installed.
std::filesystem::path chooseProgramFolder(ProgramRole role, const std::optional<std::filesystem::path>& requested,
                                          const FolderPlaces& places);

// stateDirectoryVariable is $STATE_DIRECTORY as systemd sets it: one or more folders
// separated by ':'. The first one is ours; unset or empty means the default.
std::filesystem::path stateFolderFrom(const char* stateDirectoryVariable);

// The places of the running process: its executable, the compiled-in install prefix, the
// user's data folder for the application name, and $STATE_DIRECTORY.
FolderPlaces currentFolderPlaces();

// Creates the folder when it is missing and checks that a file can be made in it. Returns
// what is wrong in words for the user, empty when the folder is usable.
std::string prepareFolder(const std::filesystem::path& folder);

} // namespace kestrova
