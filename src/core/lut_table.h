#pragma once
// The output curve applied to printed images when the LUT setting is 1, loaded from
// Kestrova.lut: up to 46 decimal integers separated by ";", each stored times 256.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kestrova {

struct Settings;

inline constexpr std::size_t LutEntries = 46;
using LutTable = std::array<std::int32_t, LutEntries>;

std::filesystem::path lutFilePath();

// Loads the table from Kestrova.lut when the file exists and settings.LUT is not 0.
// Every failing entry is logged under "LoadSettings" and keeps its earlier value.
void LoadLutTable(LutTable& table, const Settings& settings);

// The entry-by-entry part, on the file's text.
void applyLutText(LutTable& table, const std::string& text);

} // namespace kestrova
