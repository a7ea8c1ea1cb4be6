#pragma once
// Kestrova.ini (the settings record) and Left.ini / Right.ini (the caption lines).

#include "core/configuration.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestrova {

inline constexpr const char* SettingsSection = "Kestrova";
inline constexpr const char* LimitsSection = "Limits";
inline constexpr const char* AccessSection = "Access";
inline constexpr const char* TlsSection = "TLS";
inline constexpr const char* FilmsSection = "Films";
inline constexpr const char* StatusPageSection = "StatusPage";
// "VirtualPrinter1" for the first.
std::string virtualPrinterSection(std::size_t number);

std::filesystem::path settingsFilePath();
std::filesystem::path leftHeaderPath();
std::filesystem::path rightHeaderPath();

// Fills the settings from Kestrova.ini. A missing key takes its default; a value that
// does not convert leaves its field as it was. Never fails.
void ReadSettings(Settings& settings);

// Fills the limits from the [Limits] section of Kestrova.ini, as ReadSettings does: a missing
// key, or a value that is not a number of at least 1, takes its default.
void ReadLimits(Limits& limits);

// Fills the access settings from the [Access] section, and the TLS settings from the [TLS]
// section, as ReadSettings does: a missing key takes its default.
void ReadAccess(AccessSettings& access);
void ReadTls(TlsSettings& tls);
// Writes the [Access] section's three keys, as WriteSettings does.
void WriteAccess(const AccessSettings& access);
// Fills how long films are kept from the [Films] section of Kestrova.ini, as ReadLimits does.
void ReadFilmKeeping(FilmKeeping& films);

// Fills the virtual printers from the [VirtualPrinter1] to [VirtualPrinter32] sections there are;
// a section without an AE title is passed over.
void ReadVirtualPrinters(std::vector<VirtualPrinter>& printers);
// Writes one section for each, in order, and removes the sections of printers no longer listed.
// Only keys that would read otherwise are written, so a file without such sections keeps every
// byte when there are none.
void WriteVirtualPrinters(const std::vector<VirtualPrinter>& printers);
// Fills the status page's settings from the [StatusPage] section, as ReadSettings does.
void ReadStatusPage(StatusPageSettings& page);

// Writes all eight fields in their fixed order. Never fails; a key that cannot be written
// keeps its old value in the file.
void WriteSettings(const Settings& settings);

// Rebuilds both caption line lists from the caption files; a failure is logged and ends
// the reading, keeping what was read so far.
void ReadHeader(Configuration& configuration);

// Writes a caption text as the dialog holds it: an empty text deletes the file,
// anything else is written followed by one CR LF.
void WriteHeaderFile(const std::filesystem::path& file, const std::string& text);

} // namespace kestrova
