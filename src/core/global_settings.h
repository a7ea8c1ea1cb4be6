#pragma once
// Program-wide state: the settings record, the product name and version, and the
// caption lines printed at the top of every film.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

struct Settings {
    std::string AETName;
    std::int32_t Port = 0;
    std::string Emulation;
    std::string Printer;
    std::string Fontname;
    std::int32_t Fontsize = 0;
    std::int16_t LUT = 0;
    std::string ImagePath;

    bool operator==(const Settings&) const = default;
};

using HeaderLines = std::vector<std::string>;

// Zeroed at start, filled by ReadSettings, changed afterwards only by the preferences dialog.
inline Settings GlobalSettings;

// Absent until the caption files have been read once.
inline std::optional<HeaderLines> HeaderLeftLines;
inline std::optional<HeaderLines> HeaderRightLines;

inline const std::string ProductName = "Kestrova";

// "v" + major.minor.revision of this build, for example "v1.0.0".
const std::string& VersionText();

} // namespace kestrova
