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

// The table and whether the latest load of the LUT file set every entry. A table that a
// load left partly unset holds zeros or stale values, which print highlights (or whole
// films) black: printing uses the table only when it is complete.
struct LutState {
    LutTable table{};
    bool complete = false;
};

std::filesystem::path lutFilePath();

// Loads the table from Kestrova.lut when the file exists and settings.LUT is not 0.
// Every failing entry is logged under "LoadSettings" and keeps its earlier value.
void LoadLutTable(LutState& lut, const Settings& settings);

// The entry-by-entry part, on the file's text. True when every entry was set.
bool applyLutText(LutTable& table, const std::string& text);

} // namespace kestrova
