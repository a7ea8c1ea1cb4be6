#pragma once
// A profile-file reader and writer that keeps the Windows rules: case-insensitive section
// and key names, the default only for a missing key, values cut to size - 1 characters,
// blanks and one pair of enclosing quotes dropped on reading, new keys appended to the
// end of their section, existing keys replaced in place, everything else kept.

#include <cstdint>
#include <filesystem>
#include <string>

namespace kestrova {

// The value of key in section of file, or defaultValue when the file, section or key is
// missing. At most size - 1 characters come back. Raises no error of its own for a
// missing file; an unreadable one raises.
std::string ReadIniString(const std::string& section, const std::string& key, const std::string& defaultValue,
                          const std::filesystem::path& file, std::int16_t size);

// Creates the file, the section and the key as needed; lines end in CR LF. A key that already
// reads as value is left as it is, so a file written with nothing changed keeps every byte.
void WriteIniString(const std::string& section, const std::string& key, const std::string& value,
                    const std::filesystem::path& file);

bool IniSectionExists(const std::string& section, const std::filesystem::path& file);

// Removes the section with its header and every line up to the next section; nothing when it is
// missing.
void DeleteIniSection(const std::string& section, const std::filesystem::path& file);

} // namespace kestrova
