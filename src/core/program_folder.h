#pragma once
// The program folder: every file of the program lives there or below it; paths are always
// built from it, never from the working directory. Until start-up sets it (the folder rules
// are in src/startup), it is the folder that holds the running executable.

#include <filesystem>
#include <string_view>

namespace kestrova {

std::filesystem::path ProgramFolder();

// For start-up, once the folder is chosen and usable, and for tests.
void SetProgramFolder(const std::filesystem::path& folder);

// ProgramFolder() / name
std::filesystem::path programPath(std::string_view name);

} // namespace kestrova
