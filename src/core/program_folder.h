#pragma once
// The folder that holds the running executable. Every file of the program lives there
// or below it; paths are always built from it, never from the working directory.

#include <filesystem>
#include <string_view>

namespace kestrova {

std::filesystem::path ProgramFolder();

// For the headless service host and tests, which run against a folder of their own.
void SetProgramFolder(const std::filesystem::path& folder);

// ProgramFolder() / name
std::filesystem::path programPath(std::string_view name);

} // namespace kestrova
