#pragma once
// The program folder's error log as text; empty while nothing has been logged.

#include "support/temp_folder.h"

#include <filesystem>

namespace kestrova::test {

inline std::string errorLogText(const TempProgramFolder& folder)
{
    const auto file = folder / "Logs" / "Error.log";
    return std::filesystem::exists(file) ? readFile(file) : std::string();
}

} // namespace kestrova::test
